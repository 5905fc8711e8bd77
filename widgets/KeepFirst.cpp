#include "widgets/KeepFirst.h"

#include "history/HistoryDb.h"
#include "program/ProgramKeep.h"
#include "widgets/Alerts.h"
#include "widgets/HistoryRecording.h"

bool& KeepProgramRemembered() {
    static bool keep = true;
    return keep;
}

bool KeepProgramFirst(QWidget* parent, comm::IControllerLink& link, bool passwordGiven,
                      OperationRecord& record,
                      const std::function<bool(transfer::ITransfert&)>& run) {
    using Kind = transfer::KeepResult::Kind;
    const transfer::KeepResult kept = transfer::KeepControllerProgram(
        link, history::KeptFolder(ProgramHistory().Path()), passwordGiven, run);
    switch (kept.kind) {
    case Kind::Kept:
        record.SetKept(kept.path);
        return true;
    case Kind::NothingToKeep:
        InfoAlert(parent, transfer::kNothingToKeep);
        return true;
    case Kind::CannotKeep:
        break;
    }
    return QuestionAlert(parent, transfer::CannotKeepText(kept) + "\n" + transfer::kKeepQuestion);
}
