#include "program/ui/CIhmDlgPasswordAppli.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "comm/SharedTexts.h"
#include "transfer/TransferMessages.h"
#include "widgets/Alerts.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"

CIhmDlgPasswordAppli::CIhmDlgPasswordAppli(comm::IControllerLink& link, QWidget* parent)
    : QDialog(parent), prompt_(link), message_(Named(new QLabel(this), 1185)),
      edit_(Named(new QLineEdit(this), 1186)), attempts_(Named(new QLabel(this), 1188)),
      ok_(MakeCtlButton(this, 1, "OK")) {
    setObjectName(QStringLiteral("CIhmDlgPasswordAppli"));
    setWindowTitle(QStringLiteral("Application password protected"));
    auto* icon = Named(new QLabel(this), 1184);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    message_->setText(QString::fromUtf8(transfer::kAppProtectedMessage));
    edit_->setEchoMode(QLineEdit::Password);
    edit_->setMaxLength(int(transfer::kAppPasswordLength));
    QPushButton* back = MakeCtlButton(this, 2, "Return");
    ok_->setDefault(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1);
    grid->addWidget(message_, 0, 1, 1, 2);
    grid->addWidget(Named(new QLabel(QStringLiteral("Password : "), this), 1187), 1, 1);
    grid->addWidget(edit_, 1, 2);
    grid->addWidget(attempts_, 2, 1, 1, 2);
    grid->addWidget(ok_, 3, 1);
    grid->addWidget(back, 3, 2);
    connect(ok_, &QPushButton::clicked, this, &CIhmDlgPasswordAppli::OnOk);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    Refresh();
}

void CIhmDlgPasswordAppli::Refresh() {
    if (!prompt_.Refresh()) {
        ErrorAlert(this, texts::kNotReacting);
        return;
    }
    ShowPrompt();
}

void CIhmDlgPasswordAppli::ShowPrompt() {
    message_->setText(QString::fromStdString(prompt_.Message()));
    attempts_->setText(QString::fromStdString(prompt_.AttemptLine()));
    ok_->setEnabled(!prompt_.Blocked());
    edit_->setEnabled(!prompt_.Blocked());
}

int CIhmDlgPasswordAppli::DoModal() {
    ModalRequest request;
    request.kind = "dialog";
    request.name = "CIhmDlgPasswordAppli";
    request.title = windowTitle().toStdString();
    request.text = prompt_.Message();
    return ModalSeam::Exec(*this, request);
}

void CIhmDlgPasswordAppli::OnOk() {
    if (!ok_->isEnabled())
        return;
    // The typed characters, one byte each (their low byte).
    std::string typed;
    for (QChar c : edit_->text())
        typed.push_back(char(c.unicode() & 0xFF));
    switch (prompt_.Submit(typed)) {
    case transfer::AppPasswordPrompt::Outcome::Accepted:
        accept();
        return;
    case transfer::AppPasswordPrompt::Outcome::TooShort:
        WarningAlert(this, transfer::kAppPasswordTooShort);
        return;
    case transfer::AppPasswordPrompt::Outcome::Wrong:
        // The user learns first that the password was wrong, then the attempt is counted.
        WarningAlert(this, transfer::kAppWrongPassword);
        if (!prompt_.RecordWrongAttempt()) {
            ErrorAlert(this, texts::kNotReacting);
            return;
        }
        ShowPrompt();
        return;
    default:
        ErrorAlert(this, texts::kNotReacting);
        return;
    }
}
