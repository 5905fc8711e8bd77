// program read | write | compare: the user program of the controller into a program file
// (.vqap), a program file into the controller (a copy of the program it replaces kept first),
// or the controller's program compared with a file, with the checks of the program dialog:
// capability and access, the application password, a running controller to stop, datalogs
// to save first.
#include <filesystem>
#include <ostream>

#include "cli/access_check.h"
#include "cli/commands.h"
#include "cli/controller_checks.h"
#include "cli/history_recording.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/messages.h"
#include "cli/password_input.h"
#include "cli/program_keep.h"
#include "cli/program_read.h"
#include "cli/session.h"
#include "cli/transfer_run.h"
#include "comm/SharedTexts.h"
#include "platform/line_input.h"
#include "platform/program_folder.h"
#include "program/AppPassword.h"
#include "program/ProgramChecks.h"
#include "program/ProgramCompare.h"
#include "program/ProgramTransfers.h"
#include "transfer/TransferMessages.h"

namespace {

using transfer::AlertKind;

constexpr const char* kNotWritten = "The program was not written.";

// What one run of the command shares: the link, the questions, the progress line and the
// user interface the transfers and checks report through.
struct ProgramRun {
    cli::Context& context;
    cli::Questions questions;
    cli::ProgressLine progress;
    cli::CliTransferUi ui;
    comm::IControllerLink& link = comm::ComClientLink();
    int family = 0;
    bool passwordGiven = false; // the application password was accepted in this run

    ProgramRun(cli::Context& c, cli::Answering mode)
        : context(c), questions(mode, cli::StandardInput(), c.err),
          progress(c.err, platform::StderrIsTerminal()), ui(c.err, progress, questions) {}

    int Fail(const std::string& text) {
        context.err << text << "\n";
        return cli::kExitFailure;
    }

    // The checks of the command menu and of the program dialog before either transfer.
    // kExitOk when the transfer may start.
    int CheckAccess() {
        if (cli::ReadConnectedFamily(link, family) != 0)
            return Fail(texts::kNotReacting);
        if (!cli::SoftwareCapable(link, family))
            return Fail(texts::kUpdateSoftware);
        // A remote-locked controller is asked for its password, as the menu does.
        if (!cli::CheckAccess(context))
            return cli::kExitFailure;
        bool isProtected = false;
        if (transfer::ReadAppPasswordFlag(link, isProtected) != 0)
            return Fail(texts::kNotReacting);
        return isProtected ? CheckAppPassword() : cli::kExitOk;
    }

    // One attempt of the application password per run, counted by the controller.
    int CheckAppPassword() {
        transfer::AppPasswordPrompt prompt(link);
        if (!prompt.Refresh())
            return Fail(texts::kNotReacting);
        if (prompt.Blocked())
            return Fail(prompt.Message() + "\n" + prompt.AttemptLine());
        context.err << prompt.Message() << "\n" << prompt.AttemptLine() << "\n";
        std::optional<std::string> typed =
            cli::ReadPassword(cli::StandardInput(), context.err, "Password : ");
        if (!typed) {
            context.err << "No application password given (type it, or give it as the first "
                           "line of standard input).\n";
            return cli::kExitUsage;
        }
        switch (prompt.Submit(*typed)) {
        case transfer::AppPasswordPrompt::Outcome::Accepted:
            passwordGiven = true;
            return cli::kExitOk;
        case transfer::AppPasswordPrompt::Outcome::TooShort:
            return Fail(transfer::kAppPasswordTooShort);
        case transfer::AppPasswordPrompt::Outcome::Wrong:
            if (!prompt.RecordWrongAttempt()) {
                context.err << transfer::kAppWrongPassword << "\n";
                return Fail(texts::kNotReacting);
            }
            return Fail(std::string(transfer::kAppWrongPassword) + "\n" + prompt.AttemptLine());
        default:
            return Fail(texts::kNotReacting);
        }
    }
};

} // namespace

int cli::ReadProgramInto(Context& context, Answering mode, const std::string& folder,
                         std::string& path) {
    ProgramRun run(context, mode);
    if (int rc = run.CheckAccess(); rc != kExitOk)
        return rc;
    bool present = false;
    if (transfer::ReadProgramPresent(run.link, present) != 0)
        return run.Fail(texts::kNotReacting);
    path.clear();
    if (!present)
        return kExitOk;
    if (!ReadProgramFile(run.link, folder, run.ui, run.progress, path))
        return run.questions.Unanswered() ? kExitUsage : kExitFailure;
    return kExitOk;
}

