#include "app/CIhmDlgHelp.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"

namespace {

struct HelpLine {
    int titleId;
    int textId;
    const char* title;
    const char* text;
};

const HelpLine kLines[] = {
    {1193, 1212, "Debugging screen",
     "This screen allows remote viewing and control of the target."},
    {1194, 1213, "Menu", "This menu allows access to different options to control the target."},
    {1195, 1204, "Configure Connection...",
     "This menu option allows you to choose the connection type: USB, BLE or Ethernet."},
    {1196, 1205, "Disconnection",
     "You can disconnect your target and reconnect it with this menu option."},
    {1239, 1240, "Protect the controller with password",
     "This password is used to protect a product from unauthorized communications."},
    {1197, 1206, "Update Firmware", "This menu option is used to update the target code."},
    {1198, 1207, "Read/Write program from/to the controller",
     "This menu option allows you to read and write a program in the target."},
    {1199, 1208, "Read datalogs",
     "This menu option allows you to read the datalogs stored in the target."},
    {1200, 1209, "Read/Write date and time",
     "This menu option allows you to read or write the time the target contains."},
    {1201, 1210, "Controller diagnostics",
     "This menu option allows a hardware and software diagnosis of the target."},
    {1202, 1211, "Start and stop the controller",
     "The Start Stop menus are used to stop and start the target."},
    {1215, 1214, "About QRL",
     "You can access \"About QRL\". This describes the software version. "},
};

QLabel* AddLabel(QWidget* parent, int id, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(CtlName(id));
    return label;
}

} // namespace

CIhmDlgHelp::CIhmDlgHelp(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Help"));
    setWindowIcon(ApplicationIcon());
    auto* grid = new QGridLayout(this);

    auto* icon = AddLabel(this, 1216, {});
    icon->setPixmap(
        QApplication::style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    grid->addWidget(icon, 0, 0);
    grid->addWidget(
        AddLabel(this, 1050, QStringLiteral("This window describes the different menu options.")),
        0, 1);

    int row = 1;
    for (const HelpLine& line : kLines) {
        QLabel* title = AddLabel(this, line.titleId, QString::fromUtf8(line.title));
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        grid->addWidget(title, row, 0);
        grid->addWidget(AddLabel(this, line.textId, QString::fromUtf8(line.text)), row, 1);
        ++row;
    }
    grid->addWidget(new QLabel(QStringLiteral("Notice : A double click on a button on the "
                                              "interface keeps the button pressed."),
                               this),
                    row++, 0, 1, 2);
    auto* back = new QPushButton(QStringLiteral("Return"), this);
    back->setObjectName(CtlName(8));
    back->setDefault(true);
    connect(back, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(back, row, 1, Qt::AlignRight);
}

int CIhmDlgHelp::DoModal() {
    return ModalSeam::Exec(*this, {"dialog", "CIhmDlgHelp", "Help", "", 0});
}
