#include "app/CIhmDlgExit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"

CIhmDlgExit::CIhmDlgExit(QWidget* mainWindow, QWidget* parent)
    : QDialog(parent), mainWindow_(mainWindow) {
    setWindowTitle(QStringLiteral("Exit"));
    setWindowIcon(ApplicationIcon());
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    auto* text =
        new QLabel(QStringLiteral("Are you sure you want to exit Quorvel software?"), this);
    QPushButton* exit = MakeCtlButton(this, 1008, "Exit");
    QPushButton* back = MakeCtlButton(this, 1048, "Return");
    back->setDefault(true);

    connect(exit, &QPushButton::clicked, this, [this] {
        // Posted, as a close message is: the main dialog closes once this one has.
        if (mainWindow_) {
            QPointer<QWidget> target(mainWindow_);
            QTimer::singleShot(0, target, [target] {
                if (target)
                    target->close();
            });
        }
        accept();
    });
    connect(back, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(exit);
    buttons->addWidget(back);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(row);
    outer->addLayout(buttons);
}

int CIhmDlgExit::DoModal() {
    return ModalSeam::Exec(*this, {"dialog", "CIhmDlgExit", "Exit", "", 0});
}

void CIhmDlgExit::Press(int buttonId) {
    if (auto* b = FindCtl<QPushButton>(this, buttonId))
        b->click();
}
