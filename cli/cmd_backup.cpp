// backup FOLDER: the identity, the configuration, the program and the datalogs of the
// controller, saved together into a new folder named after the controller and the time.
#include <ctime>
#include <filesystem>
#include <ostream>
#include <string>

#include "cli/backup.h"
#include "cli/commands.h"
#include "cli/config_report.h"
#include "cli/controller_checks.h"
#include "cli/expansion_query.h"
#include "cli/identity_report.h"
#include "cli/messages.h"
#include "cli/progress.h"
#include "cli/questions.h"
#include "cli/session.h"
#include "cli/transfer_run.h"
#include "comm/CComClient.h"
#include "platform/line_input.h"
#include "transfer/DatalogSetup.h"
#include "transfer/ProgramTransfers.h"

namespace {

using cli::backup::Outcome;
using cli::backup::PartResult;

constexpr std::uint8_t kCmdStart = 2;
constexpr std::uint32_t kRunStateAddress = 0x4000;

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

class ComClientRunControl final : public cli::backup::IRunControl {
  public:
    explicit ComClientRunControl(model::IControllerReader& reader) : reader_(reader) {}
    int ReadRunning(bool& running) override {
        std::uint8_t run[4] = {};
        int rc = reader_.Read(run, kRunStateAddress, 4, reader_.LinkTimeoutMs());
        running = (run[3] & 1) != 0;
        return rc;
    }
    int Start() override {
        return CComClient::Instance().SendCommand(kCmdStart, 0, reader_.LinkTimeoutMs());
    }

