#include "fleet/FleetJobs.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>

#include "firmware/CTransfertWriteFW.h"
#include "firmware/FirmwarePackage.h"
#include "fleet/ChildJson.h"
#include "history/HistoryDb.h"
#include "history/HistoryRecord.h"
#include "platform/local_time.h"
#include "program/ProgramFile.h"
#include "program/ProgramImage.h"
#include "services/RemotePassword.h"
#include "transfer/TransferMessages.h"

namespace fleet {

namespace fs = std::filesystem;

const char* ResultName(Result result) {
    switch (result) {
    case Result::Done:
        return "done";
    case Result::Skipped:
        return "skipped";
    case Result::Failed:
        break;
    }
    return "failed";
}

std::string FailureMessage(const ChildResult& result) {
    std::istringstream lines(result.err);
    std::string line, last;
    while (std::getline(lines, line))
        if (line.find_first_not_of(" \t\r") != std::string::npos)
            last = line;
    if (!last.empty())
        return last;
    return result.exitCode < 0 ? "stopped" : "exit status " + std::to_string(result.exitCode);
}

bool EndedLocked(const ChildResult& result) {
    return result.exitCode != 0 && result.err.find(services::kTextProtected) != std::string::npos;
}

std::string PasswordBook::For(const Target& target) const {
    auto it = byLabel.find(target.label);
    return it == byLabel.end() ? std::string() : it->second;
}

bool ParsePasswordText(std::string_view text, PasswordBook& book, std::string& error) {
    std::size_t lineNumber = 0;
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        const std::size_t gap = line.find_first_of(" \t", start);
        const std::size_t password =
            gap == std::string::npos ? gap : line.find_first_not_of(" \t", gap);
        if (password == std::string::npos) {
            error = "line " + std::to_string(lineNumber) + " has no password";
            return false;
        }
        book.byLabel[line.substr(start, gap - start)] = line.substr(password);
    }
    return true;
}

bool ReadPasswordFile(const std::string& path, PasswordBook& book, std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = "cannot read the password file " + path;
        return false;
    }
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        error = "the password file " + path +
                " may be read by others: make it readable by you only (chmod 600)";
        return false;
    }
    std::ifstream in(path);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf())) {
        error = "cannot read the password file " + path;
        return false;
    }
    if (!ParsePasswordText(text.str(), book, error)) {
        error = path + ", " + error;
        return false;
    }
    return true;
}

std::optional<std::string> LastBackupOf(const Target& target) {
    // Read only for the list: the history's own warnings have no place in it.
    const history::HistoryDb db(history::HistoryPath(), [](const std::string&) {});
    if (!db.Readable())
        return std::nullopt;
    // By link address first: two controllers may share a label, and many a code8.
    const std::string host = target.port == kDefaultTcpPort ? target.host : std::string();
    for (const std::string& key : {target.Address(), host, target.label}) {
        if (key.empty())
            continue;
        if (std::optional<history::Record> last = db.LastBackup(key))
            return history::IsoLocal(last->started);
    }
    return std::nullopt;
}

std::optional<long long> ClockOffset(const std::string& date, const std::string& time,
                                     const std::tm& now) {
    std::tm t{};
    char tail = 0;
    if (std::sscanf(date.c_str(), "%d-%d-%d%c", &t.tm_year, &t.tm_mon, &t.tm_mday, &tail) != 3 ||
        std::sscanf(time.c_str(), "%d:%d:%d%c", &t.tm_hour, &t.tm_min, &t.tm_sec, &tail) != 3)
        return std::nullopt;
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    std::tm pc = now;
    return static_cast<long long>(::timegm(&t)) - static_cast<long long>(::timegm(&pc));
}

namespace {

const char* AnswerFlag(Answer answer) {
    return answer == Answer::No ? "--no" : "--yes";
}

// A job whose children run in turn; each step's handler says whether the job goes on.
class StepJob : public Job {
  public:
    StepJob(Target target, const JobSettings& settings)
        : Job(std::move(target)), password_(settings.passwords.For(row_.target)) {}

