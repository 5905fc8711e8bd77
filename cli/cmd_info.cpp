// identity, config and status: what the diagnostics pages show, read live from the controller.
#include <array>
#include <ostream>
#include <string>

#include "cli/access_check.h"
#include "cli/clock_text.h"
#include "cli/commands.h"
#include "cli/config_report.h"
#include "cli/expansion_query.h"
#include "cli/identity_report.h"
#include "cli/json.h"
#include "cli/messages.h"
#include "cli/session.h"
#include "cli/state_word.h"
#include "comm/SharedTexts.h"
#include "model/ControllerMemory.h"
#include "model/LoaderState.h"
#include "services/DateTime.h"
#include "services/RemotePassword.h"

namespace {

// Takes --json and refuses anything else.
bool JsonOnlyArgs(cli::Context& context, bool& json) {
    json = cli::TakeFlag(context.args, "--json");
    return cli::NoArgumentsLeft(context);
}

int NotReacting(cli::Context& context) {
    context.err << texts::kNotReacting << "\n";
    return cli::kExitFailure;
}

// Reads a report of the connected controller with `read(reader, family, report)` (0 when
// read) and prints it as text, or as JSON with --json.
template <typename Report, typename ReadFn>
int PrintReport(cli::Context& context, ReadFn read, std::string (*text)(const Report&),
                std::string (*json)(const Report&)) {
    bool asJson = false;
    if (!JsonOnlyArgs(context, asJson))
        return cli::kExitUsage;
    comm::IControllerLink& reader = comm::ComClientLink();
    int family = 0;
    if (cli::ReadConnectedFamily(reader, family) != 0)
        return NotReacting(context);
    // The family is readable on a locked controller; the rest needs the password first.
    if (!cli::CheckAccess(context))
        return cli::kExitFailure;
    Report report;
    if (read(reader, family, report) != 0)
        return NotReacting(context);
    context.out << (asJson ? json(report) : text(report));
    return cli::kExitOk;
}

int RunIdentity(cli::Context& context) {
    auto read = [](comm::IControllerLink& reader, int family, cli::IdentityReport& report) {
        int r = cli::ReadIdentityReport(reader, family, report);
        if (r != 0)
            return r;
        cli::CompleteExpansionBoots(report, reader);
        const std::optional<std::uint32_t> word = model::ReadStateWord(reader);
        report.noFirmware = word && model::IsLoaderOnlyState(*word);
        return 0;
    };
    return PrintReport(context, read, cli::IdentityText, cli::IdentityJson);
}

int RunConfig(cli::Context& context) {
    return PrintReport(context, cli::ReadConfigReport, cli::ConfigText, cli::ConfigJson);
}

int RunStatus(cli::Context& context) {
    bool json = false;
    if (!JsonOnlyArgs(context, json))
        return cli::kExitUsage;
    comm::IControllerLink& reader = comm::ComClientLink();
    std::array<std::uint8_t, 4> run{};
    if (reader.Read(run.data(), model::kRunStateAddress, 4, reader.LinkTimeoutMs()) != 0)
        return NotReacting(context);
    cli::StatusReport status;
    status.running = (run[3] & 1) != 0;
    status.stateWord = model::ReadStateWord(reader);
    context.out << (json ? cli::StatusJson(status) : cli::StatusText(status));
    return cli::kExitOk;
}

// What a site overview needs of one controller, in one run: the run and lock state, then
// (past the access check) the model, software and clock. Printed with what could be read.
int RunOverview(cli::Context& context) {
    bool json = false;
    if (!JsonOnlyArgs(context, json))
        return cli::kExitUsage;
    comm::IControllerLink& reader = comm::ComClientLink();
    std::array<std::uint8_t, 4> run{};
    int family = 0;
    if (cli::ReadConnectedFamily(reader, family) != 0 ||
        reader.Read(run.data(), model::kRunStateAddress, 4, reader.LinkTimeoutMs()) != 0)
        return NotReacting(context);
    std::optional<bool> locked;
    if (const std::optional<services::LockState> lock = services::ReadLockState(reader))
        locked = lock->active;
    const bool allowed = cli::CheckAccess(context);
    cli::IdentityReport identity;
    const bool identityRead = allowed && cli::ReadIdentityReport(reader, family, identity) == 0;
    std::optional<services::ClockReading> clock;
    if (allowed)
        clock = services::ReadClock(comm::ComClientLink());
    const bool clockRead =
        clock && clock->time && clock->notice.kind == services::NoticeKind::Information;

    cli::JsonWriter j;
    auto text = [&j](const char* key, bool known, const std::string& value) {
        j.Key(key);
        if (known)
            j.String(value);
        else
            j.Null();
    };
    j.BeginObject();
    j.Key("running").Bool((run[3] & 1) != 0);
    j.Key("locked");
    cli::WriteOrNull(j, locked, [](cli::JsonWriter& w, bool v) { w.Bool(v); });
    text("type", identityRead, identity.type);
    text("code8", identityRead, identity.code8);
    text("software", identityRead, identity.software);
    text("date", clockRead, clockRead ? cli::DateOf(*clock->time) : "");
    text("time", clockRead, clockRead ? cli::TimeOf(*clock->time) : "");
    j.EndObject();
    if (json) {
        context.out << j.Text() << "\n";
    } else {
        context.out << "Controller status: " << ((run[3] & 1) != 0 ? "On" : "Off") << "\n";
        if (locked)
            context.out << "Remote lock: " << (*locked ? "locked" : "unlocked") << "\n";
        if (identityRead)
            context.out << "Type: " << identity.type << "\nCode8: " << identity.code8
                        << "\nSoftware: " << identity.software << "\n";
        if (clockRead)
            context.out << "Clock: " << cli::DateOf(*clock->time) << " "
                        << cli::TimeOf(*clock->time) << "\n";
    }
    if (!allowed)
        return cli::kExitFailure;
    if (!identityRead || !clockRead)
        return NotReacting(context);
    return cli::kExitOk;
}

const cli::Command kOverview{
    "overview",
    "overview [--json]",
    "Show the run and lock state, the model, software and clock in one run",
    "Reads the run state and the remote lock state, then (after the password of a\n"
    "remote-locked controller, see unlock) the identity and the clock, and prints what it\n"
    "could read; the exit status is 1 when a part could not be read.\n"
    "--json prints one object with the keys: running, locked, type, code8, software, date\n"
    "(YYYY-MM-DD), time (HH:MM:SS); a part not read is null.\n",
    true,
    RunOverview};
const cli::RegisterCommand kRegisterOverview(kOverview);

const cli::Command kIdentity{
    "identity",
    "identity [--json]",
    "Show the controller's identity record",
    "Shows the type, code8, model index and family, the hardware, boot, bootloader and\n"
    "software versions (V.I.R, with the communication module's after \" / \"), the I/O\n"
    "counts, the XT1 and XT2 expansions and the capabilities. An expansion whose boot version\n"
    "reads 0.00.00 is asked for it through the controller, as the diagnostics do.\n"
    "A remote-locked controller is asked for its password first (see unlock).\n"
    "--json prints one object with the keys: type, code8, model, family, family_name,\n"
    "hardware, boot, bootloader, software, digital_inputs, analog_inputs, relay_outputs,\n"
    "pwm_outputs, expansions (a list of {name, code8, hardware, boot, bootloader, software}),\n"
    "module ({boot, bootloader, software, imei} or null), communicating, gprs, tcpip.\n",
    true,
    RunIdentity};

const cli::Command kConfig{
    "config",
    "config [--json]",
    "Show the loaded application and the network settings",
    "Shows the application fields as the diagnostics show them (\"Unknown\" when the\n"
    "controller holds no program), the memory used against the memory available, and the\n"
    "TCP/IP settings of TCP/IP models or the GPRS state of GPRS models.\n"
    "A remote-locked controller is asked for its password first (see unlock).\n"
    "--json prints one object with the keys: program_present, label, project, version,\n"
    "author, tool_version, param_menu_access, watchdog, cycle, password, checksum,\n"
    "program_file, memory (parameters, digital, other, program, slots: each {used,\n"
    "available}; used is null without a program), network ({ip_address, subnet_mask,\n"
    "gateway, reserved_address, server_timeout, addressing: \"dynamic\" or \"static\"} or\n"
    "null), gprs ({active_plmn, power, imei, msisdn} or null).\n",
    true,
    RunConfig};

const cli::Command kStatus{
    "status",
    "status [--json]",
    "Show the run state and the state word",
    "Shows the run state (On or Off), the error code and the state word.\n"
    "--json prints one object with the keys: running, state_word (null when it could not be\n"
    "read), error_code.\n",
    true,
    RunStatus};

const cli::RegisterCommand kRegisterIdentity(kIdentity);
const cli::RegisterCommand kRegisterConfig(kConfig);
const cli::RegisterCommand kRegisterStatus(kStatus);

} // namespace