  private:
    model::IControllerReader& reader_;
};

// A part whose content was read before the folder existed: written as one file.
cli::backup::Part JsonPart(const std::string& name, bool read, std::string text) {
    return {name, [name, read, text = std::move(text)](const std::string& folder) -> PartResult {
                if (!read)
                    return {Outcome::Failed, cli::msg::kNotReacting};
                std::string error;
                if (!cli::backup::WriteTextFile(folder + name + ".json", text, error))
                    return {Outcome::Failed, error};
                return {Outcome::Saved, {}};
            }};
}

// Everything the backup needs while it runs.
struct BackupRun {
    cli::Context& context;
    model::IControllerReader& reader;
    int family;
    cli::Questions& questions;
    bool terminal;
    // Why the controller refuses the services (empty when it grants them).
    std::string refusal;
};

PartResult SaveProgram(BackupRun& run, const std::string& folder) {
    if (!run.refusal.empty())
        return {Outcome::Failed, run.refusal};
    std::unique_ptr<transfer::CTransfertReadApp> job = transfer::MakeProgramRead(folder);
    // The transfer's own alert, if any, is already on standard error.
    if (!cli::RunTransfer(*job, run.context.err, run.questions, run.terminal))
        return {Outcome::Failed, "the program could not be read."};
    return {Outcome::Saved, {}};
}

// The datalogs as the datalogs read command writes them. Reading them needs a stopped
// controller: the datalog read asks whether to stop a running one (--yes, --no, the terminal),
// and the backup starts it again afterwards.
PartResult ReadDatalogs(BackupRun& run, const std::string& folder) {
    transfer::ITransferLink& link = transfer::ComClientLink();
    cli::ProgressLine progress(run.context.err, run.terminal);
    cli::CliTransferUi ui(run.context.err, progress, run.questions);
    // Alerts (no datalogs, no answer) are printed by `ui` as they come.
    const transfer::DatalogDialogState state =
        transfer::OpenDatalogDialog(link, run.family, folder, ui);
    if (!state.keepOpen)
        return {Outcome::Saved, {}}; // a model without datalogs: nothing to save
    if (!state.reachable || !state.config)
        return {Outcome::Failed, "the datalog settings could not be read."};
    transfer::DatalogSource source;
    switch (transfer::CheckDatalogRead(link, ui, source)) {
    case transfer::DatalogReadCheck::kReady:
        break;
    case transfer::DatalogReadCheck::kNoDatalogs:
        return {Outcome::Saved, {}};
    case transfer::DatalogReadCheck::kDeclined:
        return {Outcome::Skipped, "skipped: the controller is running (--yes stops it to read "
                                  "them and starts it again)."};
    case transfer::DatalogReadCheck::kFailed:
        return {Outcome::Failed, "the datalogs could not be read."};
    }
    std::unique_ptr<transfer::CTransfertReadDatalogBase> job =
        transfer::MakeDatalogTransfer(source, state, link);
    const bool finished = cli::RunTransfer(*job, run.context.err, run.questions, run.terminal);
    if (!finished || !transfer::AllGenerated(job->Outcomes()))
        return {Outcome::Failed, "the datalogs could not be read."};
    return {Outcome::Saved, {}};
}

PartResult SaveDatalogs(BackupRun& run, const std::string& folder) {
    if (!run.refusal.empty())
        return {Outcome::Failed, run.refusal};
    if (!cli::SoftwareCapable(run.reader, run.family))
        return {Outcome::Failed, cli::msg::kMustUpdate};
    ComClientRunControl control(run.reader);
    return cli::backup::RestartedAfterwards(control, [&] { return ReadDatalogs(run, folder); });
}

std::string ServiceRefusal(model::IControllerReader& reader) {
    std::string message;
    if (cli::AccessAllowed(reader, message))
        return {};
    return message.empty() ? cli::msg::kPasswordProtected : message;
}

int RunBackup(cli::Context& context) {
    cli::Answering answering = cli::Answering::Ask;
    std::string error;
    if (!cli::TakeAnswerFlags(context.args, answering, error)) {
        context.err << error << "\n";
        return cli::kExitUsage;
    }
    if (context.args.empty()) {
        context.err << "backup needs the folder to save into.\n";
        return cli::kExitUsage;
    }
    const std::string parent = context.args.front();
    context.args.erase(context.args.begin());
    if (!cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    std::error_code ec;
    if (!std::filesystem::is_directory(parent, ec)) {
        context.err << "The folder " << parent << " does not exist.\n";
        return cli::kExitUsage;
    }

    model::IControllerReader& reader = model::ComClientReader();
    int family = 0;
    if (!cli::ConnectedFamilyOrSay(reader, family, context.err))
        return cli::kExitFailure;
    cli::IdentityReport identity;
    const bool identityRead = cli::ReadIdentityReport(reader, family, identity) == 0;
    if (identityRead)
        cli::CompleteExpansionBoots(identity, reader, cli::ComClientExpansionLink());
    cli::ConfigReport config;
    const bool configRead = cli::ReadConfigReport(reader, family, config) == 0;
    const std::string name = configRead && config.label != cli::msg::kUnknown ? config.label
                             : identityRead                                   ? identity.code8
                                                                              : std::string();
    const std::string folder =
        cli::backup::CreateNewFolder(parent, cli::backup::FolderName(name, LocalNow()), error);
    if (folder.empty()) {
        context.err << error << "\n";
        return cli::kExitFailure;
    }

    cli::Questions questions(answering, cli::StandardInput(), context.err);
    BackupRun run{
        context, reader, family, questions, platform::StderrIsTerminal(), ServiceRefusal(reader)};
    const std::vector<cli::backup::Part> parts{
        JsonPart("identity", identityRead, identityRead ? cli::IdentityJson(identity) : ""),
        JsonPart("config", configRead, configRead ? cli::ConfigJson(config) : ""),
        {"program", [&run](const std::string& f) { return SaveProgram(run, f); }},
        {"datalogs", [&run](const std::string& f) { return SaveDatalogs(run, f); }},
    };
    const int status = cli::backup::SaveParts(parts, folder, context.err);
    // A folder left empty (every part failed) is no backup: it goes.
    if (std::filesystem::is_empty(folder, ec) && std::filesystem::remove(folder, ec))
        return cli::kExitFailure;
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