namespace {

int RunRead(cli::Context& context, cli::Answering mode) {
    if (context.args.size() != 1) {
        context.err << "Give the folder to write the program file into.\n";
        return cli::kExitUsage;
    }
    const std::string folder = context.args[0];
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        context.err << "Not a folder: " << folder << "\n";
        return cli::kExitUsage;
    }
    std::string path;
    if (int rc = cli::ReadProgramInto(context, mode, folder, path); rc != cli::kExitOk)
        return rc;
    if (path.empty()) {
        context.err << transfer::msg::kNoProgram << "\n";
        return cli::kExitFailure;
    }
    cli::NoteFile(context, path);
    context.out << path << "\n";
    return cli::kExitOk;
}

int RunWrite(cli::Context& context, cli::Answering mode) {
    const bool keep = cli::TakeKeepFlag(context.args);
    std::string datalogFolder = platform::DefaultDataFolder("Datalogs");
    if (!cli::TakeDatalogsFolder(context.args, datalogFolder, context.err))
        return cli::kExitUsage;
    if (context.args.size() != 1) {
        context.err << "Give the program file (.vqap) to write.\n";
        return cli::kExitUsage;
    }
    return cli::WriteProgramFile(context, mode, context.args[0], datalogFolder, keep);
}

} // namespace

bool cli::TakeDatalogsFolder(std::vector<std::string>& args, std::string& folder,
                             std::ostream& err) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it != "--datalogs-folder")
            continue;
        if (it + 1 == args.end()) {
            err << "--datalogs-folder needs a folder.\n";
            return false;
        }
        folder = *(it + 1);
        args.erase(it, it + 2);
        break;
    }
    return true;
}

int cli::WriteProgramFile(Context& context, Answering mode, const std::string& file,
                          const std::string& datalogFolder, bool keep) {
    NoteFile(context, file);
    ProgramRun run(context, mode);
    if (int rc = run.CheckAccess(); rc != cli::kExitOk)
        return rc;
    // The whole file is checked against the controller first: a refused file stops nothing,
    // reads nothing and keeps nothing.
    const transfer::FileRefusal refusal = transfer::ProgramFileRefusal(
        file, context.link.kind == LinkKind::Ethernet, run.link, run.family);
    if (refusal.message != nullptr)
        return run.Fail(refusal.message);
    if (keep) {
        const int rc = cli::KeepProgramFirst(context, run.link, run.questions, run.ui, run.progress,
                                             run.passwordGiven);
        if (rc == cli::kExitFailure)
            return run.Fail(kNotWritten);
        if (rc != cli::kExitOk)
            return rc;
    }
    auto readDatalogs = [&]() {
        transfer::DatalogSaver saver = transfer::InstalledDatalogSaver();
        if (!saver) {
            run.ui.Alert(AlertKind::Error, transfer::kNoDatalogReader);
            return false;
        }
        return saver(datalogFolder);
    };
    const transfer::WritePreparation ready =
        transfer::PrepareProgramWrite(run.link, run.family, run.ui, readDatalogs);
    // A question left unanswered ends the command before anything changes, whatever the
    // answer it counted as.
    if (run.questions.Unanswered())
        return cli::kExitUsage;
    switch (ready) {
    case transfer::WritePreparation::Failed:
        return cli::kExitFailure;
    case transfer::WritePreparation::Declined:
        return run.Fail(kNotWritten);
    case transfer::WritePreparation::Ready:
        break;
    }
    // From the first change to the controller on, Ctrl-C does not stop the write at once.
    cli::WriteGuard guard(cli::WriteKind::kProgram, false);
    cli::GuardedLink guardedLink(run.link, guard);
    std::unique_ptr<transfer::CTransfertWriteApp> write =
        transfer::MakeProgramWrite(file, guardedLink);
    if (!cli::RunTransfer(*write, run.ui, run.progress))
        return cli::kExitFailure;
    return cli::kExitOk;
}

