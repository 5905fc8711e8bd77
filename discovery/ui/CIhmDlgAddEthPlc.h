// "Add a PLC" (dialog 165): a controller the broadcasts cannot reach, named by address or
// host name, with optional custom ports. Controls: radios "IP Address" 1023 / "URL" 1024,
// address 1019, host name 1025, "Use custom ports" 1026, "TCP port" 1029, "Discovery port"
// 1030, "Test" 1022, OK 1, Cancel 2. The logic is discovery::AddPlcLogic.
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "discovery/CDiscoveryClient.h"
#include "discovery/EthernetDialogLogic.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

class CIhmDlgAddEthPlc : public QDialog {
    Q_OBJECT
  public:
    // Why a TCP connection to an address (host form) and port cannot be made, in one line;
    // empty when it can. By default a connection is tried (platform::TcpConnectCause).
    using TcpCheck = std::function<std::string(std::uint32_t host, std::uint16_t port)>;

    explicit CIhmDlgAddEthPlc(QWidget* parent = nullptr,
                              discovery::IDiscoveryClient* client = nullptr,
                              discovery::WaitClock clock = discovery::SteadyWaitClock(),
                              TcpCheck tcpCheck = {});

    int DoModal();

    void OnTest();
    void OnOk();
    const discovery::AddPlcLogic& Form() const { return form_; }

  private:
    void ReadControls();
    void ShowState();
    // The add-controller attempt; nothing (after a warning) when a port is not a number.
    std::optional<bool> Attempt();
    // A failed attempt's warning: `text`, then the line naming why, when one is found.
    void WarnFailed(const char* text);

    discovery::IDiscoveryClient& client_;
    discovery::WaitClock clock_;
    TcpCheck tcpCheck_;
    discovery::AddPlcLogic form_;
    std::uint32_t tried_ = 0;  // the address of the last attempt
    bool triedByName_ = false; // ... came from a name that did not resolve
    QRadioButton* ipMode_;
    QRadioButton* urlMode_;
    QLineEdit* address_;
    QLineEdit* hostName_;
    QCheckBox* customPorts_;
    QLineEdit* tcpPort_;
    QLineEdit* discoveryPort_;
};
