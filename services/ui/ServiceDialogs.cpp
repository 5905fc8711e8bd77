#include "services/ui/ServiceDialogs.h"

#include <QApplication>

#include "history/HistoryRecord.h"
#include "history/ProgramRecording.h"
#include "services/ui/AccessCheck.h"
#include "services/ui/CIhmDlgDiag.h"
#include "services/ui/CIhmDlgRemotePwdLock.h"
#include "services/ui/CIhmDlgTime.h"
#include "services/ui/CIhmDlgUnlockRemotePwd.h"
#include "services/ui/ServiceAlerts.h"
#include "widgets/MenuDialogs.h"

QtAccessCheckUi::QtAccessCheckUi(QWidget* parent, comm::IControllerLink* reader)
    : parent_(parent), reader_(reader) {}

QtAccessCheckUi::~QtAccessCheckUi() = default;

int QtAccessCheckUi::WithNormalCursor(const std::function<int()>& run) {
    const int held = waitCursors_;
    for (int i = 0; i < held; ++i)
        QApplication::restoreOverrideCursor();
    const int result = run();
    for (int i = 0; i < held; ++i)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    return result;
}

bool QtAccessCheckUi::AskPassword(const services::UnlockPrompt& prompt,
                                  services::Secret& password) {
    if (!unlock_ && reader_ != nullptr)
        unlock_ = std::make_unique<history::OperationRecord>(history::kUnlock, *reader_);
    CIhmDlgUnlockRemotePwd dlg(prompt, parent_);
    const bool ok = WithNormalCursor([&dlg] { return dlg.DoModal(); }) == QDialog::Accepted;
    if (ok)
        password = dlg.TakePassword();
    unlockCancelled_ = !ok;
    return ok;
}

void QtAccessCheckUi::Show(const services::Notice& notice) {
    ShowNotice(parent_, notice);
}

void QtAccessCheckUi::OpenFirmwareUpdate() {
    if (MenuDialogOpener open = FindMenuDialog(kMenuUpdateFirmware))
        open(parent_);
}

void QtAccessCheckUi::SetWaitCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++waitCursors_;
    } else if (waitCursors_ > 0) {
        QApplication::restoreOverrideCursor();
        --waitCursors_;
    }
}

bool QtAccessCheckUi::AskNewPassword(services::Secret& password) {
    CIhmDlgRemotePwdLock dlg(parent_);
    if (WithNormalCursor([&dlg] { return dlg.DoModal(); }) != QDialog::Accepted)
        return false;
    password = dlg.TakePassword();
    return true;
}

void QtAccessCheckUi::EndUnlock(bool allowed) {
    if (!unlock_)
        return;
    unlock_->Finish(allowed            ? history::kDone
                    : unlockCancelled_ ? history::kCancelled
                                       : history::kFailed);
    unlock_.reset();
}

bool RunRecordedAccessCheck(QWidget* parent, comm::IControllerLink& link) {
    QtAccessCheckUi ui(parent, &link);
    const bool allowed = services::RunAccessCheck(link, ui);
    ui.EndUnlock(allowed);
    return allowed;
}

void RunProtect(QWidget* parent, comm::IControllerLink& link) {
    using services::ProtectResult;
    history::OperationRecord lock(history::kLock, link);
    QtAccessCheckUi ui(parent, &link);
    ui.SetWaitCursor(true);
    const ProtectResult result = services::ProtectController(link, ui);
    ui.EndUnlock(result != ProtectResult::AccessRefused);
    lock.Finish(result == ProtectResult::Locked ? history::kDone
                : result == ProtectResult::Cancelled || result == ProtectResult::AccessRefused
                    ? history::kCancelled
                    : history::kFailed);
    // A freshly locked controller asks for its password at once: an unlock of its own.
    ui.EndUnlock(services::ReconnectAfterProtect(link, ui));
    ui.SetWaitCursor(false);
}

void RegisterServiceDialogs() {
    RegisterMenuDialog(kMenuDateTime, [](QWidget* parent) {
        CIhmDlgTime dlg(parent);
        dlg.DoModal();
        return true;
    });
    RegisterMenuDialog(kMenuDiagnostics, [](QWidget* parent) {
        CIhmDlgDiag dlg(parent);
        dlg.DoModal();
        return true;
    });
    RegisterMenuDialog(kMenuPassword, [](QWidget* parent) {
        RunProtect(parent, comm::ComClientLink());
        return true;
    });
    SetAccessCheck(
        [](QWidget* parent) { return RunRecordedAccessCheck(parent, comm::ComClientLink()); });
}
