// firmware update and firmware list: the firmware update of the command menu, and the
// packages that fit the connected controller.
#include <ostream>

#include "cli/access_check.h"
#include "cli/commands.h"
#include "cli/history_recording.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/messages.h"
#include "cli/program_keep.h"
#include "cli/questions.h"
#include "cli/session.h"
#include "cli/transfer_run.h"
#include "comm/SharedTexts.h"
#include "firmware/FirmwareFolders.h"
#include "firmware/FirmwareMessages.h"
#include "firmware/FirmwareUpdate.h"
#include "model/ModelTable.h"
#include "platform/line_input.h"
#include "platform/program_folder.h"

namespace {

namespace fw = transfer::fw;

// The model index of the connected controller; prints why not and returns false.
bool ConnectedModel(cli::Context& context, comm::IControllerLink& reader, int& modelIndex) {
    if (model::ReadBootModel(modelIndex, reader) != 0) {
        context.err << texts::kNotReacting << "\n";
        return false;
    }
    return true;
}

int RunUpdate(cli::Context& context) {
    cli::Answering answering = cli::Answering::Ask;
    std::string error;
    if (!cli::TakeAnswerFlags(context.args, answering, error)) {
        context.err << error << "\n";
        return cli::kExitUsage;
    }
    const bool keep = cli::TakeKeepFlag(context.args);
    if (context.args.empty()) {
        context.err << "firmware update needs the package FILE.\n";
        return cli::kExitUsage;
    }
    const std::string path = context.args.front();
    context.args.erase(context.args.begin());
    if (!cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    cli::NoteFile(context, path);

    comm::IControllerLink& reader = comm::ComClientLink();
    int modelIndex = model::kUnknownModel;
    // As the menu: old software (and a controller in its loader) is updated without the
    // access check; a remote-locked controller is asked for its password.
    if (!cli::ServiceAllowed(context, false) || !ConnectedModel(context, reader, modelIndex))
        return cli::kExitFailure;
    // The package is checked whole before the question, and again by the transfer.
    const fw::FirmwarePackage package = fw::ReadFirmwarePackageFile(path, modelIndex);
    if (!package.ok()) {
        context.err << transfer::PackageAlertText(package.error) << "\n(" << package.detail
                    << ")\n";
        return cli::kExitFailure;
    }
    cli::Questions questions(answering, cli::StandardInput(), context.err);
    const cli::Reply reply = questions.Ask(
        "The program of the controller will be deleted and its firmware replaced by " +
        (package.header.firmwareVir.empty() ? path : package.header.firmwareVir) +
        ".\nDo you want to update the firmware?");
    if (reply == cli::Reply::Unanswered)
        return cli::kExitUsage;
    if (reply == cli::Reply::No) {
        context.err << "Firmware update cancelled; the controller was not changed.\n";
        return cli::kExitFailure;
    }

    cli::ProgressLine progress(context.err, platform::StderrIsTerminal());
    cli::CliTransferUi ui(context.err, progress, questions);
    // The update erases the program: a copy is kept first, once the package is known good.
    if (keep) {
        const int rc =
            cli::KeepProgramFirst(context, comm::ComClientLink(), questions, ui, progress, false);
        if (rc == cli::kExitFailure)
            context.err << "Firmware update cancelled; the controller was not changed.\n";
        if (rc != cli::kExitOk)
            return rc;
    }
    // Until the controller runs a firmware again, Ctrl-C does not stop the update at once.
    cli::WriteGuard guard(cli::WriteKind::kFirmware);
    auto update = transfer::CreateFirmwareTransfer(cli::ConnectionKindOf(context.link.kind), path);
    if (!update || !cli::RunTransfer(*update, ui, progress))
        return cli::kExitFailure;
    context.err << transfer::msg::kFwComplete << "\n";
    // Back on the same link, port, address or Bluetooth device, as the core keeps them.
    transfer::CTransfertReconnect reconnect;
    if (!cli::RunTransfer(reconnect, ui, progress))
        return cli::kExitFailure;
    // Judged by what changed: a controller that still runs the version it ran before, while
    // the package was named for another, did not start its new firmware.
    const std::string& running = reconnect.Result().softwareVersion;
    const transfer::UpdateVerdict verdict = transfer::JudgeUpdate(
        update->StartVersion(), running, transfer::PackageNameVersion(path, modelIndex));
    if (!verdict.message.empty())
        context.err << verdict.message << "\n";
    if (!verdict.started)
        return cli::kExitFailure;
    context.out << running << "\n";
    return cli::kExitOk;
}

int RunList(cli::Context& context) {
    const bool json = cli::TakeFlag(context.args, "--json");
    // Without --folder: the user's own Binaries folder, then the installation's.
    std::vector<std::string> folders = platform::DataFolderSearchPath("Binaries");
    int language = fw::kDefaultLanguage;
    for (std::size_t k = 0; k < context.args.size();) {
        const std::string& a = context.args[k];
        if ((a == "--folder" || a == "--language") && k + 1 < context.args.size()) {
            if (a == "--folder")
                folders = {context.args[k + 1]};
            else if ((language = fw::LanguageFromCode(context.args[k + 1])) < 0) {
                context.err << "--language takes fr, en, de, es or it.\n";
                return cli::kExitUsage;
            }
            context.args.erase(context.args.begin() + std::ptrdiff_t(k),
                               context.args.begin() + std::ptrdiff_t(k + 2));
        } else {
            ++k;
        }
    }
    if (!cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    int modelIndex = model::kUnknownModel;
    if (!ConnectedModel(context, comm::ComClientLink(), modelIndex))
        return cli::kExitFailure;
    const auto packageFolder = fw::PackageFolderOfModel(modelIndex);
    if (!packageFolder) {
        context.err << "The firmware update is not available for this kind of device.\n";
        return cli::kExitFailure;
    }
    const auto entries = fw::ListPackages(folders, *packageFolder, language);
    if (json) {
        cli::JsonWriter w;
        w.BeginArray();
        for (const fw::PackageEntry& e : entries)
            w.BeginObject()
                .Key("version")
                .String(e.version.text)
                .Key("path")
                .String(e.path)
                .EndObject();
        w.EndArray();
        context.out << w.Text() << "\n";
    } else {
        for (const fw::PackageEntry& e : entries)
            context.out << e.version.text << " " << e.path << "\n";
    }
    return cli::kExitOk;
}

int RunFirmware(cli::Context& context) {
    if (context.args.empty()) {
        context.err << "firmware needs a verb: update or list.\n";
        return cli::kExitUsage;
    }
    const std::string verb = context.args.front();
    context.args.erase(context.args.begin());
    if (verb == "update")
        return RunUpdate(context);
    if (verb == "list")
        return RunList(context);
    context.err << "Unknown firmware verb: " << verb << "; use update or list.\n";
    return cli::kExitUsage;
}

const cli::Command kFirmware{
    "firmware",
    "firmware update FILE [--yes|--no] | firmware list [--folder DIR] [--language fr|en|de|es|it] "
    "[--json]",
    "Update the controller's firmware from a package, or list the packages that fit it",
    "update: FILE is a firmware package (.vqfw).\n"
    "Checks the whole package against the controller, asks before anything is erased\n"
    "(--yes/--no answer for you), updates with the progress on standard error, reconnects by\n"
    "itself and prints the software version read back from the controller.\n"
    "list: the packages for the connected controller's model in the language given (French\n"
    "when not given), newest first: \"VERSION PATH\" per line, or with --json\n"
    "[{\"version\": \"1.10.00\", \"path\": \"...\"}]. The folder defaults to the program folder's\n"
    "Binaries folder.\n",
    true,
    RunFirmware};
const cli::RegisterCommand kRegisterFirmware(kFirmware);

} // namespace