    std::optional<ChildRun> Next() override {
        if (ended_ || !current_)
            return std::nullopt;
        return current_;
    }

  protected:
    // The next child: `command` on this controller's link.
    void Run(std::vector<std::string> command, bool changes = false, std::string what = {}) {
        ChildRun child;
        child.args = {"--eth", row_.target.Address()};
        child.args.insert(child.args.end(), command.begin(), command.end());
        if (!password_.empty())
            child.input = password_ + "\n";
        child.changesController = changes;
        child.what = std::move(what);
        current_ = std::move(child);
    }
    // The message on one line: a child's message may span several.
    void End(Result result, std::string message) {
        row_.result = result;
        std::replace(message.begin(), message.end(), '\n', ' ');
        row_.message = std::move(message);
        ended_ = true;
    }
    // A child that failed ends the job: a locked controller without a password is skipped,
    // anything else failed. True when the child succeeded.
    bool Succeeded(const ChildResult& result) {
        if (result.exitCode == 0)
            return true;
        if (EndedLocked(result) && password_.empty())
            End(Result::Skipped, std::string(services::kTextProtected) +
                                     " Skipped: no password for it in --password-from.");
        else
            End(Result::Failed, FailureMessage(result));
        return false;
    }
    // The child's JSON object; the job fails when there is none.
    std::optional<ChildJson> JsonOf(const ChildResult& result) {
        std::optional<ChildJson> json = ChildJson::Parse(result.out);
        if (!json)
            End(Result::Failed, "unexpected answer from quorvel-cli: " + result.out);
        return json;
    }
    bool HasPassword() const { return !password_.empty(); }

  private:
    std::string password_;
    std::optional<ChildRun> current_;
    bool ended_ = false;
};

class ListJob final : public StepJob {
  public:
    ListJob(Target target, const JobSettings& settings) : StepJob(std::move(target), settings) {
        row_.state.lastBackup = LastBackupOf(row_.target);
        Run({"overview", "--json"});
    }
    void Finished(const ChildResult& result) override {
        // What was read is kept, also from a locked controller that was skipped.
        if (std::optional<ChildJson> json = ChildJson::Parse(result.out)) {
            ControllerState& s = row_.state;
            s.running = json->Flag("running");
            s.locked = json->Flag("locked");
            s.model = json->Text("type");
            s.software = json->Text("software");
            if (auto date = json->Text("date"), time = json->Text("time"); date && time)
                s.clockOffsetS = ClockOffset(*date, *time, platform::LocalNow());
        }
        if (Succeeded(result))
            End(Result::Done, "");
    }
};

class BackupJob final : public StepJob {
  public:
    BackupJob(Target target, const JobSettings& settings, std::string folder)
        : StepJob(std::move(target), settings), folder_(std::move(folder)),
          answer_(settings.answer) {}
    ~BackupJob() override { RemoveStaging(); }

    // The staging folder is made when the backup starts, not while it waits its turn.
    std::optional<ChildRun> Next() override {
        if (!prepared_) {
            prepared_ = true;
            std::string pattern = (fs::path(folder_) / ".fleet-backup-XXXXXX").string();
            if (::mkdtemp(pattern.data()) == nullptr) {
                End(Result::Failed, "cannot create a folder in " + folder_);
                return std::nullopt;
            }
            staging_ = pattern;
            Run({"backup", staging_, AnswerFlag(answer_)});
        }
        return StepJob::Next();
    }

