// "USB settings" and "Bluetooth settings", driven through their controls.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app_sim_fixture.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "comm/ui/CIhmDlgBLEDongleDiscovery.h"
#include "comm/ui/CIhmDlgPortCOM.h"
#include "widgets/CIhmCtrlList.h"
#include "widgets/ControlIds.h"
#include "comm/LinkState.h"

namespace {

namespace fs = std::filesystem;

// A device folder of the test's own, with ports published as the simulator does.
class DeviceFolder {
  public:
    DeviceFolder() {
        char tmpl[] = "/tmp/quorvel-devtest.XXXXXX";
        path_ = mkdtemp(tmpl);
        setenv("QUORVEL_DEV_DIR", path_.c_str(), 1);
    }
    ~DeviceFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    // A port that exists but is no serial line (opening it as one fails at once).
    void Publish(const std::string& name, const std::string& friendly) {
        fs::create_symlink("/dev/null", path_ + "/" + name);
        std::ofstream(path_ + "/" + name + ".name") << friendly;
    }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

std::vector<std::uint8_t> Device(const std::string& name, std::array<std::uint8_t, 6> address) {
    std::vector<std::uint8_t> r(PARAM_BLE::kSize, 0);
    std::copy(name.begin(), name.end(), r.begin());
    std::copy(address.begin(), address.end(), r.begin() + 256);
    return r;
}

class ConnectionDialogs : public AppSimTest {};

TEST_F(ConnectionDialogs, UsbWithoutPortThenRefreshFindsTheSimulator) {
    DeviceFolder empty;
    CIhmDlgPortCOM dlg;
    auto* ports = FindCtl<QComboBox>(&dlg, 1012);
    EXPECT_FALSE(ports->isEnabled());
    EXPECT_FALSE(FindCtl<QPushButton>(&dlg, 1)->isEnabled());
    EXPECT_FALSE(FindCtl<QPushButton>(&dlg, 1010)->isEnabled());
    EXPECT_EQ(FindCtl<QLabel>(&dlg, 1191)->text().toStdString(),
              "No USB COM port detected.\nIf you have just connected a USB wire, please refresh "
              "the COM list.");

    StartSim({"--code8", "61410031"});
    FindCtl<QPushButton>(&dlg, 1013)->click();
    EXPECT_TRUE(ports->isEnabled());
    EXPECT_TRUE(FindCtl<QPushButton>(&dlg, 1)->isEnabled());
    EXPECT_EQ(ports->currentText(), "ttySIM0 (USB)");
    EXPECT_EQ(FindCtl<QLabel>(&dlg, 1191)->text(), "Select a COM port to connect your device.");

    // OK stores the port without its annotation, with the USB medium.
    FindCtl<QPushButton>(&dlg, 1)->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    PARAM_COM stored{};
    ASSERT_EQ(CComClient::Instance().GetCommParam(stored), 0);
    EXPECT_EQ(paramcom::GetString(stored, paramcom::kPortName, paramcom::kPortNameSize), "ttySIM0");
    EXPECT_EQ(paramcom::GetU32(stored, paramcom::kMedium), 0u);
}

TEST_F(ConnectionDialogs, UsbTestOfSilentPortWarnsAndRestores) {
    DeviceFolder folder;
    folder.Publish("ttyUSB7", "Vellmor kz9 cable (ttyUSB7)");
    PARAM_COM before{};
    CComClient::Instance().GetCommParam(before);
    CIhmDlgPortCOM dlg;
    EXPECT_EQ(FindCtl<QComboBox>(&dlg, 1012)->currentText(), "ttyUSB7 (USB)");
    // The warning names why the port did not open, on a line of its own.
    FindCtl<QPushButton>(&dlg, 1010)->click();
    EXPECT_EQ(Alerts(), (std::vector<std::string>{
                            "Quorvel warning|Communication Failed\nttyUSB7: not a serial port"}));
    // A port name typed in the box that the device folder does not hold.
    FindCtl<QComboBox>(&dlg, 1012)->setEditText("ttyUSB9");
    FindCtl<QPushButton>(&dlg, 1010)->click();
    ASSERT_EQ(Alerts().size(), 2u);
    EXPECT_EQ(Alerts().back(),
              "Quorvel warning|Communication Failed\nttyUSB9: no such port in " + folder.Path());
    PARAM_COM after{};
    CComClient::Instance().GetCommParam(after);
    EXPECT_EQ(paramcom::GetString(after, paramcom::kPortName, paramcom::kPortNameSize),
              paramcom::GetString(before, paramcom::kPortName, paramcom::kPortNameSize));
}

TEST_F(ConnectionDialogs, BluetoothWithoutDongle) {
    DeviceFolder folder;
    folder.Publish("ttyUSB7", "Vellmor kz9 cable (ttyUSB7)");
    int scans = 0;
    CIhmDlgBLEDongleDiscovery dlg(nullptr, [&](const PARAM_COM&, std::uint8_t*) { ++scans; });
    EXPECT_EQ(scans, 0);
    EXPECT_FALSE(dlg.Devices()->isEnabled());
    EXPECT_FALSE(FindCtl<QPushButton>(&dlg, 1022)->isEnabled());
    EXPECT_FALSE(FindCtl<QPushButton>(&dlg, 1)->isEnabled());
    EXPECT_EQ(FindCtl<QLabel>(&dlg, 1190)->text().toStdString(),
              "No BLE device detected.\nIf you have just connected a BLE dongle, please refresh "
              "the COM list.");
}

TEST_F(ConnectionDialogs, BluetoothScanListsDevicesAndOkNeedsASelection) {
    DeviceFolder folder;
    folder.Publish("ttyACM3", "Bluegiga Bluetooth Low Energy (ttyACM3)");
    std::vector<std::vector<std::uint8_t>> found = {
        Device("kz9 in the workshop, left bench", {0x11, 0x00, 0x33, 0x44, 0x55, 0x66}),
        Device("Pask", {0x01, 0x02, 0x03, 0x04, 0x05, 0x06})};
    found.push_back(found[0]); // advertised twice
    int scans = 0;
    std::string scannedPort;
    std::uint32_t scannedMedium = 99;
    auto scanner = [&](const PARAM_COM& p, std::uint8_t* buffer) {
        ++scans;
        scannedPort = paramcom::GetString(p, paramcom::kDonglePort, paramcom::kDonglePortSize);
        scannedMedium = paramcom::GetU32(p, paramcom::kMedium);
        buffer[0] = static_cast<std::uint8_t>(found.size());
        for (std::size_t i = 0; i < found.size(); ++i)
            std::copy(found[i].begin(), found[i].end(), buffer + 1 + i * PARAM_BLE::kSize);
    };
    CIhmDlgBLEDongleDiscovery dlg(nullptr, scanner);
    // The dongle check scans at once.
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(scannedPort, "ttyACM3");
    EXPECT_EQ(scannedMedium, 2u);
    EXPECT_EQ(FindCtl<QLabel>(&dlg, 1221)->text(), "ttyACM3 (BLE)");
    EXPECT_EQ(FindCtl<QLabel>(&dlg, 1190)->text().toStdString(),
              "Scan the area.\nThen select a device to connect.");
    CIhmCtrlList* list = dlg.Devices();
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(list->Text(0, 0), "Pask");
    EXPECT_EQ(list->Text(1, 0), "kz9 in the worksho");
    EXPECT_EQ(list->Text(1, 1), "66:55:44:33:00:11");
    EXPECT_EQ(list->columnWidth(0), 145);
    EXPECT_EQ(list->columnWidth(1), 136);
    EXPECT_TRUE(list->isColumnHidden(2));

    auto* ok = FindCtl<QPushButton>(&dlg, 1);
    EXPECT_FALSE(ok->isEnabled());
    list->selectRow(1);
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(dlg.ChosenAddress(), std::string("\x11"
                                               "0"
                                               "\x33\x44\x55\x66"));
    list->clearSelection();
    EXPECT_FALSE(ok->isEnabled());

    // "Refresh" enumerates again and scans again; the list is rebuilt, not doubled.
    FindCtl<QPushButton>(&dlg, 1013)->click();
    EXPECT_EQ(scans, 2);
    EXPECT_EQ(list->rowCount(), 2);
    FindCtl<QPushButton>(&dlg, 1022)->click();
    EXPECT_EQ(scans, 3);

    // OK on a dongle that does not answer: the error, and the dialog stays open.
    ConnectionKind().store(0);
    list->selectRow(0);
    ok->click();
    EXPECT_EQ(Alerts(), (std::vector<std::string>{
                            "Quorvel error|The target peripheral is not reacting.\nCheck the "
                            "connection.\nttyACM3: not a serial port"}));
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(ConnectionKind().load(), 0);
    EXPECT_EQ(LinkConfigured().load(), 0);
    // The parameters stored carry the BLE medium, the address and the dongle's port.
    PARAM_COM stored{};
    CComClient::Instance().GetCommParam(stored);
    EXPECT_EQ(paramcom::GetU32(stored, paramcom::kMedium), 2u);
    EXPECT_EQ(paramcom::GetString(stored, paramcom::kDonglePort, paramcom::kDonglePortSize),
              "ttyACM3");
}

TEST_F(ConnectionDialogs, BluetoothThroughTheSimulatedDongleConnects) {
    // The simulator's dongle advertises its controller twice in each scan.
    StartSim({"--code8", "61420001", "--ble-name", "ttySIM1", "--ble-duplicate",
              "--ble-device-name", "Pask controller, workshop 2"});
    CIhmDlgBLEDongleDiscovery dlg;
    EXPECT_EQ(FindCtl<QLabel>(&dlg, 1221)->text(), "ttySIM1 (BLE)");
    CIhmCtrlList* list = dlg.Devices();
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->Text(0, 0), "Pask controller, w");
    list->selectRow(0);
    FindCtl<QPushButton>(&dlg, 1)->click();
    EXPECT_TRUE(Alerts().empty()) << Alerts().front();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(ConnectionKind().load(), 1);
    EXPECT_EQ(LinkConfigured().load(), 1);
    EXPECT_TRUE(IsLinkOpen());
    EXPECT_EQ(ControllerFamily().load(), 1);
}

} // namespace
