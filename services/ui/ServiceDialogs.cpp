#include "services/ui/ServiceDialogs.h"

#include <QApplication>

#include "services/ui/AccessCheck.h"
#include "services/ui/CIhmDlgDiag.h"
#include "services/ui/CIhmDlgRemotePwdLock.h"
#include "services/ui/CIhmDlgTime.h"
#include "services/ui/CIhmDlgUnlockRemotePwd.h"
#include "services/ui/ServiceAlerts.h"
#include "widgets/MenuDialogs.h"

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
    CIhmDlgUnlockRemotePwd dlg(prompt, parent_);
    const bool ok = WithNormalCursor([&dlg] { return dlg.DoModal(); }) == QDialog::Accepted;
    if (ok)
        password = dlg.TakePassword();
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

void RunProtect(QWidget* parent, comm::IControllerLink& link) {
    QtAccessCheckUi ui(parent);
    ui.SetWaitCursor(true);
    services::ProtectController(link, ui);
    services::ReconnectAfterProtect(link, ui);
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
    SetAccessCheck([](QWidget* parent) {
        QtAccessCheckUi ui(parent);
        return services::RunAccessCheck(comm::ComClientLink(), ui);
    });
}
