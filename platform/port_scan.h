// The serial devices of the device folder, as the port enumeration sees them: the names of
// the ports present (ttyS*, ttyUSB*, ttyACM* and any port the simulator publishes with a
// "<name>.name" file beside it) and, where known, each port's friendly name.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct SerialPortInfo {
    std::string name;         // device name inside the device folder, e.g. "ttyACM0"
    std::string friendlyName; // "<manufacturer> <product> (<name>)", empty when unknown
};

// Ports of the device folder, ordered by name with numbers compared as numbers
// (ttyACM2 before ttyACM10).
std::vector<SerialPortInfo> ScanSerialPorts();

// Orders two device names as ScanSerialPorts does.
bool PortNameLess(const std::string& a, const std::string& b);

} // namespace platform
