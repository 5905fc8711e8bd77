// Command line of quorvel-sim.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/controller_options.h"

namespace sim {

struct SimOptions {
    ControllerOptions controller;
    std::string dev_dir = "/tmp/quorvel-dev";
    std::string usb_name = "ttySIM0"; // empty: no USB link
    int tcp_port = 42424;             // 0: a free port; -1: no TCP link
    std::string bind = "127.0.0.1";
    int baud = 0;     // 0: unthrottled
    int eth_rate = 0; // Ethernet bytes per second; 0: unthrottled
    std::string state_file;
    std::string log_file;
    std::string datalog_file;        // prepared datalog memory (read by main into the controller)
    int discovery_port = 0;          // 0: discovery off
    std::string discovery_notify_to; // NOTIFY destination (default: 255.255.255.255)
    int notify_period_s = 5;         // well inside the 15 s after which the PC hides a line
    bool help = false;
};

// Options of further links (the BLE dongle) get the first look at each argument: true when
// args[*i] was theirs (with *i advanced past its value), `error` set when its value is bad.
using ExtraOptionParser =
    std::function<bool(const std::vector<std::string>& args, std::size_t* i, std::string* error)>;

// Parses argv; false with `error` set on an unknown option or a bad value.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* out, std::string* error,
                     const ExtraOptionParser& extra = {});
const char* SimUsage();

} // namespace sim
