// "Bluetooth settings" (dialog 166): the BLE dongle's port and one device found by a
// scan. Controls: info text 1190, dongle port 1221, device list 1016 ("Label", "Mac
// address" and a hidden column with the raw address), "Scan" 1022, "Refresh" 1013,
// "OK" 1, "Return" 2.
#pragma once

#include <QDialog>

#include <string>

#include "comm/ui/BleDeviceList.h"
#include "comm/ui/PortChoice.h"

class CIhmCtrlList;
class QLabel;
class QPushButton;

class CIhmDlgBLEDongleDiscovery : public QDialog {
    Q_OBJECT
  public:
    // `scanner` runs command 9 of the BLE library; the library itself by default.
    explicit CIhmDlgBLEDongleDiscovery(QWidget* parent = nullptr,
                                       portchoice::BleScanner scanner = {});

    int DoModal();

    void OnScan();
    void OnRefresh();
    void OnOk();

    CIhmCtrlList* Devices() const { return list_; }
    const std::string& Dongle() const { return dongle_; }
    const std::string& ChosenAddress() const { return chosen_; }

  private:
    void DongleCheck();
    void OnSelectionChanged();
    void ShowDevices();

    portchoice::BleScanner scanner_;
    QLabel* info_;
    QLabel* port_;
    CIhmCtrlList* list_;
    QPushButton* scan_;
    QPushButton* ok_;
    BleDeviceList devices_;
    PARAM_COM stored_{};
    std::string dongle_;
    std::string chosen_;
};
