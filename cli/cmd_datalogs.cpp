// datalogs read FOLDER: the datalogs of the controller into CSV files, as the datalog dialog
// writes them; datalogs plot CSV... --png FILE: the charts of such files in a picture.
#include <filesystem>
#include <iostream>
#include <ostream>
#include <sstream>

#include "cli/access_check.h"
#include "cli/command_link.h"
#include "cli/commands.h"
#include "cli/controller_checks.h"
#include "cli/datalog_read.h"
#include "cli/history_recording.h"
#include "cli/messages.h"
#include "cli/questions.h"
#include "cli/session.h"
#include "cli/transfer_run.h"
#include "comm/ProcessState.h"
#include "datalog/ChartsModule.h"
#include "datalog/DatalogSetup.h"
#include "platform/line_input.h"
#include "platform/program_folder.h"
#include "program/ProgramChecks.h"

namespace {

// The menu's checks before a service: capable software, access granted.
bool ServiceAllowed(cli::Context& context, transfer::ITransferLink& link, int& family) {
    if (cli::ReadConnectedFamily(link, family) != 0) {
        context.err << cli::msg::kNotReacting << "\n";
        return false;
    }
    if (!cli::SoftwareCapable(link, family)) {
        context.err << cli::msg::kMustUpdate << "\n";
        return false;
    }
    // A locked controller asks for its password, as the command menu does.
    return cli::CheckAccess(context);
}

int ReadOnLink(cli::Context& context, const std::string& folder, cli::Answering answering) {
    int family = 0;
    if (!ServiceAllowed(context, transfer::ComClientLink(), family))
        return cli::kExitFailure;
    cli::Questions questions(answering, cli::StandardInput(), context.err);
    cli::ProgressLine progress(context.err, platform::StderrIsTerminal());
    cli::CliTransferUi ui(context.err, progress, questions);
    std::ostringstream written;
    const cli::DatalogReadEnd end = cli::ReadDatalogsInto(folder, family, ui, progress, written);
    context.out << written.str();
    cli::NoteFileLines(context, written.str());
    switch (end) {
    case cli::DatalogReadEnd::kWritten:
    case cli::DatalogReadEnd::kNothingToRead:
        return cli::kExitOk;
    case cli::DatalogReadEnd::kDeclined:
        return questions.Unanswered() ? cli::kExitUsage : cli::kExitOk;
    case cli::DatalogReadEnd::kFailed:
        break;
    }
    return cli::kExitFailure;
}

int ReadDatalogs(cli::Context& context) {
    cli::Answering answering = cli::Answering::Ask;
    std::string error;
    if (!cli::TakeAnswerFlags(context.args, answering, error)) {
        context.err << error << "\n";
        return cli::kExitUsage;
    }
    std::string folder;
    if (!cli::TakeExistingFolder(context, "datalogs read needs the target folder.", folder))
        return cli::kExitUsage;

    return cli::RunOnLink(context,
                          [&](cli::Context& c) { return ReadOnLink(c, folder, answering); });
}

// The program write reads the datalogs it is about to erase through this saver, into its
// --datalogs-folder (made when missing). The write has stopped the controller already; a
// controller found running again is not stopped without asking, so the write stops instead.
// The paths written go to standard error with the summary, as the write prints nothing on
// standard output.
bool SaveDatalogsBeforeWrite(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    cli::Questions questions(cli::Answering::AllNo, cli::StandardInput(), std::cerr);
    cli::ProgressLine progress(std::cerr, platform::StderrIsTerminal());
    cli::CliTransferUi ui(std::cerr, progress, questions);
    const int family = ControllerFamily().load();
    const cli::DatalogReadEnd end = cli::ReadDatalogsInto(folder, family, ui, progress, std::cerr);
    return end == cli::DatalogReadEnd::kWritten || end == cli::DatalogReadEnd::kNothingToRead;
}

[[maybe_unused]] const bool kSaverInstalled = [] {
    transfer::InstallDatalogSaver(SaveDatalogsBeforeWrite);
    return true;
}();

// datalogs plot CSV... --png FILE
int PlotDatalogs(cli::Context& context) {
    std::vector<std::string> csvs;
    std::string png;
    for (std::size_t i = 0; i < context.args.size(); ++i) {
        if (context.args[i] == "--png") {
            if (i + 1 >= context.args.size() || !png.empty()) {
                context.err << "--png needs one file name.\n";
                return cli::kExitUsage;
            }
            png = context.args[++i];
        } else {
            csvs.push_back(context.args[i]);
        }
    }
    if (csvs.empty() || png.empty()) {
        context.err << "datalogs plot needs CSV files and --png FILE.\n";
        return cli::kExitUsage;
    }
    std::string error;
    if (!datalog::RenderChartsPng(platform::ProgramFolder(), csvs, png, error)) {
        context.err << error << "\n";
        return cli::kExitFailure;
    }
    context.out << png << "\n";
    return cli::kExitOk;
}

int RunDatalogs(cli::Context& context) {
    if (context.args.empty()) {
        context.err << "datalogs needs a verb: read or plot.\n";
        return cli::kExitUsage;
    }
    const std::string verb = context.args.front();
    context.args.erase(context.args.begin());
    if (verb == "read")
        return ReadDatalogs(context);
    if (verb == "plot")
        return PlotDatalogs(context);
    context.err << "Unknown datalogs verb: " << verb << "; see quorvel-cli datalogs --help.\n";
    return cli::kExitUsage;
}

const cli::Command kDatalogs{
    "datalogs",
    "datalogs read FOLDER [--yes|--no] | datalogs plot CSV... --png FILE",
    "Read the datalogs into CSV files; chart CSV files into a PNG picture",
    "read (needs LINK OPTIONS): writes one CSV file per range the controller logs into the\n"
    "existing FOLDER, named after the controller label as the datalog dialog proposes, and\n"
    "prints each path written, one per line. A running controller must be stopped first:\n"
    "--yes stops it, --no leaves it running and reads nothing; without either, the question\n"
    "is asked on the terminal (no terminal: exit status 2). A controller without datalogs\n"
    "prints the program's message and exits 0. Progress and messages go to standard error.\n"
    "\n"
    "plot (no link): draws one chart per CSV file (time across, one line per channel, gaps\n"
    "where nothing was logged; the channels of each unit in a pane of their own, the panes\n"
    "stacked on one time axis) and writes them, one below the other, into the PNG FILE.\n",
    false,
    RunDatalogs};
const cli::RegisterCommand kRegisterDatalogs(kDatalogs);

} // namespace
