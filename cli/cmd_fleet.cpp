// fleet: one service on every controller of a site. Each controller's work runs in child
// quorvel-cli processes (the core serves one link per process), at most --jobs at a time;
// the results are collected into one summary.
#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <unistd.h>

#include "cli/commands.h"
#include "cli/discovery_lookup.h"
#include "cli/json.h"
#include "cli/questions.h"
#include "fleet/FleetJobs.h"
#include "fleet/ProcessRunner.h"

namespace {

using fleet::Job;
using fleet::Row;

constexpr int kDefaultJobs = 8;
constexpr int kDefaultWaitSeconds = 3;

// The options every fleet command takes, after the command's own arguments.
struct FleetOptions {
    std::string hosts, match, passwordFile;
    std::optional<int> wait;
    discovery::DiscoveryServiceOptions discovery;
    int jobs = kDefaultJobs;
    bool json = false;
    cli::Answering answering = cli::Answering::Ask;
};

// --NAME VALUE, removed from the arguments. False (said) when the option has no value.
bool TakeValue(cli::Context& context, std::string_view name, std::string& value) {
    auto& args = context.args;
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end())
        return true;
    if (it + 1 == args.end()) {
        context.err << name << " needs a value\n";
        return false;
    }
    value = *(it + 1);
    args.erase(it, it + 2);
    return true;
}

bool TakeCount(cli::Context& context, std::string_view name, long long min, long long max,
               std::optional<long long>& value) {
    std::string text;
    if (!TakeValue(context, name, text))
        return false;
    if (text.empty())
        return true;
    long long v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < min || v > max) {
        context.err << name << " needs a number from " << min << " to " << max << "\n";
        return false;
    }
    value = v;
    return true;
}

bool TakeFleetOptions(cli::Context& context, FleetOptions& o) {
    std::string error;
    std::optional<long long> jobs;
    o.json = cli::TakeFlag(context.args, "--json");
    const bool hadWait =
        std::find(context.args.begin(), context.args.end(), "--wait") != context.args.end();
    if (!TakeValue(context, "--hosts", o.hosts) || !TakeValue(context, "--match", o.match) ||
        !TakeValue(context, "--password-from", o.passwordFile) ||
        !TakeCount(context, "--jobs", 1, 64, jobs) ||
        !cli::TakeInterfaces(context.args, o.discovery, context.err))
        return false;
    const std::optional<int> wait =
        cli::TakeWaitSeconds(context.args, context.err, kDefaultWaitSeconds);
    if (!wait)
        return false;
    // Discovery runs when asked for, or when no hosts file names the controllers.
    if (hadWait || o.hosts.empty())
        o.wait = *wait;
    o.jobs = int(jobs.value_or(kDefaultJobs));
    if (!cli::TakeAnswerFlags(context.args, o.answering, error)) {
        context.err << error << "\n";
        return false;
    }
    return true;
}

// The controllers to work on; nothing (said) when they cannot be had.
std::optional<std::vector<fleet::Target>> CollectTargets(cli::Context& context,
                                                         const FleetOptions& o) {
    std::vector<fleet::Target> targets;
    std::string error;
    if (!o.hosts.empty() && !fleet::ReadHostsFile(o.hosts, targets, error)) {
        context.err << error << "\n";
        return std::nullopt;
    }
    if (o.wait) {
        const std::optional<DiscoveryTable> table =
            cli::SearchNetwork(o.discovery, *o.wait, context.err);
        if (!table)
            return std::nullopt;
        fleet::Merge(targets, fleet::TargetsFromTable(*table));
    }
    return fleet::Filter(targets, o.match);
}

std::string ProgramPath() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("quorvel-cli") : self.string();
}

// Ctrl-C reaches the fleet alone (the children run in process groups of their own): the
// handler only wakes the runner, which decides what stops.
int interruptPipe[2] = {-1, -1};

void OnInterrupt(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(interruptPipe[1], &byte, 1);
}

