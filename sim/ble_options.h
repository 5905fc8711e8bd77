// Command-line options of the simulator's BLE dongle.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sim/ble_dongle.h"

namespace sim {

struct BleSimOptions {
    std::string name = "ttySIM1"; // empty: no BLE dongle
    double interval_ms = 0;       // emulated connection interval (0: unthrottled)
    std::string device_name;      // advertised by the controller (default: its label)
    bool address_given = false;
    bgapi::Address address{};
    int others = 0;
    bool nameless = false;
    bool duplicate = false;
    bool fault_never_back = false;
    bool fault_unknown_message = false;
    bool fault_silent = false;
    int fault_reset_nth = 0;
};

// Takes the BLE option at args[*i] (and its value, advancing *i). Returns false when
// args[*i] is not a BLE option; sets `error` when it is one with a bad or missing value.
bool ParseBleOption(const std::vector<std::string>& args, std::size_t* i, BleSimOptions* o,
                    std::string* error);
const char* BleUsage();

// The dongle's options for the device folder `dev_dir` and a controller labelled `label`.
BleDongleOptions MakeDongleOptions(const BleSimOptions& o, const std::string& dev_dir,
                                   const std::string& label);

} // namespace sim
