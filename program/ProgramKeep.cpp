#include "program/ProgramKeep.h"

#include <filesystem>

#include <stdlib.h>

#include "comm/SharedTexts.h"
#include "history/KeptStore.h"
#include "history/ProgramRecording.h"
#include "program/ProgramChecks.h"
#include "program/ProgramTransfers.h"
#include "transfer/TransferMessages.h"

namespace transfer {

namespace {

KeepResult CannotKeep(std::string reason) {
    return {KeepResult::Kind::CannotKeep, {}, std::move(reason)};
}

} // namespace

KeepResult KeepControllerProgram(comm::IControllerLink& link, const std::string& store,
                                 bool passwordGiven, const std::function<bool(ITransfert&)>& run) {
    bool present = false, isProtected = false;
    if (ReadProgramPresent(link, present) != 0)
        return CannotKeep(texts::kNotReacting);
    if (!present)
        return {KeepResult::Kind::NothingToKeep, {}, {}};
    if (!passwordGiven) {
        if (ReadAppPasswordFlag(link, isProtected) != 0)
            return CannotKeep(texts::kNotReacting);
        if (isProtected)
            return CannotKeep("its program is protected and its password was not given.");
    }
    ReadFolder folder(store);
    if (folder.Path().empty())
        return CannotKeep("cannot create a folder in " + store);
    std::unique_ptr<CTransfertReadApp> read = MakeProgramRead(folder.Path(), link);
    if (!run(*read))
        return CannotKeep("the program could not be read.");
    std::string error;
    const std::string kept = history::KeepProgram(read->FilePath(), store, error);
    if (kept.empty())
        return CannotKeep(error);
    return {KeepResult::Kind::Kept, kept, {}};
}

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

std::string CannotKeepText(const KeepResult& result) {
    return "No copy of the controller's program could be kept: " + result.reason;
}

bool& KeepProgramRemembered() {
    static bool keep = true;
    return keep;
}

bool KeepProgramFirst(comm::IControllerLink& link, bool passwordGiven,
                      history::OperationRecord& record, const std::function<bool(ITransfert&)>& run,
                      const std::function<void(const std::string&)>& tell,
                      const std::function<bool(const std::string&)>& ask) {
    const KeepResult kept = KeepControllerProgram(
        link, history::KeptFolder(history::ProgramHistory().Path()), passwordGiven, run);
    switch (kept.kind) {
    case KeepResult::Kind::Kept:
        record.SetKept(kept.path);
        return true;
    case KeepResult::Kind::NothingToKeep:
        tell(kNothingToKeep);
        return true;
    case KeepResult::Kind::CannotKeep:
        break;
    }
    return ask(CannotKeepText(kept) + "\n" + kKeepQuestion);
}

} // namespace transfer
