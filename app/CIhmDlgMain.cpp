#include "app/CIhmDlgMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPushButton>
#include <QTimer>

#include "app/CIhmDlgSubMain.h"
#include "app/CIhmSplashWnd.h"
#include "app/MenuModel.h"
#include "comm/ProcessState.h"
#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"
#include "widgets/UiClock.h"

namespace {
constexpr int kFoldButtonWidth = 14;
constexpr int kSplashMs = 1500;
} // namespace

CIhmDlgMain::CIhmDlgMain(QWidget* parent)
    : QDialog(parent), subMain_(new CIhmDlgSubMain(this)),
      fold_(new QPushButton(QStringLiteral("<"), this)),
      unfold_(new QPushButton(QStringLiteral(">"), this)), idle_(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Quorvel"));
    setWindowIcon(ApplicationIcon());
    fold_->setObjectName(CtlName(1022));
    unfold_->setObjectName(CtlName(1023));
    fold_->setAutoDefault(false);
    unfold_->setAutoDefault(false);

    QSize panel = CIhmDlgSubMain::PanelSize();
    subMain_->move(0, 0);
    // ">" sits right of the front panel, "<" at the far right of the side column.
    unfold_->setGeometry(352, 0, kFoldButtonWidth, panel.height());
    fold_->setGeometry(panel.width(), 0, kFoldButtonWidth, panel.height());
    resize(panel.width() + kFoldButtonWidth, panel.height());
    fold_->raise();
    unfold_->raise();

    connect(fold_, &QPushButton::clicked, this, &CIhmDlgMain::Fold);
    connect(unfold_, &QPushButton::clicked, this, &CIhmDlgMain::Fold);
    connect(idle_, &QTimer::timeout, this, &CIhmDlgMain::IdlePass);
    idle_->setInterval(panel::IdlePacer::kBusyMs);
}

void CIhmDlgMain::Initialise() {
    if (initialised_)
        return;
    initialised_ = true;
    CIhmSplashWnd::ShowSplashScreen(splashEnabled_, this);
    subMain_->Create(PanelTemplateForFamily(0));
    panelFamily_ = 0;
    subMain_->show();
    unfold_->setVisible(sideColumn_);
    unfolded_ = QRect(pos(), size());
    Fold();
    if (CIhmSplashWnd::Current()) {
        QApplication::processEvents();
        UiClock::Wait(kSplashMs);
        CIhmSplashWnd::Destroy();
        update();
    }
    idle_->start();
}

int CIhmDlgMain::DoModal() {
    Initialise();
    return ModalSeam::Exec(*this, {"dialog", "CIhmDlgMain", "Quorvel", "", 0});
}

void CIhmDlgMain::Fold() {
    if (sideColumn_) {
        int width = unfold_->geometry().right() + 1;
        setFixedSize(width, unfolded_.height() > 0 ? unfolded_.height() : height());
        unfold_->show();
        sideColumn_ = false;
    } else {
        setFixedSize(unfolded_.width(), unfolded_.height());
        unfold_->hide();
        sideColumn_ = true;
    }
}

void CIhmDlgMain::IdlePass() {
    // Nested dialogs run their own event loops; the panel is rebuilt once they are done.
    if (subMain_->Busy())
        return;
    int family = ControllerFamily().load();
    if (family != panelFamily_) {
        subMain_->DestroyWindow();
        subMain_->Create(PanelTemplateForFamily(family));
        subMain_->show();
        panelFamily_ = family;
    }
    idle_->setInterval(pacer_.Next(subMain_->Tick()));
}

void CIhmDlgMain::reject() {
    if (closing_) {
        QDialog::reject();
        return;
    }
    subMain_->OnExit();
}

void CIhmDlgMain::closeEvent(QCloseEvent* event) {
    // The window manager's close button is the cancel command: ask first.
    if (event->spontaneous() && !closing_) {
        event->ignore();
        subMain_->OnExit();
        return;
    }
    // The Exit dialog's close request ends the program.
    closing_ = true;
    idle_->stop();
    QDialog::reject();
    event->accept();
}
