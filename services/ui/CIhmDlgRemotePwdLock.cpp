#include "services/ui/CIhmDlgRemotePwdLock.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "services/RemotePassword.h"
#include "services/ui/PasswordEdit.h"
#include "services/ui/ServiceAlerts.h"
#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"

namespace {
constexpr const char* kLockCaption = "Controller protection";

QLabel* Label(QWidget* parent, int id, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(CtlName(id));
    return label;
}
} // namespace

CIhmDlgRemotePwdLock::CIhmDlgRemotePwdLock(QWidget* parent)
    : QDialog(parent), first_(MakePasswordEdit(this, 1232, int(services::kPasswordSize))),
      second_(MakePasswordEdit(this, 1233, int(services::kPasswordSize))) {
    setWindowTitle(QString::fromUtf8(kLockCaption));
    setWindowIcon(ApplicationIcon());
    QPushButton* ok = MakeCtlButton(this, 1, "OK");
    QPushButton* cancel = MakeCtlButton(this, 2, "Cancel");
    QPushButton* help = MakeCtlButton(this, 9, "?");
    ok->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label(this, 1235, "Password:"), 0, 0);
    grid->addWidget(first_, 0, 1, 1, 2);
    grid->addWidget(Label(this, 1236, "Confirm the password:"), 1, 0);
    grid->addWidget(second_, 1, 1, 1, 2);
    grid->addWidget(Label(this, 1234, services::kTextTypeCharacters), 2, 0, 1, 3);
    grid->addWidget(ok, 3, 0);
    grid->addWidget(cancel, 3, 1);
    grid->addWidget(help, 3, 2);
    first_->setFocus();

    connect(ok, &QPushButton::clicked, this, &CIhmDlgRemotePwdLock::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // The framework's help command: this dialog has no help page of its own.
    help->setEnabled(false);
}

CIhmDlgRemotePwdLock::~CIhmDlgRemotePwdLock() {
    WipePasswordEdit(first_);
    WipePasswordEdit(second_);
}

int CIhmDlgRemotePwdLock::DoModal() {
    return ModalSeam::Exec(*this, {"dialog", "CIhmDlgRemotePwdLock", kLockCaption, "", 0});
}

services::Secret CIhmDlgRemotePwdLock::TakePassword() {
    return std::move(confirmed_);
}

void CIhmDlgRemotePwdLock::OnOk() {
    services::Secret first = EditText(first_);
    services::Secret second = EditText(second_);
    if (auto refusal = services::CheckNewPassword(first.View(), second.View())) {
        ShowNotice(this, *refusal);
        // The dialog stays open, the first edit ready for a new entry.
        first_->setFocus();
        first_->selectAll();
        return;
    }
    confirmed_ = std::move(first);
    WipePasswordEdit(first_);
    WipePasswordEdit(second_);
    accept();
}
