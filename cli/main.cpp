// quorvel-cli: the controller services for technicians and scripts, on the same communication
// core as the program. Usage: quorvel-cli [LINK OPTIONS] COMMAND [ARGUMENTS]
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_link.h"
#include "cli/commands.h"
#include "cli/discovery_lookup.h"
#include "cli/history_recording.h"
#include "cli/interrupt.h"
#include "cli/messages.h"
#include "cli/session.h"
#include "comm/ProcessState.h"
#include "comm/TrafficLog.h"
#include "platform/console_output.h"
#include "transfer/TransferClock.h"

const char* const cli::kLinkHelp =
    "Link options (before the command):\n"
    "  --usb PORT                      the controller's USB serial port (e.g. ttyACM0)\n"
    "  --ble DONGLE_PORT --address AA:BB:CC:DD:EE:FF\n"
    "                                  a BLE controller through the dongle on DONGLE_PORT\n"
    "  --eth HOST[:PORT]               an Ethernet controller (TCP port 42424 by default);\n"
    "                                  HOST may be a controller label, found by discovery\n"
    "  --verbose                       show the diagnostic lines of the communication core\n"
    "  --traffic-log FILE              add one line per request made to the controller to FILE\n"
    "                                  (time, link, kind, address, size, result, duration)\n"
    "  --history FILE                  the service history to record into and read (default:\n"
    "                                  $QUORVEL_HISTORY, else history.sqlite3 in the data folder)\n"
    "Ports are device names in the device folder ($QUORVEL_DEV_DIR, or /dev).\n"
    "Each request waits at most 6000 ms over USB, 40000 ms over BLE, 10000 ms over Ethernet.\n";

namespace {

using cli::kLinkHelp;

void PrintToolHelp(std::ostream& out) {
    out << "Usage: quorvel-cli [LINK OPTIONS] COMMAND [ARGUMENTS]\n"
           "       quorvel-cli COMMAND --help\n"
           "       quorvel-cli --version\n\n"
        << kLinkHelp << "\nCommands:\n";
    std::vector<const cli::Command*> commands = cli::Commands();
    std::sort(commands.begin(), commands.end(), [](const cli::Command* a, const cli::Command* b) {
        return std::string_view(a->name) < b->name;
    });
    // Synopses longer than the column get their summary on the next line.
    constexpr std::size_t kColumn = 28;
    for (const cli::Command* c : commands) {
        std::string synopsis = c->synopsis;
        if (synopsis.size() > kColumn)
            synopsis += "\n" + std::string(kColumn + 2, ' ');
        else
            synopsis.resize(kColumn, ' ');
        out << "  " << synopsis << "  " << c->summary << "\n";
    }
    out << "\nExit status: 0 on success, 1 when the controller does not answer or refuses,\n"
           "2 for a usage error; messages go to standard error.\n";
}

void PrintCommandHelp(const cli::Command& command, std::ostream& out) {
    out << "Usage: quorvel-cli" << (command.needsLink ? " LINK OPTIONS " : " ") << command.synopsis
        << "\n\n"
        << command.summary << "\n";
    if (command.help[0] != '\0')
        out << "\n" << command.help;
    if (command.needsLink)
        out << "\n" << kLinkHelp;
}

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

int RunHelpCommand(const std::vector<std::string>& args, std::ostream& out) {
    if (args.size() < 2) {
        PrintToolHelp(out);
        return cli::kExitOk;
    }
    const cli::Command* command = cli::FindCommand(args[1]);
    if (command == nullptr) {
        std::cerr << "Unknown command: " << args[1] << "; see quorvel-cli --help.\n";
        return cli::kExitUsage;
    }
    PrintCommandHelp(*command, out);
    return cli::kExitOk;
}

int Run(std::vector<std::string> args, std::ostream& out) {
    if (!args.empty() && args[0] == "--version") {
        out << "quorvel-cli " << QUORVEL_VERSION << "\n";
        return cli::kExitOk;
    }
    if (args.empty() || IsHelp(args[0])) {
        PrintToolHelp(args.empty() ? std::cerr : out);
        return args.empty() ? cli::kExitUsage : cli::kExitOk;
    }
    cli::Context context{{}, {}, out, std::cerr, {}, nullptr};
    std::string error;
    if (!cli::ParseLinkOptions(args, context.link, error)) {
        std::cerr << error << "\n";
        return cli::kExitUsage;
    }
    // The core's diagnostic lines go to standard error only when asked for.
    if (!context.link.verbose)
        platform::DropDivertedOutput();
    if (args.empty()) {
        std::cerr << "No command given; see quorvel-cli --help.\n";
        return cli::kExitUsage;
    }
    if (args[0] == "help")
        return RunHelpCommand(args, out);
    if (IsHelp(args[0])) { // link options, then --help
        PrintToolHelp(out);
        return cli::kExitOk;
    }
    const cli::Command* command = cli::FindCommand(args[0]);
    if (command == nullptr) {
        std::cerr << "Unknown command: " << args[0] << "; see quorvel-cli --help.\n";
        return cli::kExitUsage;
    }
    context.args.assign(args.begin() + 1, args.end());
    context.operation = cli::RecordedOperation(command->name, context.args);
    if (std::any_of(context.args.begin(), context.args.end(), IsHelp)) {
        PrintCommandHelp(*command, out);
        return cli::kExitOk;
    }
    if (!command->needsLink)
        return command->run(context);
    return cli::RunOnLink(context, command->run);
}

} // namespace

