// The service dialogs in the command menu: "Read/Write date and time" (6), "Controller
// diagnostics" (7) and "Protect the controller with password" (18), and the access check
// with its unlock prompt, which the menu runs before the services.
#pragma once

#include "services/RemotePassword.h"

#include <functional>
#include <memory>

namespace history {
class OperationRecord;
}
class QWidget;

// The access check's user side in the program: the unlock prompt, the alerts, the wait
// cursor and the firmware update dialog. A password asked is an unlock of the controller
// `reader` reaches, recorded in the service history.
class QtAccessCheckUi : public services::IProtectUi {
  public:
    explicit QtAccessCheckUi(QWidget* parent, comm::IControllerLink* reader = nullptr);
    ~QtAccessCheckUi() override;

    bool AskPassword(const services::UnlockPrompt& prompt, services::Secret& password) override;
    void Show(const services::Notice& notice) override;
    // The firmware update dialog of the menu (command 3), when one is registered.
    void OpenFirmwareUpdate() override;
    void SetWaitCursor(bool on) override;
    bool AskNewPassword(services::Secret& password) override;
    // Ends the unlock row, when a password was asked: done when `allowed`.
    void EndUnlock(bool allowed);

  private:
    // Runs a password dialog (`run` returns its result) with the normal cursor: the wait
    // cursors this object holds are lifted for it and shown again after.
    int WithNormalCursor(const std::function<int()>& run);

    QWidget* parent_;
    comm::IControllerLink* reader_;
    int waitCursors_ = 0;
    std::unique_ptr<history::OperationRecord> unlock_;
    bool unlockCancelled_ = false;
};

// The access check of the menu, its unlock recorded.
bool RunRecordedAccessCheck(QWidget* parent, comm::IControllerLink& link);

// "Protect the controller with password", with the wait cursor shown.
void RunProtect(QWidget* parent, comm::IControllerLink& link);

// Registers the three dialogs with the menu and installs the access check.
void RegisterServiceDialogs();
