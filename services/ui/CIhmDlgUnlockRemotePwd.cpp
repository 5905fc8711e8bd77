#include "services/ui/CIhmDlgUnlockRemotePwd.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

#include "services/ui/PasswordEdit.h"
#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"

namespace {
constexpr const char* kUnlockCaption = "Protected controller";

QLabel* Label(QWidget* parent, int id, const std::string& text) {
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setObjectName(CtlName(id));
    return label;
}
} // namespace

CIhmDlgUnlockRemotePwd::CIhmDlgUnlockRemotePwd(const services::UnlockPrompt& prompt,
                                               QWidget* parent)
    : QDialog(parent), edit_(MakePasswordEdit(this, 1229, int(services::kPasswordSize))) {
    setWindowTitle(QString::fromUtf8(kUnlockCaption));
    setWindowIcon(ApplicationIcon());
    char typeText[64];
    std::snprintf(typeText, sizeof typeText, "Type %d alphanumeric characters.",
                  int(services::kPasswordSize));
    QPushButton* ok = MakeCtlButton(this, 1, "OK");
    QPushButton* cancel = MakeCtlButton(this, 2, "Cancel");
    ok->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label(this, 1227, services::StatusLine(prompt.firstPrompt)), 0, 0, 1, 2);
    grid->addWidget(Label(this, 1228, "Indicate the password:"), 1, 0);
    grid->addWidget(edit_, 1, 1);
    grid->addWidget(Label(this, 1230, typeText), 2, 0, 1, 2);
    grid->addWidget(Label(this, 1231, services::AttemptLine(prompt.attemptsMade)), 3, 0, 1, 2);
    grid->addWidget(ok, 4, 0);
    grid->addWidget(cancel, 4, 1);
    edit_->setFocus();

    connect(ok, &QPushButton::clicked, this, &CIhmDlgUnlockRemotePwd::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

CIhmDlgUnlockRemotePwd::~CIhmDlgUnlockRemotePwd() {
    WipePasswordEdit(edit_);
}

int CIhmDlgUnlockRemotePwd::DoModal() {
    return ModalSeam::Exec(*this, {"dialog", "CIhmDlgUnlockRemotePwd", kUnlockCaption, "", 0});
}

services::Secret CIhmDlgUnlockRemotePwd::TakePassword() {
    if (typed_.Empty())
        typed_ = TakeEditText(edit_);
    return std::move(typed_);
}

void CIhmDlgUnlockRemotePwd::OnOk() {
    typed_ = TakeEditText(edit_);
    accept();
}
