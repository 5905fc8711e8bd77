// clock get and clock set: the controller's clock and drift correction, as the date and time
// dialog reads and writes them.
#include <charconv>
#include <ostream>

#include "cli/access_check.h"
#include "cli/clock_text.h"
#include "cli/commands.h"
#include "services/DateTime.h"

namespace {

constexpr const char* kUsage =
    "Usage: quorvel-cli LINK OPTIONS clock get [--json]\n"
    "       quorvel-cli LINK OPTIONS clock set (--now | YYYY-MM-DD HH:MM:SS) [--drift N]\n";

int Usage(cli::Context& context) {
    context.err << kUsage;
    return cli::kExitUsage;
}

// The value after `option`, removed from the arguments with it. False when the option is
// there without a value.
bool TakeValue(std::vector<std::string>& args, std::string_view option,
               std::optional<std::string>& value) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != option)
            continue;
        if (i + 1 >= args.size())
            return false;
        value = args[i + 1];
        args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
        return true;
    }
    return true;
}

bool ParseDrift(const std::string& text, long& drift) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, drift);
    if (ec == std::errc::result_out_of_range && ptr == end) {
        drift = text[0] == '-' ? services::kMinDrift - 1 : services::kMaxDrift + 1;
        return true;
    }
    return ec == std::errc() && ptr == end;
}

int RunGet(cli::Context& context) {
    bool json = cli::TakeFlag(context.args, "--json");
    if (!cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    if (!cli::ServiceAllowed(context, false))
        return cli::kExitFailure;
    services::ClockReading reading = services::ReadClock(comm::ComClientLink());
    if (reading.notice.kind != services::NoticeKind::Information) {
        context.err << reading.notice.text << "\n";
        return cli::kExitFailure;
    }
    context.out << (json ? cli::ClockJson(*reading.time, *reading.drift)
                         : cli::ClockText(*reading.time, *reading.drift));
    return cli::kExitOk;
}

int RunSet(cli::Context& context) {
    bool now = cli::TakeFlag(context.args, "--now");
    std::optional<std::string> driftText;
    if (!TakeValue(context.args, "--drift", driftText))
        return Usage(context);
    long drift = 0;
    if (driftText && !ParseDrift(*driftText, drift))
        return Usage(context);
    services::ClockTime time;
    if (now) {
        if (!cli::NoArgumentsLeft(context))
            return cli::kExitUsage;
        time = services::LocalTimeNow();
    } else {
        if (context.args.size() != 2)
            return Usage(context);
        std::optional<services::ClockTime> typed =
            cli::ParseClock(context.args[0], context.args[1]);
        if (!typed)
            return Usage(context);
        time = *typed;
    }
    // Refused before anything is read or written.
    if (std::optional<std::string> refusal = cli::ClockRefusal(time, driftText ? int(drift) : 0)) {
        context.err << *refusal << "\n";
        return cli::kExitFailure;
    }
    if (!cli::ServiceAllowed(context, false))
        return cli::kExitFailure;
    comm::IControllerLink& link = comm::ComClientLink();
    if (!driftText) {
        // The drift is written with the clock: keep the one the controller has.
        std::uint8_t current = 0;
        if (link.Read(&current, services::kDriftAddress, 1, link.LinkTimeoutMs()) != 0) {
            context.err << services::kTextReadFailed << "\n";
            return cli::kExitFailure;
        }
        drift = std::int8_t(current);
    }
    services::Notice notice = services::WriteClock(link, time, int(drift));
    if (notice.kind != services::NoticeKind::Information) {
        context.err << notice.text << "\n";
        return cli::kExitFailure;
    }
    // A confirmation, not a result: standard output stays empty.
    context.err << notice.text << "\n";
    return cli::kExitOk;
}

int RunClock(cli::Context& context) {
    if (context.args.empty())
        return Usage(context);
    const std::string verb = context.args[0];
    context.args.erase(context.args.begin());
    if (verb == "get")
        return RunGet(context);
    if (verb == "set")
        return RunSet(context);
    return Usage(context);
}

const cli::Command kClock{
    "clock",
    "clock get [--json] | clock set (--now | YYYY-MM-DD HH:MM:SS) [--drift N]",
    "Read or set the controller's clock and its drift correction",
    "get prints \"YYYY-MM-DD HH:MM:SS drift N\"; --json prints {\"date\": \"2026-12-08\",\n"
    "\"time\": \"06:55:00\", \"drift\": -3}. A clock that does not read as a real date gives\n"
    "\"Error time consistency\", a failed read \"Failed to read time\" (exit 1).\n"
    "set writes the date and time given, or the PC's local time with --now, and the drift\n"
    "correction N (-59 to 59; without --drift the controller's own is kept). A time or drift\n"
    "out of range is refused with the program's message before anything is written (exit 1).\n"
    "Says \"Successful writing\" on standard error, or \"Failed to write time\" with exit status\n"
    "1; standard output stays empty.\n",
    true,
    RunClock};
const cli::RegisterCommand kRegisterClock(kClock);

} // namespace
