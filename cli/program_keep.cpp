#include "cli/program_keep.h"

#include <filesystem>
#include <ostream>

#include "cli/history_recording.h"
#include "program/ProgramKeep.h"
#include "program/ProgramTransfers.h"

namespace cli {

bool ReadProgramFile(comm::IControllerLink& link, const std::string& folder, CliTransferUi& ui,
                     ProgressLine& progress, std::string& path) {
    std::unique_ptr<transfer::CTransfertReadApp> read = transfer::MakeProgramRead(folder, link);
    if (!RunTransfer(*read, ui, progress))
        return false;
    path = read->FilePath();
    return true;
}

int KeepProgramFirst(Context& context, comm::IControllerLink& link, Questions& questions,
                     CliTransferUi& ui, ProgressLine& progress, bool passwordGiven) {
    using Kind = transfer::KeepResult::Kind;
    const std::string store = history::KeptFolder(RunHistory(context.link, context.err).Path());
    const transfer::KeepResult kept = transfer::KeepControllerProgram(
        link, store, passwordGiven,
        [&](transfer::ITransfert& read) { return RunTransfer(read, ui, progress); });
    switch (kept.kind) {
    case Kind::Kept:
        context.err << "The controller's program was kept as " << kept.path << "\n";
        NoteKept(context, kept.path);
        return kExitOk;
    case Kind::NothingToKeep:
        context.err << transfer::kNothingToKeep << "\n";
        return kExitOk;
    case Kind::CannotKeep:
        break;
    }
    context.err << transfer::CannotKeepText(kept) << "\n";
    switch (questions.Ask(transfer::kKeepQuestion)) {
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
