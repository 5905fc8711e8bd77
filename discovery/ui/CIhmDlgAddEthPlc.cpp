#include "discovery/ui/CIhmDlgAddEthPlc.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "comm/SharedTexts.h"
#include "discovery/DiscoveryAddress.h"
#include "platform/link_cause.h"
#include "widgets/AlertStyle.h"
#include "widgets/Alerts.h"
#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"

namespace {

QPushButton* MakeButton(QWidget* parent, int id, const char* text) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(CtlName(id));
    b->setAutoDefault(false);
    return b;
}

// How long the check of a failed attempt waits for a TCP connection.
constexpr int kTcpCheckTimeoutMs = 5000;

std::string ConnectCause(std::uint32_t host, std::uint16_t port) {
    return platform::TcpConnectCause(host, port, kTcpCheckTimeoutMs);
}

} // namespace

CIhmDlgAddEthPlc::CIhmDlgAddEthPlc(QWidget* parent, discovery::IDiscoveryClient* client,
                                   discovery::WaitClock clock, TcpCheck tcpCheck)
    : QDialog(parent), client_(client ? *client : discovery::CDiscoveryClient::Instance()),
      clock_(std::move(clock)), tcpCheck_(tcpCheck ? std::move(tcpCheck) : ConnectCause),
      ipMode_(Named(new QRadioButton(QStringLiteral("IP Address"), this), 1023)),
      urlMode_(Named(new QRadioButton(QStringLiteral("URL"), this), 1024)),
      address_(Named(new QLineEdit(QStringLiteral("0.0.0.0"), this), 1019)),
      hostName_(Named(new QLineEdit(this), 1025)),
      customPorts_(Named(new QCheckBox(QStringLiteral("Use custom ports"), this), 1026)),
      tcpPort_(Named(new QLineEdit(QStringLiteral("42424"), this), 1029)),
      discoveryPort_(Named(new QLineEdit(QStringLiteral("35007"), this), 1030)) {
    setWindowTitle(QStringLiteral("Add a PLC"));
    setWindowIcon(ApplicationIcon());
    ipMode_->setChecked(true);
    QPushButton* test = MakeButton(this, 1022, "Test");
    QPushButton* ok = MakeButton(this, 1, "OK");
    QPushButton* cancel = MakeButton(this, 2, "Cancel");
    ok->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(ipMode_, 0, 0);
    grid->addWidget(address_, 0, 1, 1, 2);
    grid->addWidget(urlMode_, 1, 0);
    grid->addWidget(hostName_, 1, 1, 1, 2);
    grid->addWidget(customPorts_, 2, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("TCP port"), this), 3, 0);
    grid->addWidget(tcpPort_, 3, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Discovery port"), this), 4, 0);
    grid->addWidget(discoveryPort_, 4, 1, 1, 2);
    grid->addWidget(test, 5, 0);
    grid->addWidget(ok, 5, 1);
    grid->addWidget(cancel, 5, 2);

    connect(ipMode_, &QRadioButton::toggled, this, [this] {
        form_.SetIpMode(ipMode_->isChecked());
        ShowState();
    });
    connect(customPorts_, &QCheckBox::toggled, this, [this](bool on) {
        ReadControls();
        form_.SetCustomPorts(on);
        ShowState();
    });
    connect(test, &QPushButton::clicked, this, &CIhmDlgAddEthPlc::OnTest);
    connect(ok, &QPushButton::clicked, this, &CIhmDlgAddEthPlc::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    ShowState();
}

int CIhmDlgAddEthPlc::DoModal() {
    return ModalSeam::Exec(*this, {"dialog", "CIhmDlgAddEthPlc", "Add a PLC", "", 0});
}

void CIhmDlgAddEthPlc::ReadControls() {
    // The address control always holds an address; text that is not one counts as 0.0.0.0.
    form_.addressMsb = discovery::ParseDotted(address_->text().trimmed().toStdString()).value_or(0);
    form_.hostName = hostName_->text().trimmed().toStdString();
    form_.tcpPortText = tcpPort_->text().trimmed().toStdString();
    form_.discoveryPortText = discoveryPort_->text().trimmed().toStdString();
}

void CIhmDlgAddEthPlc::ShowState() {
    address_->setEnabled(form_.AddressEnabled());
    hostName_->setEnabled(form_.HostNameEnabled());
    tcpPort_->setEnabled(form_.PortsEnabled());
    discoveryPort_->setEnabled(form_.PortsEnabled());
    tcpPort_->setText(QString::fromStdString(form_.tcpPortText));
    discoveryPort_->setText(QString::fromStdString(form_.discoveryPortText));
}

std::optional<bool> CIhmDlgAddEthPlc::Attempt() {
    ReadControls();
    const auto discoveryPort = form_.DiscoveryPort();
    if (!discoveryPort || !form_.TcpPort()) {
        ShowAlert(this, discovery::kTextBadPort, kTitleWarning, kAlertStyleWarning);
        return std::nullopt;
    }
    const discovery::AddPlcLogic::Target target = form_.AddressToTry();
    if (target.dnsFailed)
        ShowAlert(this, discovery::kTextDnsFailed, kTitleWarning, kAlertStyleWarning);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok =
        discovery::AddPlcLogic::Attempt(client_, target.addressMsb, *discoveryPort, clock_);
    QApplication::restoreOverrideCursor();
    tried_ = target.addressMsb;
    triedByName_ = target.dnsFailed;
    return ok;
}

void CIhmDlgAddEthPlc::WarnFailed(const char* text) {
    // A name that did not resolve was already named as the cause.
    std::string cause;
    if (!triedByName_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const std::uint32_t host = discovery::HostFromMsb(tried_);
        const std::uint16_t tcpPort = form_.TcpPort().value_or(discovery::kDefaultTcpPort);
        cause = tcpCheck_(host, tcpPort);
        // The controller's TCP port answers: the discovery request is what went unanswered.
        if (cause.empty())
            cause = discovery::FormatHost(host) + ": no answer to discovery on UDP port " +
                    std::to_string(form_.DiscoveryPort().value_or(0)) + " (TCP port " +
                    std::to_string(tcpPort) + " accepts connections)";
        QApplication::restoreOverrideCursor();
    }
    ShowAlert(this, platform::WithCause(text, cause), kTitleWarning, kAlertStyleWarning);
}

void CIhmDlgAddEthPlc::OnTest() {
    const std::optional<bool> ok = Attempt();
    if (!ok)
        return;
    if (*ok)
        ShowAlert(this, texts::kCommunicationSucceed, kTitleInfo, kAlertStyleInfo);
    else
        WarnFailed(texts::kNotReacting);
}

void CIhmDlgAddEthPlc::OnOk() {
    const std::optional<bool> ok = Attempt();
    if (!ok)
        return;
    if (*ok) {
        discovery::AddPlcLogic::RememberTcpPort(discovery::ProcessEthernetMemory(), tried_,
                                                *form_.TcpPort());
        accept();
    } else {
        WarnFailed(discovery::kTextFailed);
    }
}
