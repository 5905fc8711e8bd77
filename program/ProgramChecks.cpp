#include "program/ProgramChecks.h"

#include <array>
#include <memory>

#include "comm/SharedTexts.h"
#include "model/ControllerMemory.h"
#include "model/TableFactory.h"
#include "transfer/ITransfert.h"
#include "transfer/TransferMessages.h"

namespace transfer {

namespace {

int ReadFlag(comm::IControllerLink& link, std::uint32_t address, bool& value) {
    std::uint8_t byte = 0;
    if (link.Read(&byte, address, 1, link.LinkTimeoutMs()) != 0)
        return kPrimitiveFailed;
    value = byte == 1;
    return 0;
}

} // namespace

int ReadAppPasswordFlag(comm::IControllerLink& link, bool& isProtected) {
    return ReadFlag(link, kAppPasswordFlagAddress, isProtected);
}

int ReadProgramPresent(comm::IControllerLink& link, bool& present) {
    return ReadFlag(link, kProgramPresentAddress, present);
}

RunState ReadRunState(comm::IControllerLink& link) {
    std::array<std::uint8_t, 4> run{};
    if (link.Read(run.data(), model::kRunStateAddress, 4, link.LinkTimeoutMs()) != 0)
        return RunState::Unreadable;
    return (run[3] & 1) != 0 ? RunState::Running : RunState::Stopped;
}

bool CheckProgramPresent(comm::IControllerLink& link, ITransferUi& ui) {
    bool present = false;
    if (ReadProgramPresent(link, present) != 0) {
        ui.Alert(AlertKind::Error, texts::kNotReacting);
        return false;
    }
    if (!present) {
        ui.Alert(AlertKind::Information, msg::kNoProgram);
        return false;
    }
    return true;
}

WritePreparation PrepareProgramWrite(comm::IControllerLink& link, int familyIndex, ITransferUi& ui,
                                     const std::function<bool()>& readDatalogs) {
    switch (ReadRunState(link)) {
    case RunState::Unreadable:
        ui.Alert(AlertKind::Error, texts::kNotReacting);
        return WritePreparation::Failed;
    case RunState::Running: {
        if (ui.Alert(AlertKind::Question, msg::kStopQuestion) != kAnswerYes)
            return WritePreparation::Declined;
        const std::uint8_t stop[2] = {model::kCommandStop, 0};
        if (link.Write(stop, kCommandAddress, 2, link.LinkTimeoutMs()) != 0 ||
            ReadRunState(link) != RunState::Stopped) {
            ui.Alert(AlertKind::Error, texts::kNotReacting);
            return WritePreparation::Failed;
        }
        break;
    }
    case RunState::Stopped:
        break;
    }
    std::unique_ptr<CFctTabIdentite> identity = model::CreateIdentityTable(familyIndex, link);
    bool communicating = false;
    if (identity) {
        identity->Reset();
        // A failed identity read counts as own memory, as an unknown family does.
        communicating = identity->Read() == 0 && identity->IsCommunicating();
    }
    if (ReadDatalogPresence(link, communicating, link.LinkTimeoutMs()) ==
            DatalogPresence::Present &&
        ui.Alert(AlertKind::Question, msg::kReadDatalogsQuestion) == kAnswerYes && !readDatalogs())
        return WritePreparation::Declined;
    return WritePreparation::Ready;
}

} // namespace transfer