    void Finished(const ChildResult& result) override {
        // A backup with a part that failed still keeps the parts saved, as backup does.
        std::string made = result.out;
        while (!made.empty() && (made.back() == '\n' || made.back() == '/'))
            made.pop_back();
        std::string moved;
        if (!made.empty() && fs::path(made).parent_path() == fs::path(staging_)) {
            std::string error;
            moved = MoveUp(made, error);
            if (moved.empty()) {
                RemoveStaging();
                return End(Result::Failed, error);
            }
        }
        RemoveStaging();
        if (!Succeeded(result))
            return;
        End(Result::Done, moved);
    }
    void Stopped() override { RemoveStaging(); }

  private:
    // Moves the dated folder into the fleet's folder, under its own name or, when taken, with
    // -2, -3... appended. Its new path, or empty with the reason.
    std::string MoveUp(const std::string& made, std::string& error) {
        const std::string name = fs::path(made).filename().string();
        for (int n = 1; n < 1000; ++n) {
            const fs::path to =
                fs::path(folder_) / (n == 1 ? name : name + "-" + std::to_string(n));
            std::error_code ec;
            if (fs::exists(to, ec))
                continue;
            fs::rename(made, to, ec);
            if (!ec)
                return to.string();
            error = "cannot move the backup into " + folder_ + ": " + ec.message();
            return {};
        }
        error = "no free folder name for " + name + " in " + folder_;
        return {};
    }
    void RemoveStaging() {
        if (staging_.empty())
            return;
        std::error_code ec;
        fs::remove_all(staging_, ec);
        staging_.clear();
    }

    std::string folder_, staging_;
    Answer answer_;
    bool prepared_ = false;
};

class ClockSetJob final : public StepJob {
  public:
    ClockSetJob(Target target, const JobSettings& settings, std::optional<long long> maxOffsetS)
        : StepJob(std::move(target), settings), maxOffsetS_(maxOffsetS) {
        if (maxOffsetS_)
            Run({"clock", "get", "--json"});
        else
            Set();
    }
    void Finished(const ChildResult& result) override {
        if (!Succeeded(result))
            return;
        if (setting_)
            return End(Result::Done, "clock set to this PC's time");
        std::optional<ChildJson> json = JsonOf(result);
        if (!json)
            return;
        auto date = json->Text("date"), time = json->Text("time");
        const std::optional<long long> offset =
            date && time ? ClockOffset(*date, *time, platform::LocalNow()) : std::nullopt;
        if (offset) {
            row_.state.clockOffsetS = offset;
            if (*offset <= *maxOffsetS_ && *offset >= -*maxOffsetS_)
                return End(Result::Skipped, "off by " + std::to_string(*offset) + " s, within " +
                                                std::to_string(*maxOffsetS_) + " s: left alone");
        }
        Set();
    }

  private:
    void Set() {
        setting_ = true;
        Run({"clock", "set", "--now"}, true, "a clock setting");
    }

    std::optional<long long> maxOffsetS_;
    bool setting_ = false;
};

// Reads the identity, then judges it with `check` (empty: it fits; else why not).
class CheckJob final : public StepJob {
  public:
    using Check = std::function<Result(const ChildJson& identity, std::string& message)>;
    CheckJob(Target target, const JobSettings& settings, Check check)
        : StepJob(std::move(target), settings), check_(std::move(check)) {
        Run({"identity", "--json"});
    }
    void Finished(const ChildResult& result) override {
        if (!Succeeded(result))
            return;
        std::optional<ChildJson> json = JsonOf(result);
        if (!json)
            return;
        row_.state.model = json->Text("type");
        row_.state.software = json->Text("software");
        std::string message;
        const Result verdict = check_(*json, message);
        End(verdict, message);
    }

  private:
    Check check_;
};

class ChangeJob final : public StepJob {
  public:
    ChangeJob(Target target, const JobSettings& settings, std::vector<std::string> command,
              std::string what, std::string doneText)
        : StepJob(std::move(target), settings), doneText_(std::move(doneText)) {
        Run(std::move(command), true, std::move(what));
    }
    void Finished(const ChildResult& result) override {
        if (!Succeeded(result))
            return;
        const std::string said = result.out.substr(0, result.out.find('\n'));
        End(Result::Done, said.empty() ? doneText_ : doneText_ + ": " + said);
    }

