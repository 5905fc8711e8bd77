// "Controller protection" (dialog 1231): the new remote password, typed twice. Controls:
// "Password:" 1235 with edit 1232, "Confirm the password:" 1236 with edit 1233 (10
// characters each, hidden input), "Type 10 alphanumeric characters." 1234, OK 1, Cancel 2
// and "?" 9.
#pragma once

#include <QDialog>

#include "services/Secret.h"

class QLineEdit;

class CIhmDlgRemotePwdLock : public QDialog {
    Q_OBJECT
  public:
    explicit CIhmDlgRemotePwdLock(QWidget* parent = nullptr);
    ~CIhmDlgRemotePwdLock() override;

    int DoModal();
    // The password confirmed by OK; the edits are emptied.
    services::Secret TakePassword();

    void OnOk();

  private:
    QLineEdit* first_;
    QLineEdit* second_;
    services::Secret confirmed_;
};
