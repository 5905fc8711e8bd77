#include "app/CIhmDlgAbout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppVersion.h"
#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"

CIhmDlgAbout::CIhmDlgAbout(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Quorvel"));
    setWindowIcon(ApplicationIcon());
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    auto* version = new QLabel(QString::fromStdString(VersionText("Quorvel, version ")), this);
    version->setObjectName(CtlName(1217));
    auto* back = new QPushButton(QStringLiteral("Return"), this);
    back->setObjectName(CtlName(1));
    back->setDefault(true);
    connect(back, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(version, 1);
    row->addWidget(back);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(row);
}

int CIhmDlgAbout::DoModal() {
    return ModalSeam::Exec(*this, {"dialog", "CIhmDlgAbout", "About Quorvel", "", 0});
}