namespace {

constexpr int kExitDifferent = 3;

void PrintComparison(cli::Context& context, bool json,
                     const std::vector<transfer::ZoneDifference>& differences) {
    if (json) {
        cli::JsonWriter j;
        j.BeginObject().Key("identical").Bool(differences.empty()).Key("zones").BeginArray();
        for (const transfer::ZoneDifference& d : differences)
            j.BeginObject()
                .Key("name")
                .String(d.name)
                .Key("address")
                .Int(d.address)
                .Key("differing_bytes")
                .Int(static_cast<std::int64_t>(d.differingBytes))
                .Key("first_offset")
                .Int(static_cast<std::int64_t>(d.firstOffset))
                .EndObject();
        j.EndArray().EndObject();
        context.out << j.Text() << "\n";
        return;
    }
    context.out << transfer::ComparisonText(differences);
}

int RunCompare(cli::Context& context, cli::Answering mode) {
    const bool json = cli::TakeFlag(context.args, "--json");
    if (context.args.size() != 1) {
        context.err << "Give the program file (.vqap) to compare with.\n";
        return cli::kExitUsage;
    }
    const std::string file = context.args[0];
    cli::NoteFile(context, file);
    transfer::ProgramImage fileImage, controllerImage;
    std::string error;
    if (!transfer::LoadProgramImage(file, fileImage, error)) {
        context.err << error << "\n";
        return cli::kExitUsage;
    }
    ProgramRun run(context, mode);
    if (int rc = run.CheckAccess(); rc != cli::kExitOk)
        return rc;
    if (!transfer::CheckProgramPresent(run.link, run.ui))
        return cli::kExitFailure;
    cli::ReadFolder folder(std::filesystem::temp_directory_path().string() + "/");
    std::string read;
    if (folder.Path().empty() ||
        !cli::ReadProgramFile(run.link, folder.Path(), run.ui, run.progress, read))
        return cli::kExitFailure;
    if (!transfer::LoadProgramImage(read, controllerImage, error))
        return run.Fail(error);
    const auto differences = transfer::CompareProgramImages(controllerImage, fileImage);
    PrintComparison(context, json, differences);
    return differences.empty() ? cli::kExitOk : kExitDifferent;
}

int RunProgram(cli::Context& context) {
    cli::Answering mode = cli::Answering::Ask;
    std::string error;
    if (!cli::TakeAnswerFlags(context.args, mode, error)) {
        context.err << error << "\n";
        return cli::kExitUsage;
    }
    if (context.args.empty()) {
        context.err << "Give read, write or compare; see quorvel-cli program --help.\n";
        return cli::kExitUsage;
    }
    const std::string verb = context.args[0];
    context.args.erase(context.args.begin());
    if (verb == "read")
        return RunRead(context, mode);
    if (verb == "write")
        return RunWrite(context, mode);
    if (verb == "compare")
        return RunCompare(context, mode);
    context.err << "Unknown program command: " << verb << "; give read, write or compare.\n";
    return cli::kExitUsage;
}

const cli::Command kProgram{
    "program",
    "program read FOLDER | program write FILE [--yes|--no] [--no-keep] [--datalogs-folder DIR]"
    " | program compare FILE [--json]",
    "Read the controller's program into a .vqap file, write a .vqap file into it, or compare",
    "read FOLDER: writes the program file into FOLDER under the name the controller's\n"
    "  configuration gives (made safe; EmptyName_H.._M.._S.._D.._M.._Y.... when it has none)\n"
    "  and prints its path as the only line on standard output.\n"
    "write FILE: checks the whole file against the controller, then erases and writes each\n"
    "  area, erases the datalogs and lets the controller restart. Nothing on standard output.\n"
    "  A running controller must be stopped first, and datalogs present can be read first\n"
    "  into --datalogs-folder DIR (default: the program folder's Datalogs).\n"
    "  First the controller's program is read and kept in the service history's store\n"
    "  (quorvel-cli history); --no-keep leaves it out. When no copy can be made, the reason\n"
    "  is said and the question is asked whether to write without one.\n"
    "compare FILE: reads the controller's program and compares it with FILE zone by zone;\n"
    "  prints \"identical\", or each differing zone: its name, address, the number of\n"
    "  differing bytes and the first differing offset. With --json: {\"identical\", \"zones\":\n"
    "  [{\"name\", \"address\", \"differing_bytes\", \"first_offset\"}]}. Nothing is written.\n"
    "  Exit status 0 identical, 3 different, 1 the controller failed, 2 usage.\n"
    "Questions: --yes answers all Yes, --no all No; otherwise they are asked on the terminal;\n"
    "  without a terminal the question is printed and the command ends with status 2, having\n"
    "  changed nothing.\n"
    "The application password of a protected program is typed without echo on the terminal,\n"
    "  or read from the first line of standard input; never give it as an argument.\n"
    "Progress goes to standard error. Exit status: 0 done, 1 the controller failed or refused\n"
    "  or the file was refused (the message on standard error), 2 usage error or a question\n"
    "  left unanswered.\n",
    true,
    RunProgram};
const cli::RegisterCommand kRegisterProgram(kProgram);

} // namespace
