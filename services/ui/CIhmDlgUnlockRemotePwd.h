// "Protected controller" (dialog 1226): the unlock prompt of the access check. Controls:
// status line 1227, "Indicate the password:" 1228, the hidden-input edit 1229 (10
// characters), "Type 10 alphanumeric characters." 1230, the attempt line 1231, OK 1 and
// Cancel 2.
#pragma once

#include <QDialog>

#include "services/RemotePassword.h"
#include "services/Secret.h"

class QLineEdit;

class CIhmDlgUnlockRemotePwd : public QDialog {
    Q_OBJECT
  public:
    CIhmDlgUnlockRemotePwd(const services::UnlockPrompt& prompt, QWidget* parent = nullptr);
    ~CIhmDlgUnlockRemotePwd() override;

    int DoModal();
    // The text typed, taken by OK; the edit is emptied.
    services::Secret TakePassword();

  private:
    void OnOk();

    QLineEdit* edit_;
    services::Secret typed_;
};
