#include "cli/program_keep.h"

#include <filesystem>
#include <ostream>

#include <stdlib.h>

#include "cli/history_recording.h"
#include "cli/messages.h"
#include "history/KeptStore.h"
#include "transfer/ProgramChecks.h"
#include "transfer/ProgramTransfers.h"

namespace cli {

namespace {

// Why no copy can be made, or empty when the program was kept (or there is none).
std::string TryKeep(Context& context, transfer::ITransferLink& link, CliTransferUi& ui,
                    ProgressLine& progress, bool passwordGiven) {
    bool present = false, isProtected = false;
    if (transfer::ReadProgramPresent(link, present) != 0)
        return msg::kNotReacting;
    if (!present) {
        context.err << "The controller holds no program: there is nothing to keep.\n";
        return {};
    }
    if (!passwordGiven) {
        if (transfer::ReadAppPasswordFlag(link, isProtected) != 0)
            return msg::kNotReacting;
        if (isProtected)
            return "its program is protected and its password was not given.";
    }
    const std::string store = history::KeptFolder(RunHistory(context.link, context.err).Path());
    ReadFolder folder(store);
    std::string read;
    if (folder.Path().empty())
        return "cannot create a folder in " + store;
    if (!ReadProgramFile(link, folder.Path(), ui, progress, read))
        return "the program could not be read.";
    std::string error;
    const std::string kept = history::KeepProgram(read, store, error);
    if (kept.empty())
        return error;
    context.err << "The controller's program was kept as " << kept << "\n";
    NoteKept(context, kept);
    return {};
}

} // namespace

ReadFolder::ReadFolder(const std::string& parent) {
    std::error_code ec;
    std::filesystem::create_directories(parent, ec);
    std::string pattern = parent + ".reading-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr)
        path_ = pattern;
}

ReadFolder::~ReadFolder() {
    std::error_code ec;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ec);
}

bool ReadProgramFile(transfer::ITransferLink& link, const std::string& folder, CliTransferUi& ui,
                     ProgressLine& progress, std::string& path) {
    std::unique_ptr<transfer::CTransfertReadApp> read = transfer::MakeProgramRead(folder, link);
    if (!RunTransfer(*read, ui, progress))
        return false;
    path = read->FilePath();
    return true;
}

int KeepProgramFirst(Context& context, transfer::ITransferLink& link, Questions& questions,
                     CliTransferUi& ui, ProgressLine& progress, bool passwordGiven) {
    const std::string reason = TryKeep(context, link, ui, progress, passwordGiven);
    if (reason.empty())
        return kExitOk;
    context.err << "No copy of the controller's program could be kept: " << reason << "\n";
    switch (questions.Ask("Overwrite the controller's program without a copy?")) {
    case Reply::Yes:
        return kExitOk;
    case Reply::No:
        return kExitFailure;
    case Reply::Unanswered:
        break;
    }
    return kExitUsage;
}

bool TakeKeepFlag(std::vector<std::string>& args) {
    return !TakeFlag(args, "--no-keep");
}

} // namespace cli
