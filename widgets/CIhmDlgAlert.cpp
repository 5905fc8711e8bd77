#include "widgets/CIhmDlgAlert.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

#include "widgets/AlertIcons.h"
#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"

CIhmDlgAlert::CIhmDlgAlert(const std::string& text, AlertIcon icon, int displayMs, QWidget* parent)
    : QDialog(parent), text_(text), displayMs_(displayMs), timer_(new QTimer(this)) {
    setWindowTitle(QString::fromUtf8(kTitleInfo));
    setWindowIcon(ApplicationIcon());

    auto* iconLabel = new QLabel(this);
    iconLabel->setObjectName(CtlName(1147));
    iconLabel->setPixmap(StandardAlertPixmap(icon));

    auto* label = new QLabel(QString::fromStdString(text_), this);
    label->setObjectName(CtlName(1146));
    label->setWordWrap(true);

    auto* row = new QHBoxLayout(this);
    row->addWidget(iconLabel);
    row->addWidget(label, 1);

    // Timer 1: stops itself and closes the note as if OK had been pressed.
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] { done(QDialog::Accepted); });
}

void CIhmDlgAlert::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    timer_->start(displayMs_ < 0 ? 0 : displayMs_);
}

int CIhmDlgAlert::DoModal() {
    ModalRequest request{"note", "CIhmDlgAlert", kTitleInfo, text_, 0};
    return ModalSeam::Exec(*this, request);
}