namespace cli {

int RunOnLink(Context& context, const std::function<int(Context&)>& run) {
    if (context.link.kind == LinkKind::None) {
        std::cerr << "No link chosen: give --usb, --ble or --eth before the command.\n";
        return kExitUsage;
    }
    std::string error;
    if (!context.link.label.empty() && !ResolveEthernetLabel(context.link, error)) {
        std::cerr << error << "\n";
        return kExitFailure;
    }
    InstallInterruptHandlers();
    int status = kExitFailure;
    {
        LinkSession session;
        if (!session.Open(context.link, error)) {
            std::cerr << error << "\n";
            return kExitFailure;
        }
        // Each operation that changes the controller or takes data from it is one row of the
        // service history.
        std::optional<OperationRecording> recording;
        if (!context.operation.empty())
            recording.emplace(context, context.operation);
        status = run(context);
        if (recording)
            recording->Finish(status);
        // On a link that never opened, the program's message is followed by its cause.
        if (status == kExitFailure && !IsLinkOpen()) {
            std::string cause = LinkOpenCause(context.link);
            if (!cause.empty())
                std::cerr << cause << "\n";
        }
    }
    // A traffic log that could not be written makes the run fail, the log's cause named.
    if (const std::string failure = trafficlog::Failure(); !failure.empty()) {
        std::cerr << failure << "\n";
        if (status == kExitOk)
            status = kExitFailure;
    }
    return status;
}

} // namespace cli

int main(int argc, char** argv) {
    // The core server prints its diagnostic lines on standard output: they go to standard
    // error with --verbose and nowhere otherwise, so that standard output carries only the
    // results (and stays valid JSON).
    std::ostream& out = platform::DivertStandardOutput();
    // The end-to-end tests shorten every wait of seconds; a run that does so always says it,
    // so that a stray value never cuts the waits of a real update unnoticed.
    const std::unique_ptr<transfer::ITransferClock> scaled =
        transfer::ClockOfWaitScale(std::getenv("QUORVEL_WAIT_SCALE"));
    if (scaled) {
        transfer::SetDefaultTransferClock(scaled.get());
        std::cerr << cli::msg::kWaitsShortened << "\n";
    }
    int status = Run(std::vector<std::string>(argv + 1, argv + argc), out);
    out.flush();
    transfer::SetDefaultTransferClock(nullptr);
    return status;
}