  private:
    std::string doneText_;
};

Result CheckPackage(const std::string& package, const ChildJson& identity, std::string& message) {
    const int modelIndex = int(identity.Number("model").value_or(255));
    const transfer::fw::FirmwarePackage p =
        transfer::fw::ReadFirmwarePackageFile(package, modelIndex);
    if (!p.ok()) {
        message = std::string(transfer::PackageAlertText(p.error)) + " (" + p.detail + ")";
        return Result::Skipped;
    }
    message = "firmware " + identity.Text("software").value_or("?") + " -> " +
              (p.header.firmwareVir.empty() ? package : p.header.firmwareVir);
    return Result::Done;
}

Result CheckProgram(const std::string& file, const ChildJson& identity, std::string& message) {
    std::vector<std::string> lines;
    transfer::ProgramImage image;
    if (transfer::ReadAllLines(file, lines) != transfer::ReadResult::Ok ||
        transfer::ParseProgramImage(lines, false, image) != transfer::ImageError::None) {
        message = transfer::msg::kWrongFormat;
        return Result::Failed;
    }
    model::IdentitySummary summary;
    summary.code8 = identity.Text("code8").value_or("");
    summary.software = identity.Text("software").value_or("");
    const std::vector<ChildJson> expansions = identity.Objects("expansions");
    if (!expansions.empty())
        summary.xt1Code8 = expansions[0].Text("code8").value_or("");
    if (expansions.size() > 1)
        summary.xt2Code8 = expansions[1].Text("code8").value_or("");
    if (!transfer::FirmwareCompatible(image.firmwareLine, summary.software) ||
        !transfer::CodesCompatible(image.codeLines, summary)) {
        message = transfer::msg::kNotCompatible;
        return Result::Skipped;
    }
    message = "program " + fs::path(file).filename().string();
    return Result::Done;
}

} // namespace

std::unique_ptr<Job> MakeListJob(Target target, const JobSettings& settings) {
    return std::make_unique<ListJob>(std::move(target), settings);
}

std::unique_ptr<Job> MakeBackupJob(Target target, const JobSettings& settings, std::string folder) {
    return std::make_unique<BackupJob>(std::move(target), settings, std::move(folder));
}

std::unique_ptr<Job> MakeClockSetJob(Target target, const JobSettings& settings,
                                     std::optional<long long> maxOffsetS) {
    return std::make_unique<ClockSetJob>(std::move(target), settings, maxOffsetS);
}

std::unique_ptr<Job> MakeFirmwareCheckJob(Target target, const JobSettings& settings,
                                          std::string package) {
    return std::make_unique<CheckJob>(
        std::move(target), settings,
        [package = std::move(package)](const ChildJson& identity, std::string& message) {
            return CheckPackage(package, identity, message);
        });
}

std::unique_ptr<Job> MakeProgramCheckJob(Target target, const JobSettings& settings,
                                         std::string file) {
    return std::make_unique<CheckJob>(
        std::move(target), settings,
        [file = std::move(file)](const ChildJson& identity, std::string& message) {
            return CheckProgram(file, identity, message);
        });
}

std::unique_ptr<Job> MakeFirmwareUpdateJob(Target target, const JobSettings& settings,
                                           std::string package) {
    return std::make_unique<ChangeJob>(
        std::move(target), settings,
        std::vector<std::string>{"firmware", "update", package, "--yes"}, "a firmware update",
        "firmware updated");
}

std::unique_ptr<Job> MakeProgramWriteJob(Target target, const JobSettings& settings,
                                         std::string file) {
    return std::make_unique<ChangeJob>(
        std::move(target), settings,
        std::vector<std::string>{"program", "write", file, AnswerFlag(settings.answer)},
        "a program write", "program written");
}

} // namespace fleet
