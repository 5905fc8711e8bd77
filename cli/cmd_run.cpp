// start and stop: the controller commands of the command menu, with its checks.
#include <array>
#include <ostream>

#include "cli/access_check.h"
#include "cli/commands.h"
#include "cli/messages.h"
#include "comm/CComClient.h"
#include "comm/SharedTexts.h"
#include "model/ControllerMemory.h"

namespace {

int CommunicationFailed(cli::Context& context) {
    context.err << texts::kCommunicationFailed << "\n";
    return cli::kExitFailure;
}

int RunStop(cli::Context& context) {
    if (!cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    comm::IControllerLink& reader = comm::ComClientLink();
    if (!cli::ServiceAllowed(context, false))
        return cli::kExitFailure;
    if (CComClient::Instance().SendCommand(model::kCommandStop, 0, reader.LinkTimeoutMs()) != 0)
        return CommunicationFailed(context);
    context.out << texts::kSwitchedOff << "\n";
    return cli::kExitOk;
}

int RunStart(cli::Context& context) {
    bool reset = cli::TakeFlag(context.args, "--reset");
    if (!cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    comm::IControllerLink& reader = comm::ComClientLink();
    if (!cli::ServiceAllowed(context, false))
        return cli::kExitFailure;
    if (CComClient::Instance().SendCommand(reset ? model::kCommandStartReset : model::kCommandStart,
                                           0, reader.LinkTimeoutMs()) != 0)
        return CommunicationFailed(context);
    std::array<std::uint8_t, 4> run{};
    if (reader.Read(run.data(), model::kRunStateAddress, 4, reader.LinkTimeoutMs()) != 0)
        return CommunicationFailed(context);
    if ((run[3] & 1) == 0) {
        context.err << texts::kNoRunMode << "\n";
        return cli::kExitFailure;
    }
    context.out << texts::kSwitchedOn << "\n";
    return cli::kExitOk;
}

const cli::Command kStop{"stop",
                         "stop",
                         "Stop the controller",
                         "Prints \"Controller successfully switched off.\" on success.\n",
                         true,
                         RunStop};
const cli::Command kStart{
    "start",
    "start [--reset]",
    "Start the controller (--reset: with reset of saved values)",
    "Starts the controller and checks that it runs: \"Controller successfully switched on.\",\n"
    "or \"The target responds but it can't enable run mode.\" with exit status 1 (for\n"
    "example when it holds no program). --reset also resets the saved values.\n",
    true,
    RunStart};
const cli::RegisterCommand kRegisterStop(kStop);
const cli::RegisterCommand kRegisterStart(kStart);

} // namespace
