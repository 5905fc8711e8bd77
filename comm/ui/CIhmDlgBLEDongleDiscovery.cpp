#include "comm/ui/CIhmDlgBLEDongleDiscovery.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include <vector>

#include "comm/CComClient.h"
#include "comm/PortEnumeration.h"
#include "comm/ProcessState.h"
#include "comm/SharedTexts.h"
#include "platform/link_cause.h"
#include "widgets/AlertStyle.h"
#include "widgets/Alerts.h"
#include "widgets/AppIcon.h"
#include "widgets/CIhmCtrlList.h"
#include "widgets/ControlIds.h"
#include "comm/LinkState.h"
#include "widgets/ModalSeam.h"
#include "widgets/WaitCursor.h"

CIhmDlgBLEDongleDiscovery::CIhmDlgBLEDongleDiscovery(QWidget* parent,
                                                     portchoice::BleScanner scanner)
    : QDialog(parent), scanner_(scanner ? std::move(scanner) : portchoice::ScanThroughLibrary),
      info_(new QLabel(this)), port_(new QLabel(this)), list_(new CIhmCtrlList(this)),
      scan_(MakeCtlButton(this, 1022, "Scan")), ok_(MakeCtlButton(this, 1, "OK")) {
    setWindowTitle(QStringLiteral("Bluetooth settings"));
    setWindowIcon(ApplicationIcon());
    info_->setObjectName(CtlName(1190));
    info_->setWordWrap(true);
    port_->setObjectName(CtlName(1221));
    list_->setObjectName(CtlName(1016));
    list_->AddColumn(QStringLiteral("Label"), 145);
    list_->AddColumn(QStringLiteral("Mac address"), 136);
    list_->AddColumn(QString(), 0);
    list_->Setup(true);
    list_->setShowGrid(true);
    list_->setMinimumSize(300, 160);
    QPushButton* refresh = MakeCtlButton(this, 1013, "Refresh");
    QPushButton* back = MakeCtlButton(this, 2, "Return");

    auto* grid = new QGridLayout(this);
    grid->addWidget(info_, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("COM PORT"), this), 1, 0);
    grid->addWidget(port_, 1, 1);
    grid->addWidget(refresh, 1, 2);
    grid->addWidget(list_, 2, 0, 1, 3);
    grid->addWidget(scan_, 3, 0);
    grid->addWidget(ok_, 3, 1);
    grid->addWidget(back, 3, 2);

    connect(scan_, &QPushButton::clicked, this, &CIhmDlgBLEDongleDiscovery::OnScan);
    connect(refresh, &QPushButton::clicked, this, &CIhmDlgBLEDongleDiscovery::OnRefresh);
    connect(ok_, &QPushButton::clicked, this, &CIhmDlgBLEDongleDiscovery::OnOk);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QTableWidget::itemSelectionChanged, this,
            &CIhmDlgBLEDongleDiscovery::OnSelectionChanged);

    ok_->setEnabled(false);
    comm::EnumeratePorts();
    CComClient::Instance().GetCommParam(stored_);
    DongleCheck();
}

int CIhmDlgBLEDongleDiscovery::DoModal() {
    return ModalSeam::Exec(*this,
                           {"dialog", "CIhmDlgBLEDongleDiscovery", "Bluetooth settings", "", 0});
}

void CIhmDlgBLEDongleDiscovery::DongleCheck() {
    auto dongle = portchoice::DongleEntry(comm::PortList());
    dongle_ = dongle.value_or("");
    port_->setText(QString::fromStdString(dongle_));
    if (!dongle) {
        devices_.Clear();
        ShowDevices();
        list_->setEnabled(false);
        scan_->setEnabled(false);
        info_->setText(QString::fromUtf8(portchoice::kBleNone));
        return;
    }
    list_->setEnabled(true);
    scan_->setEnabled(true);
    info_->setText(QString::fromUtf8(portchoice::kBleScan));
    OnScan();
}

void CIhmDlgBLEDongleDiscovery::OnScan() {
    ScopedWaitCursor wait;
    // The core server must let go of the dongle before the library scans through it.
    CComClient::Instance().Deconnect();
    std::vector<std::uint8_t> buffer(kScanBufferSize, 0);
    devices_.Clear();
    PARAM_COM param = paramcom::Initial();
    paramcom::SetU32(param, paramcom::kMedium, portchoice::kMediumBle);
    paramcom::SetString(param, paramcom::kDonglePort, paramcom::kDonglePortSize,
                        comm::PortNameFromEntry(dongle_), paramcom::kMaxPortChars);
    scanner_(param, buffer.data());
    devices_.AddScan(buffer.data(), buffer.size());
    ShowDevices();
}

void CIhmDlgBLEDongleDiscovery::ShowDevices() {
    list_->setRowCount(0);
    for (const BleDeviceRow& row : devices_.Rows())
        list_->InsertRow(
            -1, {QString::fromStdString(row.label), QString::fromStdString(row.mac),
                 QString::fromLatin1(row.hidden.data(), static_cast<int>(row.hidden.size()))});
    OnSelectionChanged();
}

void CIhmDlgBLEDongleDiscovery::OnSelectionChanged() {
    int row = list_->SelectedRow();
    if (row < 0) {
        chosen_.clear();
        ok_->setEnabled(false);
        return;
    }
    QByteArray raw = list_->Text(row, 2).toLatin1().left(6);
    chosen_.assign(raw.constData(), static_cast<std::size_t>(raw.size()));
    ok_->setEnabled(true);
}

void CIhmDlgBLEDongleDiscovery::OnRefresh() {
    {
        ScopedWaitCursor wait;
        comm::EnumeratePorts();
    }
    DongleCheck();
}

void CIhmDlgBLEDongleDiscovery::OnOk() {
    CComClient& client = CComClient::Instance();
    const PARAM_COM param = portchoice::BleParameters(stored_, chosen_, dongle_);
    if (client.SetCommParam(param) != 0) {
        ShowAlert(this, texts::kNotReacting, kTitleError, kAlertStyleError);
        return;
    }
    // CONNECT is answered OK whatever became of the link; only an open link means the
    // device answered, and only then is the link kept as chosen.
    if (client.Connect() != 0 || !IsLinkOpen()) {
        std::string cause;
        {
            ScopedWaitCursor wait;
            cause = portchoice::LinkOpenCause(param);
        }
        ShowAlert(this, platform::WithCause(texts::kNotReacting, cause), kTitleError,
                  kAlertStyleError);
        return;
    }
    ConnectionKind().store(1);
    LinkConfigured().store(1);
    accept();
}
