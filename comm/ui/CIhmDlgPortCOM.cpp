#include "comm/ui/CIhmDlgPortCOM.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "comm/CComClient.h"
#include "comm/PortEnumeration.h"
#include "comm/SharedTexts.h"
#include "comm/ui/PortChoice.h"
#include "platform/link_cause.h"
#include "widgets/AlertStyle.h"
#include "widgets/Alerts.h"
#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"
#include "widgets/WaitCursor.h"

CIhmDlgPortCOM::CIhmDlgPortCOM(QWidget* parent)
    : QDialog(parent), info_(new QLabel(this)), ports_(new QComboBox(this)),
      ok_(MakeCtlButton(this, 1, "OK")), test_(MakeCtlButton(this, 1010, "Test")) {
    setWindowTitle(QStringLiteral("USB settings"));
    setWindowIcon(ApplicationIcon());
    info_->setObjectName(CtlName(1191));
    info_->setWordWrap(true);
    ports_->setObjectName(CtlName(1012));
    ports_->setEditable(true);
    ports_->setInsertPolicy(QComboBox::NoInsert);
    ports_->setMinimumWidth(180);
    QPushButton* back = MakeCtlButton(this, 2, "Return");
    QPushButton* refresh = MakeCtlButton(this, 1013, "Refresh");
    ok_->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(info_, 0, 0, 1, 3);
    grid->addWidget(ports_, 1, 0, 1, 2);
    grid->addWidget(refresh, 1, 2);
    grid->addWidget(test_, 2, 0);
    grid->addWidget(ok_, 2, 1);
    grid->addWidget(back, 2, 2);

    connect(ok_, &QPushButton::clicked, this, &CIhmDlgPortCOM::OnOk);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    connect(test_, &QPushButton::clicked, this, &CIhmDlgPortCOM::OnTest);
    connect(refresh, &QPushButton::clicked, this, &CIhmDlgPortCOM::OnRefresh);
    connect(ports_, &QComboBox::currentIndexChanged, this, &CIhmDlgPortCOM::OnSelectionChanged);
    connect(ports_, &QComboBox::editTextChanged, this, &CIhmDlgPortCOM::OnSelectionChanged);

    comm::EnumeratePorts();
    CComClient::Instance().GetCommParam(stored_);
    std::string storedPort =
        paramcom::GetString(stored_, paramcom::kPortName, paramcom::kPortNameSize);
    remembered_ = portchoice::EntryContaining(comm::PortList(), storedPort).value_or("");
    Fill();
}

int CIhmDlgPortCOM::DoModal() {
    return ModalSeam::Exec(*this, {"dialog", "CIhmDlgPortCOM", "USB settings", "", 0});
}

void CIhmDlgPortCOM::Fill() {
    ports_->blockSignals(true);
    ports_->clear();
    std::vector<std::string> usb = portchoice::UsbEntries(comm::PortList());
    for (const std::string& e : usb)
        ports_->addItem(QString::fromStdString(e));
    bool any = !usb.empty();
    ports_->setEnabled(any);
    ok_->setEnabled(any);
    test_->setEnabled(any);
    if (any) {
        info_->setText(QString::fromUtf8(portchoice::kUsbSelect));
        int index = ports_->findText(QString::fromStdString(remembered_));
        ports_->setCurrentIndex(index >= 0 ? index : 0);
    } else {
        info_->setText(QString::fromUtf8(portchoice::kUsbNone));
    }
    ports_->blockSignals(false);
    OnSelectionChanged();
}

void CIhmDlgPortCOM::OnSelectionChanged() {
    int index = ports_->currentIndex();
    if (index >= 0 && ports_->currentText() == ports_->itemText(index)) {
        QString text = ports_->itemText(index);
        current_ = text.isEmpty() ? "COM1" : text.toStdString();
        remembered_ = current_;
    } else {
        // Typed by the user: the combo box's own text.
        current_ = ports_->currentText().toStdString();
    }
}

void CIhmDlgPortCOM::OnTest() {
    bool ok;
    std::string cause;
    {
        ScopedWaitCursor wait;
        ok = portchoice::TestUsbPort(current_, stored_, &cause);
    }
    if (ok)
        ShowAlert(this, texts::kCommunicationSucceed, kTitleInfo, kAlertStyleInfo);
    else
        ShowAlert(this, platform::WithCause(texts::kCommunicationFailed, cause), kTitleWarning,
                  kAlertStyleWarning);
}

void CIhmDlgPortCOM::OnOk() {
    CComClient::Instance().SetCommParam(portchoice::UsbParameters(stored_, current_));
    accept();
}

void CIhmDlgPortCOM::OnRefresh() {
    {
        ScopedWaitCursor wait;
        comm::EnumeratePorts();
    }
    Fill();
}
