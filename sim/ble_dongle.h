// The simulated BLE dongle: a pseudo-terminal that speaks BGAPI like a USB BLE dongle,
// with the simulated controller as the one peripheral it can connect to. It scans (the
// controller and configurable other advertisers), connects, serves the controller's
// data service and carries the controller frames: requests arrive as write commands of
// at most 20 characters, answers leave as notifications of at most 20, one per emulated
// connection interval. A system reset makes the port go away and come back under the
// same name, as a real dongle re-enumerates.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ble/bgapi.h"
#include "ble/bgapi_messages.h"
#include "sim/controller.h"
#include "sim/link.h"

namespace sim {

struct BleAdvertiser {
    std::string name;
    bgapi::Address address{};
    bool name_first = true; // false: the first advertising element is a flags element
};

struct BleDongleOptions {
    std::string dev_dir;          // folder where the port is published
    std::string name = "ttySIM1"; // published as <dev_dir>/<name>
    std::string friendly_name;    // "<name>.name"; default names the dongle kind
    BleAdvertiser controller{"Quorvel SIM", {0x00, 0x5E, 0x1D, 0xC4, 0x7B, 0xA2}, true};
    std::vector<BleAdvertiser> others;  // other devices a scan finds
    int interval_us = 0;                // emulated connection interval; 0: no pacing
    int reenumerate_ms = 100;           // time the port is away after a reset
    bool gatt_without_service = false;  // the controller lacks the data service
    bool gatt_without_data = false;     // the service lacks its data characteristic
    bool fault_never_back = false;      // the port does not come back after a reset
    bool fault_unknown_message = false; // a message unknown to the protocol precedes answers
    bool fault_status_update = false;   // a connection-status event (new connection
                                        // parameters) arrives amid each answer
    bool fault_silent = false;          // the dongle answers nothing at all
    int fault_reset_nth = 0;            // the dongle restarts on its own (unplugged, a power
                                        // glitch) on the Nth request frame; 0: never
};

// Other advertisers for a scan: `named` devices with names of their own, optionally one
// whose first advertising element is not its name and one repeating the first device.
std::vector<BleAdvertiser> MakeOtherAdvertisers(int named, bool nameless, bool duplicate);

class BleDongle : public Link {
  public:
    // Gets the request body (target, function, address, count, data) of every complete
    // controller frame and returns the answer body (empty: no answer).
    using RequestHandler = std::function<wire::Bytes(const wire::Bytes& body, AnswerFaults*)>;

    BleDongle(BleDongleOptions options, RequestHandler handler);
    ~BleDongle() override;

    // Called on the dongle's thread whenever a connection ends (disconnect, drop, reset).
    // Set before Start.
    void SetLinkClosedHandler(std::function<void()> closed);

    bool Start(std::string* error) override;
    void Stop() override;
    std::string ReadyText() const override; // "ble=<dev_dir>/<name>"

    std::string PortPath() const;
    // Whether the port is published now (false while re-enumerating).
    bool IsPublished() const;

    struct Counters {
        int resets = 0;
        int connects = 0;
        bgapi::Address last_connect_address{};
        int frames = 0; // controller frames received
        int notifications = 0;
        std::size_t longest_write = 0; // most characters in one write command
        std::string last_request;      // the last complete request line, as received
    };
    Counters Stats() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace sim
