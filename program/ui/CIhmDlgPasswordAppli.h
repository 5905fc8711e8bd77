// The application password prompt (template 207, "Application password protected"): the
// program dialog runs it before reading or writing a protected program. Warning icon 1184,
// message 1185, label 1187 "Password : ", hidden 6-character edit 1186, attempt line 1188,
// buttons 1 "OK" and 2 "Return". The result is Accepted only when the password was right.
// The logic (attempt record, comparison) is transfer::AppPasswordPrompt.
#pragma once

#include <QDialog>

#include "program/AppPassword.h"

class QLabel;
class QLineEdit;
class QPushButton;

class CIhmDlgPasswordAppli : public QDialog {
    Q_OBJECT
  public:
    explicit CIhmDlgPasswordAppli(comm::IControllerLink& link, QWidget* parent = nullptr);

    // Runs the prompt through the modal seam: QDialog::Accepted when the password was right.
    int DoModal();
    // The OK button, as the user presses it (also for tests and scripts).
    void OnOk();

  private:
    void Refresh();
    void ShowPrompt();

    transfer::AppPasswordPrompt prompt_;
    QLabel* message_;
    QLineEdit* edit_;
    QLabel* attempts_;
    QPushButton* ok_;
};
