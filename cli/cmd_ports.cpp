// ports: the serial port list as the connection dialogs show it.
#include <ostream>

#include "cli/commands.h"
#include "cli/json.h"
#include "comm/PortEnumeration.h"

namespace {

int RunPorts(cli::Context& context) {
    bool json = cli::TakeFlag(context.args, "--json");
    if (!cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    const std::vector<std::string>& entries = comm::EnumeratePorts();
    if (json) {
        cli::JsonWriter j;
        j.BeginArray();
        for (const std::string& entry : entries)
            j.String(entry);
        j.EndArray();
        context.out << j.Text() << "\n";
    } else {
        for (const std::string& entry : entries)
            context.out << entry << "\n";
    }
    return cli::kExitOk;
}

const cli::Command kPorts{
    "ports",
    "ports [--json]",
    "List the serial ports, marking controller cables and BLE dongles",
    "Lists the serial ports of the device folder, one a line. A controller's USB cable is\n"
    "followed by \" (USB)\", a BLE dongle by \" (BLE)\"; without any port the single entry is\n"
    "\"No Active Ports Found\". --json prints the entries as one JSON array of strings.\n",
    false,
    RunPorts};
const cli::RegisterCommand kRegisterPorts(kPorts);

} // namespace
