// What the two Ethernet dialogs show and decide, without any widget: the discovery list (the
// rows, their aging, the duplicate warnings, the label column's width, the chosen
// controller) and the add-controller form (modes, custom ports, the attempt). The Qt classes
// in ui/ only copy these into controls and back.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "discovery/CDiscoveryTableHolder.h"
#include "discovery/DiscoveryRows.h"
#include "discovery/DiscoveryStore.h"
#include "discovery/DiscoveryWait.h"

namespace discovery {

inline constexpr const char* kTextNoController = "No kz9 controller found on the net.";
inline constexpr const char* kTextSameLabel =
    "Warning, at least 2 controllers share the same label\n";
inline constexpr const char* kTextSameIp = "Warning, at least 2 controllers share the same IP\n";
inline constexpr const char* kTextRemoveQuestion =
    "Do you really want to remove this controler from the list?";
inline constexpr const char* kTextFailed = "FAILED!";
inline constexpr const char* kTextDnsFailed = "The host name could not be resolved in DNS";
inline constexpr const char* kTextBadPort = "A port is a number from 1 to 65535";

inline constexpr std::uint16_t kDefaultTcpPort = 42424;
inline constexpr int kDisplayMaxAgeSeconds = 15;
inline constexpr int kLabelWidthWide = 162;
inline constexpr int kLabelWidthNarrow = 145; // leaves room for the vertical scroll bar
inline constexpr int kRowsForScrollBar = 15;

// What outlives the dialogs for the whole process.
struct EthernetMemory {
    std::string lastLabel;
    std::string lastClockMark;
    std::map<std::uint32_t, std::uint16_t> tcpPorts; // address (first octet MSB) -> TCP port
};
EthernetMemory& ProcessEthernetMemory();

// One list row as the columns show it: label ("&" doubled), mark, address, peer, manual.
struct ShownRow {
    std::string label;
    std::string clockRef;
    std::string address;
    std::string peer;
    std::string manual;
    bool operator==(const ShownRow&) const = default;
};

struct ChosenController {
    std::string label; // as the controller names itself (single "&")
    std::string clockRef;
    std::string peer;
    std::uint32_t addressMsb = 0; // for the address control
    std::uint32_t host = 0;       // for the link
};

enum class StatusKind { None, NoController, Warnings };

class EthernetDiscoveryLogic {
  public:
    EthernetDiscoveryLogic(CDiscoveryTableHolder& holder, SecondsClock clock)
        : holder_(holder), clock_(std::move(clock)) {}

    // One idle pass: takes the next publication. False when none was waiting (nothing
    // changes); true when one was taken, whether or not the rows changed.
    bool Refresh();

    const std::vector<ShownRow>& Rows() const { return rows_; }
    bool RowsChanged() const { return rowsChanged_; }
    int LabelColumnWidth() const;
    StatusKind Status() const { return status_; }
    std::string StatusText() const;
    bool StatusChanged() const { return statusChanged_; }

    // Choosing a row (click, double click, "Select", OK): false when its address does not
    // parse, and the choice is left as it was.
    bool Choose(int row);
    const std::optional<ChosenController>& Chosen() const { return chosen_; }
    bool OkEnabled() const { return okEnabled_; }
    // Preloads the choice shown at opening from the current Ethernet link.
    void Preload(std::uint32_t host, const std::string& label, const std::string& clockRef);
    bool ChosenLabelChanged() const { return chosenLabelChanged_; }

    // The context menu: "Select" for a row with an address, "Remove" too for a manual row.
    bool CanSelect(int row) const;
    bool CanRemove(int row) const;
    // Asks the service to remove the row's controller, named by the row's own address (the
    // rows skip aged lines, so a row number is not a table line number).
    bool Remove(int row);

    // OK: the TCP port recorded for the chosen address, or 42424.
    std::uint16_t ChosenTcpPort(const EthernetMemory& memory) const;
    // The peer name sent with the link: the first 14 characters of the peer text.
    std::string ChosenPeerName() const;

  private:
    CDiscoveryTableHolder& holder_;
    SecondsClock clock_;
    std::vector<ShownRow> rows_;
    bool rowsChanged_ = false;
    StatusKind status_ = StatusKind::NoController;
    std::string statusText_ = kTextNoController;
    bool statusChanged_ = false;
    std::optional<ChosenController> chosen_;
    bool okEnabled_ = false;
    bool chosenLabelChanged_ = false;
};

// The add-controller form.
class AddPlcLogic {
  public:
    bool IpMode() const { return ipMode_; }
    void SetIpMode(bool ip) { ipMode_ = ip; }
    bool AddressEnabled() const { return ipMode_; }
    bool HostNameEnabled() const { return !ipMode_; }

    bool CustomPorts() const { return customPorts_; }
    // Unticking puts both ports back to their defaults.
    void SetCustomPorts(bool on);
    bool PortsEnabled() const { return customPorts_; }
    std::string tcpPortText = "42424";
    std::string discoveryPortText = "35007";

    std::uint32_t addressMsb = 0; // the address control
    std::string hostName;         // the URL edit

    struct Target {
        std::uint32_t addressMsb = 0;
        bool dnsFailed = false; // the name did not resolve: 255.255.255.255 is tried
    };
    // In IP mode the address control; in URL mode the resolved name.
    Target AddressToTry() const;
    std::optional<std::uint16_t> TcpPort() const;
    std::optional<std::uint16_t> DiscoveryPort() const;

    // Test and OK: the add-controller attempt (WaitForController).
    static bool Attempt(IDiscoveryClient& client, std::uint32_t addressMsb, std::uint16_t port,
                        const WaitClock& clock = SteadyWaitClock());
    // OK after a success: the TCP port is remembered for the address.
    static void RememberTcpPort(EthernetMemory& memory, std::uint32_t addressMsb,
                                std::uint16_t tcpPort);

  private:
    bool ipMode_ = true;
    bool customPorts_ = false;
};

std::optional<std::uint16_t> ParsePort(const std::string& text);

} // namespace discovery
