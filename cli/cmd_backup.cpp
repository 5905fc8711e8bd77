// backup FOLDER: the identity, the configuration, the program and the datalogs of the
// controller, saved together into a new folder named after the controller and the time.
#include <ctime>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>

#include "cli/access_check.h"
#include "cli/backup.h"
#include "cli/commands.h"
#include "cli/config_report.h"
#include "cli/controller_checks.h"
#include "cli/datalog_read.h"
#include "cli/expansion_query.h"
#include "cli/history_recording.h"
#include "cli/identity_report.h"
#include "cli/messages.h"
#include "cli/program_read.h"
#include "cli/progress.h"
#include "cli/questions.h"
#include "cli/session.h"
#include "cli/transfer_run.h"
#include "comm/CComClient.h"
#include "comm/SharedTexts.h"
#include "model/ControllerMemory.h"
#include "platform/line_input.h"
#include "platform/local_time.h"

namespace {

using cli::backup::Outcome;
using cli::backup::PartResult;

class ComClientRunControl final : public cli::backup::IRunControl {
  public:
    explicit ComClientRunControl(comm::IControllerLink& reader) : reader_(reader) {}
    int ReadRunning(bool& running) override {
        std::uint8_t run[4] = {};
        int rc = reader_.Read(run, model::kRunStateAddress, 4, reader_.LinkTimeoutMs());
        running = (run[3] & 1) != 0;
        return rc;
    }
    int Start() override {
        return CComClient::Instance().SendCommand(model::kCommandStart, 0, reader_.LinkTimeoutMs());
    }

  private:
    comm::IControllerLink& reader_;
};

// A part whose content was read before the folder existed: written as one file.
cli::backup::Part JsonPart(const std::string& name, bool read, std::string text) {
    return {name, [name, read, text = std::move(text)](const std::string& folder) -> PartResult {
                if (!read)
                    return {Outcome::Failed, texts::kNotReacting};
                std::string error;
                if (!cli::backup::WriteTextFile(folder + name + ".json", text, error))
                    return {Outcome::Failed, error};
                return {Outcome::Saved, {}};
            }};
}

// Everything the backup needs while it runs.
struct BackupRun {
    cli::Context& context;
    comm::IControllerLink& reader;
    int family;
    cli::Answering answering;
    // Whether the controller's software offers the program and datalog services.
    bool capable;
};

// Said for a part whose reason is already on standard error.
constexpr const char* kSeeAbove = "not saved (see the message above).";

PartResult SaveProgram(BackupRun& run, const std::string& folder) {
    std::string path;
    if (cli::ReadProgramInto(run.context, run.answering, folder, path) != cli::kExitOk)
        return {Outcome::Failed, kSeeAbove};
    // An empty program area is nothing to save, not a failure of the backup.
    if (path.empty())
        return {Outcome::Empty, "no program in the controller"};
    return {Outcome::Saved, {}};
}

// The datalogs as datalogs read writes them. The datalog read asks whether to stop a running
// controller (--yes, --no, the terminal); the backup starts it again afterwards.
PartResult SaveDatalogs(BackupRun& run, const std::string& folder) {
    if (!run.capable)
        return {Outcome::Failed, texts::kUpdateSoftware};
    cli::Questions questions(run.answering, cli::StandardInput(), run.context.err);
    cli::ProgressLine progress(run.context.err, platform::StderrIsTerminal());
    cli::CliTransferUi ui(run.context.err, progress, questions);
    ComClientRunControl control(run.reader);
    return cli::backup::RestartedAfterwards(control, [&]() -> PartResult {
        // Standard output carries the backup's folder alone: the files are not listed.
        std::ostringstream written;
        switch (cli::ReadDatalogsInto(folder, run.family, ui, progress, written)) {
        case cli::DatalogReadEnd::kWritten:
        case cli::DatalogReadEnd::kNothingToRead:
            return {Outcome::Saved, {}};
        case cli::DatalogReadEnd::kDeclined:
            return {Outcome::Skipped, "skipped: the controller is running (--yes stops it to "
                                      "read them and starts it again)."};
        case cli::DatalogReadEnd::kFailed:
            break;
        }
        return {Outcome::Failed, kSeeAbove};
    });
}

int RunBackup(cli::Context& context) {
    cli::Answering answering = cli::Answering::Ask;
    std::string error;
    if (!cli::TakeAnswerFlags(context.args, answering, error)) {
        context.err << error << "\n";
        return cli::kExitUsage;
    }
    std::string parent;
    if (!cli::TakeExistingFolder(context, "backup needs the folder to save into.", parent))
        return cli::kExitUsage;

    comm::IControllerLink& reader = comm::ComClientLink();
    int family = 0;
    if (!cli::ConnectedFamilyOrSay(reader, family, context.err))
        return cli::kExitFailure;
    // The menu's checks: a locked controller is asked for its password first; old software
    // has no access check, and no program or datalog service.
    const bool capable = cli::SoftwareCapable(reader, family);
    if (capable && !cli::CheckAccess(context))
        return cli::kExitFailure;
    cli::IdentityReport identity;
    const bool identityRead = cli::ReadIdentityReport(reader, family, identity) == 0;
    if (identityRead)
        cli::CompleteExpansionBoots(identity, reader);
    cli::ConfigReport config;
    const bool configRead = cli::ReadConfigReport(reader, family, config) == 0;
    const std::string name = configRead && config.label != cli::msg::kUnknown ? config.label
                             : identityRead                                   ? identity.code8
                                                                              : std::string();
    const std::string folder = cli::backup::CreateNewFolder(
        parent, cli::backup::FolderName(name, platform::LocalNow()), error);
    if (folder.empty()) {
        context.err << error << "\n";
        return cli::kExitFailure;
    }

    BackupRun run{context, reader, family, answering, capable};
    const std::vector<cli::backup::Part> parts{
        JsonPart("identity", identityRead, identityRead ? cli::IdentityJson(identity) : ""),
        JsonPart("config", configRead, configRead ? cli::ConfigJson(config) : ""),
        {"program", [&run](const std::string& f) { return SaveProgram(run, f); }},
        {"datalogs", [&run](const std::string& f) { return SaveDatalogs(run, f); }},
    };
    const int status = cli::backup::SaveParts(parts, folder, context.err);
    // A folder left empty (every part failed) is no backup: it goes.
    std::error_code ec;
    if (std::filesystem::is_empty(folder, ec) && std::filesystem::remove(folder, ec))
        return cli::kExitFailure;
    cli::NoteFolderFiles(context, folder);
    context.out << folder << "\n";
    return status;
}

const cli::Command kBackup{
    "backup",
    "backup FOLDER [--yes|--no]",
    "Save identity, configuration, program and datalogs into a new folder",
    "Creates the new folder FOLDER/<label or code8>_<YYYYMMDD-HHMMSS>/ (FOLDER must exist)\n"
    "and saves into it identity.json and config.json (as identity --json and config --json\n"
    "print them), the program as a .vqap file and the datalogs as CSV files, then prints the\n"
    "folder's path. A part that cannot be saved is named on standard error with the reason,\n"
    "and the others are still saved: the exit status is then 1.\n"
    "Reading the datalogs needs a stopped controller: a running one is stopped, and started\n"
    "again afterwards, only with --yes (or yes on the terminal); with --no, or without a\n"
    "terminal to ask, the datalogs are skipped and that is said.\n",
    true,
    RunBackup};
const cli::RegisterCommand kRegisterBackup(kBackup);

} // namespace