class InterruptGuard {
  public:
    InterruptGuard() {
        if (::pipe2(interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        struct sigaction sa {};
        sa.sa_handler = OnInterrupt;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGINT, &sa, &oldInt_);
        ::sigaction(SIGTERM, &sa, &oldTerm_);
    }
    ~InterruptGuard() {
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
        for (int& fd : interruptPipe) {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

  private:
    struct sigaction oldInt_ {
    }, oldTerm_{};
};

// One progress line per controller as it ends.
class ProgressLines final : public fleet::RunnerEvents {
  public:
    ProgressLines(std::ostream& err, std::size_t total) : err_(err), total_(total) {}
    void Ended(const Job& job) override {
        const Row& r = job.row();
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f s", r.seconds);
        err_ << "[" << ++count_ << "/" << total_ << "] " << r.target.Name() << " ("
             << r.target.Address() << "): " << fleet::ResultName(r.result)
             << (r.message.empty() ? "" : ", " + r.message) << " (" << seconds << ")\n";
    }
    void LettingFinish(const Job& job, const fleet::ChildRun& child) override {
        err_ << job.row().target.Name() << " (" << job.row().target.Address() << "): " << child.what
             << " is under way; it is let finish.\n";
    }

  private:
    std::ostream& err_;
    std::size_t total_;
    std::size_t count_ = 0;
};

struct Collected {
    std::vector<Row> rows; // the jobs that ended, in target order
    bool interrupted = false;
};

Collected RunAll(cli::Context& context, std::vector<std::unique_ptr<Job>>& jobs, int parallel,
                 bool stopAtFailure) {
    InterruptGuard guard;
    fleet::RunnerOptions options{ProgramPath(), parallel, stopAtFailure, interruptPipe[0]};
    ProgressLines progress(context.err, jobs.size());
    fleet::RunOutcome outcome = fleet::RunJobs(jobs, options, progress);
    std::sort(outcome.ended.begin(), outcome.ended.end());
    Collected c;
    c.interrupted = outcome.interrupted;
    for (std::size_t k : outcome.ended)
        c.rows.push_back(jobs[k]->row());
    if (c.interrupted)
        context.err << "Interrupted: " << c.rows.size() << " of " << jobs.size()
                    << " controllers finished; the summary shows those.\n";
    return c;
}

std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

std::string OffsetText(const std::optional<long long>& s) {
    return s ? std::to_string(*s) + " s" : "-";
}

void PrintTable(std::ostream& out, const std::vector<Row>& rows, bool list) {
    std::vector<std::vector<std::string>> cells;
    if (list)
        cells.push_back({"Controller", "Address", "Model", "Software", "Run", "Locked", "Clock",
                         "Last backup", "Result", "Duration", "Message"});
    else
        cells.push_back({"Controller", "Address", "Result", "Duration", "Message"});
    for (const Row& r : rows) {
        std::vector<std::string> line{r.target.Name(), r.target.Address()};
        if (list) {
            const fleet::ControllerState& s = r.state;
            auto yesNo = [](const std::optional<bool>& v, const char* yes, const char* no) {
                return v ? std::string(*v ? yes : no) : std::string("-");
            };
            line.insert(line.end(), {s.model.value_or("-"), s.software.value_or("-"),
                                     yesNo(s.running, "on", "off"), yesNo(s.locked, "yes", "no"),
                                     OffsetText(s.clockOffsetS), s.lastBackup.value_or("-")});
        }
        line.insert(line.end(), {fleet::ResultName(r.result), Seconds(r.seconds), r.message});
        cells.push_back(std::move(line));
    }
    std::vector<std::size_t> width(cells[0].size(), 0);
    for (const auto& line : cells)
        for (std::size_t i = 0; i < line.size(); ++i)
            width[i] = std::max(width[i], line[i].size());
    for (const auto& line : cells) {
        std::string text;
        for (std::size_t i = 0; i < line.size(); ++i) {
            text += line[i];
            if (i + 1 < line.size())
                text += std::string(width[i] - line[i].size() + 2, ' ');
        }
        out << text << "\n";
    }
}

void PrintJson(std::ostream& out, const std::vector<Row>& rows, bool list) {
    cli::JsonWriter j;
    j.BeginArray();
    for (const Row& r : rows) {
        j.BeginObject();
        j.Key("label").String(r.target.label);
        j.Key("address").String(r.target.Address());
        j.Key("result").String(fleet::ResultName(r.result));
        j.Key("message").String(r.message);
        if (list) {
            const fleet::ControllerState& s = r.state;
            auto text = [](cli::JsonWriter& w, const std::string& v) { w.String(v); };
            auto flag = [](cli::JsonWriter& w, bool v) { w.Bool(v); };
            j.Key("model");
            cli::WriteOrNull(j, s.model, text);
            j.Key("software");
            cli::WriteOrNull(j, s.software, text);
            j.Key("run");
            cli::WriteOrNull(j, s.running, flag);
            j.Key("locked");
            cli::WriteOrNull(j, s.locked, flag);
            j.Key("clock_offset_s");
            cli::WriteOrNull(j, s.clockOffsetS, [](cli::JsonWriter& w, long long v) { w.Int(v); });
            j.Key("last_backup");
            cli::WriteOrNull(j, s.lastBackup, text);
        }
        j.EndObject();
    }
    j.EndArray();
    out << j.Text() << "\n";
}

int Report(cli::Context& context, const FleetOptions& o, const Collected& c, bool list) {
    if (o.json)
        PrintJson(context.out, c.rows, list);
    else
        PrintTable(context.out, c.rows, list);
    const bool failed = std::any_of(c.rows.begin(), c.rows.end(),
                                    [](const Row& r) { return r.result == fleet::Result::Failed; });
    return failed || c.interrupted ? cli::kExitFailure : cli::kExitOk;
}

// The options and targets of a fleet command; false with the exit status in `status`.
struct Prepared {
    FleetOptions options;
    std::vector<fleet::Target> targets;
    fleet::JobSettings settings;
};

bool Prepare(cli::Context& context, Prepared& p, int& status) {
    status = cli::kExitUsage;
    if (context.link.kind != cli::LinkKind::None) {
        context.err << "fleet takes no link options: it reaches each controller itself.\n";
        return false;
    }
    if (!TakeFleetOptions(context, p.options))
        return false;
    if (!p.options.passwordFile.empty()) {
        std::string error;
        if (!fleet::ReadPasswordFile(p.options.passwordFile, p.settings.passwords, error)) {
            context.err << error << "\n";
            return false;
        }
    }
    return true;
}

bool FindTargets(cli::Context& context, Prepared& p, int& status) {
    std::optional<std::vector<fleet::Target>> targets = CollectTargets(context, p.options);
    status = cli::kExitFailure;
    if (!targets)
        return false;
    if (targets->empty()) {
        context.err << "No controller to work on.\n";
        return false;
    }
    p.targets = std::move(*targets);
    return true;
}

int RunList(cli::Context& context, Prepared& p) {
    std::vector<std::unique_ptr<Job>> jobs;
    for (const fleet::Target& t : p.targets)
        jobs.push_back(fleet::MakeListJob(t, p.settings));
    return Report(context, p.options, RunAll(context, jobs, p.options.jobs, false), true);
}

int RunBackup(cli::Context& context, Prepared& p, const std::string& folder) {
    // Reading the datalogs stops a running controller: asked once for all (as backup asks,
    // without a terminal they are skipped).
    fleet::Answer answer =
        p.options.answering == cli::Answering::AllYes ? fleet::Answer::Yes : fleet::Answer::No;
    if (p.options.answering == cli::Answering::Ask && cli::StandardInput().IsTerminal()) {
        cli::Questions q(cli::Answering::Ask, cli::StandardInput(), context.err);
        if (q.Ask("Reading the datalogs stops a running controller (it is started again "
                  "afterwards).\nStop the running controllers to back up their datalogs?") ==
            cli::Reply::Yes)
            answer = fleet::Answer::Yes;
    }
    p.settings.answer = answer;
    std::vector<std::unique_ptr<Job>> jobs;
    for (const fleet::Target& t : p.targets)
        jobs.push_back(fleet::MakeBackupJob(t, p.settings, folder));
    return Report(context, p.options, RunAll(context, jobs, p.options.jobs, false), false);
}

int RunClockSet(cli::Context& context, Prepared& p, std::optional<long long> maxOffset) {
    std::vector<std::unique_ptr<Job>> jobs;
    for (const fleet::Target& t : p.targets)
        jobs.push_back(fleet::MakeClockSetJob(t, p.settings, maxOffset));
    return Report(context, p.options, RunAll(context, jobs, p.options.jobs, false), false);
}

// firmware update and program write: every controller checked first (in parallel), then the
// plan, the question, and the changes one controller at a time.
struct ChangeKind {
    const char* noun; // "firmware update"
    std::unique_ptr<Job> (*check)(fleet::Target, const fleet::JobSettings&, std::string);
    std::unique_ptr<Job> (*change)(fleet::Target, const fleet::JobSettings&, std::string);
};

int RunChange(cli::Context& context, Prepared& p, const ChangeKind& kind, const std::string& file,
              bool plan, bool keepGoing) {
    if (!std::ifstream(file)) {
        context.err << "Cannot read " << file << "; no controller was changed.\n";
        return cli::kExitFailure;
    }
    std::vector<std::unique_ptr<Job>> checks;
    for (const fleet::Target& t : p.targets)
        checks.push_back(kind.check(t, p.settings, file));
    Collected checked = RunAll(context, checks, p.options.jobs, false);
    if (checked.interrupted)
        return Report(context, p.options, checked, false);

    std::vector<fleet::Target> fitting;
    for (Row& r : checked.rows) {
        if (r.result == fleet::Result::Done) {
            fitting.push_back(r.target);
            r.message = (plan ? "would do: " : "to do: ") + r.message;
            r.result = fleet::Result::Skipped;
        }
    }
    if (plan || fitting.empty()) {
        if (fitting.empty())
            context.err << "No controller to change: the " << kind.noun << " fits none.\n";
        return Report(context, p.options, checked, false);
    }
    context.err << "Plan:\n";
    for (const Row& r : checked.rows)
        context.err << "  " << r.target.Name() << " (" << r.target.Address() << "): " << r.message
                    << "\n";
    cli::Questions q(p.options.answering, cli::StandardInput(), context.err);
    const cli::Reply reply = q.Ask("Run the " + std::string(kind.noun) + " on " +
                                   std::to_string(fitting.size()) + " controllers, one at a time?");
    if (reply == cli::Reply::Unanswered)
        return cli::kExitUsage;
    if (reply == cli::Reply::No) {
        context.err << "Cancelled; no controller was changed.\n";
        return cli::kExitFailure;
    }
    p.settings.answer = fleet::Answer::Yes;
    std::vector<std::unique_ptr<Job>> changes;
    for (const fleet::Target& t : fitting)
        changes.push_back(kind.change(t, p.settings, file));
    Collected changed = RunAll(context, changes, 1, !keepGoing);

    // The rows: each controller changed, or why not.
    Collected all;
    all.interrupted = changed.interrupted;
    for (Row& r : checked.rows) {
        if (r.result != fleet::Result::Skipped || r.message.rfind("to do: ", 0) != 0) {
            all.rows.push_back(r);
            continue;
        }
        auto done = std::find_if(changed.rows.begin(), changed.rows.end(), [&](const Row& c) {
            return c.target.Address() == r.target.Address();
        });
        if (done != changed.rows.end()) {
            all.rows.push_back(*done);
        } else if (!changed.interrupted) {
            r.message = "not attempted: an earlier controller failed (--keep-going goes on)";
            all.rows.push_back(r);
        }
    }
    return Report(context, p.options, all, false);
}

const ChangeKind kFirmwareChange{"firmware update", fleet::MakeFirmwareCheckJob,
                                 fleet::MakeFirmwareUpdateJob};
const ChangeKind kProgramChange{"program write", fleet::MakeProgramCheckJob,
                                fleet::MakeProgramWriteJob};

// The command's own words before the fleet options: "list", "backup FOLDER", ...
int RunFleet(cli::Context& context) {
    auto& args = context.args;
    if (args.empty()) {
        context.err << "fleet needs a command: list, backup, clock set, firmware update or "
                       "program write.\n";
        return cli::kExitUsage;
    }
    const std::string what = args[0];
    args.erase(args.begin());
    const bool plan = cli::TakeFlag(args, "--plan");
    const bool keepGoing = cli::TakeFlag(args, "--keep-going");
    const bool now = cli::TakeFlag(args, "--now");
    std::optional<long long> maxOffset;
    if (!TakeCount(context, "--max-offset", 0, 1LL << 31, maxOffset))
        return cli::kExitUsage;
    Prepared p;
    int status = cli::kExitUsage;
    if (!Prepare(context, p, status))
        return status;
    // What is left: the command's words and its one file or folder.
    auto take = [&](const char* word) {
        if (args.empty() || args[0] != word)
            return false;
        args.erase(args.begin());
        return true;
    };
    std::string operand;
    auto takeOperand = [&](const char* missing) {
        if (args.empty() || args[0].rfind("--", 0) == 0) {
            context.err << missing << "\n";
            return false;
        }
        operand = args[0];
        args.erase(args.begin());
        return true;
    };
    bool ok = false;
    enum { List, Backup, Clock, Firmware, Program } kind = List;
    if (what == "list") {
        ok = true;
    } else if (what == "backup") {
        kind = Backup;
        ok = takeOperand("fleet backup needs the folder to save into.");
        std::error_code ec;
        if (ok && !std::filesystem::is_directory(operand, ec)) {
            context.err << "The target folder " << operand << " does not exist.\n";
            return cli::kExitUsage;
        }
    } else if (what == "clock") {
        kind = Clock;
        ok = take("set") && now;
        if (!ok)
            context.err << "Give fleet clock set --now [--max-offset SECONDS].\n";
    } else if (what == "firmware") {
        kind = Firmware;
        ok = take("update") && takeOperand("fleet firmware update needs the package FILE.");
    } else if (what == "program") {
        kind = Program;
        ok = take("write") && takeOperand("fleet program write needs the program FILE.");
    } else {
        context.err << "Unknown fleet command: " << what << "\n";
    }
    if (!ok || !cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    if ((plan || keepGoing) && kind != Firmware && kind != Program) {
        context.err << "--plan and --keep-going go with firmware update and program write.\n";
        return cli::kExitUsage;
    }
    if (maxOffset && kind != Clock) {
        context.err << "--max-offset goes with clock set.\n";
        return cli::kExitUsage;
    }
    if (!FindTargets(context, p, status))
        return status;
    switch (kind) {
    case List:
        return RunList(context, p);
    case Backup:
        return RunBackup(context, p, operand);
    case Clock:
        return RunClockSet(context, p, maxOffset);
    case Firmware:
        return RunChange(context, p, kFirmwareChange, operand, plan, keepGoing);
    case Program:
        break;
    }
    return RunChange(context, p, kProgramChange, operand, plan, keepGoing);
}

const cli::Command kFleet{
    "fleet",
    "fleet (list | backup FOLDER | clock set --now [--max-offset S] | firmware update PACKAGE | "
    "program write FILE) [FLEET OPTIONS]",
    "Run one service on every controller of a site",
    "Each controller is reached over Ethernet by a child quorvel-cli of its own, at most\n"
    "--jobs at a time. One progress line per controller goes to standard error, and a summary\n"
    "table (controller, address, result, duration, message) to standard output.\n"
    "  list                    label, address, model, software, run and lock state, clock\n"
    "                          offset from this PC, last backup\n"
    "  backup FOLDER           the backup of each controller into FOLDER, one dated folder each\n"
    "  clock set --now         each clock set to this PC's time; with --max-offset SECONDS only\n"
    "                          those off by more\n"
    "  firmware update PACKAGE, program write FILE\n"
    "                          every controller checked first; only those the package or file\n"
    "                          fits are changed, one at a time, stopping at the first failure\n"
    "                          unless --keep-going; --plan prints what would be done and\n"
    "                          changes nothing\n"
    "Fleet options:\n"
    "  --hosts FILE            controllers from FILE: one HOST[:PORT] [LABEL] a line, # comments\n"
    "  --wait SECONDS, --iface NAMES\n"
    "                          controllers that answer discovery (as discover); the default\n"
    "                          without --hosts\n"
    "  --match PATTERN         only the controllers whose label, code8 or address matches the\n"
    "                          shell-style PATTERN\n"
    "  --jobs N                at most N controllers at a time (default 8)\n"
    "  --password-from FILE    LABEL PASSWORD lines for remote-locked controllers (the file\n"
    "                          must be readable by you only); a locked controller without one\n"
    "                          is skipped\n"
    "  --yes, --no             the answer to the questions (asked once for all otherwise)\n"
    "  --json                  one JSON array instead of the table: label, address, result\n"
    "                          (done, failed, skipped), message; for list also model,\n"
    "                          software, run, locked, clock_offset_s, last_backup\n"
    "Ctrl-C stops the controllers that are only read and lets a write or firmware update\n"
    "finish; the summary shows what finished, and no partial backup is left.\n"
    "Exit status: 0 when every controller succeeded, 1 when any failed, 2 for usage.\n",
    false,
    RunFleet};
const cli::RegisterCommand kRegisterFleet(kFleet);

} // namespace
