// "Connection parameters" (dialog 164): the controllers the discovery service knows, live,
// and on OK the Ethernet link parameters. Controls: list 1016, label 1017, clock mark 1018,
// address 1019 (read-only), status 1020, the add icon 1021, OK 1, Cancel 2. The logic is
// discovery::EthernetDiscoveryLogic; each idle pass (a timer) takes the next publication.
#pragma once

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

#include "discovery/CDiscoveryTableHolder.h"
#include "discovery/DiscoveryWait.h"
#include "discovery/EthernetDialogLogic.h"

class CIhmCtrlList;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

class CIhmDlgEthernetDiscovery : public QDialog {
    Q_OBJECT
  public:
    // `client` and `clock` default to the process-wide client and the system clock.
    explicit CIhmDlgEthernetDiscovery(
        QWidget* parent = nullptr, discovery::IDiscoveryClient* client = nullptr,
        discovery::SecondsClock clock = {},
        discovery::WaitClock waitClock = discovery::SteadyWaitClock());

    int DoModal();

    // One idle pass.
    void OnIdle();
    void ChooseRow(int row);
    // The context menu's entries for a row ("Select", "Remove"), and running one.
    std::vector<std::string> MenuEntries(int row) const;
    void RunMenuEntry(int row, const std::string& entry);
    void OnAdd();
    void OnOk();

    const discovery::EthernetDiscoveryLogic& Logic() const { return logic_; }
    CIhmCtrlList* List() const { return list_; }

  private:
    void OnListMessage(int message, quintptr wParam, qint64 lParam);
    void ShowRows();
    void ShowChosen();

    std::unique_ptr<discovery::CDiscoveryTableHolder> holder_;
    discovery::EthernetDiscoveryLogic logic_;
    discovery::IDiscoveryClient& client_;
    discovery::WaitClock waitClock_;
    CIhmCtrlList* list_;
    QLineEdit* label_;
    QLineEdit* clockMark_;
    QLineEdit* address_;
    QLabel* status_;
    QPushButton* ok_;
    QTimer* idle_;
};

// Registers the dialog as the command menu's "Ethernet" entry (command 16).
void RegisterEthernetDialog();
