// The connection dialogs' Qt-free choices: the BLE device list and the link parameters.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "comm/ui/BleDeviceList.h"
#include "comm/ui/PortChoice.h"
#include "tests/support/closed_tcp_port.h"

namespace {

std::vector<std::uint8_t> Record(const std::string& name, std::array<std::uint8_t, 6> address) {
    std::vector<std::uint8_t> r(PARAM_BLE::kSize, 0);
    std::memcpy(r.data(), name.data(), std::min<std::size_t>(name.size(), 256));
    std::copy(address.begin(), address.end(), r.begin() + 256);
    return r;
}

std::vector<std::uint8_t> ScanBuffer(const std::vector<std::vector<std::uint8_t>>& records,
                                     int count = -1) {
    std::vector<std::uint8_t> buffer(kScanBufferSize, 0);
    buffer[0] = static_cast<std::uint8_t>(count < 0 ? records.size() : count);
    for (std::size_t i = 0; i < records.size(); ++i)
        std::copy(records[i].begin(), records[i].end(), buffer.begin() + 1 + i * PARAM_BLE::kSize);
    return buffer;
}

TEST(BleDeviceList, NewestFirstDuplicatesOnceLabelCut) {
    auto a = Record("Controller kz9 number one long", {0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
    auto b = Record("Pask", {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF});
    auto buffer = ScanBuffer({a, b, a});
    BleDeviceList list;
    list.AddScan(buffer.data(), buffer.size());
    auto rows = list.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].label, "Pask");
    EXPECT_EQ(rows[0].mac, "FF:EE:DD:CC:BB:AA");
    EXPECT_EQ(rows[1].label, "Controller kz9 num"); // 18 characters
    EXPECT_EQ(rows[1].mac, "06:05:04:03:02:01");
    // A second scan with a device already listed adds nothing new for it.
    auto again = ScanBuffer({b});
    list.AddScan(again.data(), again.size());
    EXPECT_EQ(list.Size(), 2u);
}

TEST(BleDeviceList, ZeroAddressBytesTravelAsCharacterZero) {
    auto rec = Record("Trel", {0x00, 0x41, 0x00, 0x42, 0x43, 0x00});
    auto buffer = ScanBuffer({rec});
    BleDeviceList list;
    list.AddScan(buffer.data(), buffer.size());
    auto row = list.Rows().at(0);
    EXPECT_EQ(row.hidden, std::string("0A0BC0"));
    EXPECT_EQ(row.mac, "00:43:42:00:41:00");

    PARAM_COM p = portchoice::BleParameters(paramcom::Initial(), row.hidden, "ttySIM1 (BLE)");
    std::uint8_t raw[6];
    paramcom::BleAddressRaw(p, raw);
    EXPECT_EQ(std::vector<std::uint8_t>(raw, raw + 6),
              (std::vector<std::uint8_t>{0x00, 0x41, 0x00, 0x42, 0x43, 0x00}));
    EXPECT_EQ(paramcom::GetU32(p, paramcom::kMedium), portchoice::kMediumBle);
    EXPECT_EQ(paramcom::GetString(p, paramcom::kDonglePort, paramcom::kDonglePortSize), "ttySIM1");
}

TEST(BleDeviceList, CountBeyondBufferOrLimitIsCut) {
    auto rec = Record("x", {1, 2, 3, 4, 5, 6});
    // A count of 200 in a buffer that holds one record: only what is there is read.
    std::vector<std::uint8_t> small(1 + PARAM_BLE::kSize, 0);
    small[0] = 200;
    std::copy(rec.begin(), rec.end(), small.begin() + 1);
    BleDeviceList list;
    list.AddScan(small.data(), small.size());
    EXPECT_EQ(list.Size(), 1u);
    // A failed scan leaves the count 0.
    std::vector<std::uint8_t> empty(kScanBufferSize, 0);
    list.Clear();
    list.AddScan(empty.data(), empty.size());
    EXPECT_EQ(list.Size(), 0u);
    // At most 32 records, even when the count byte says more and the buffer is larger.
    std::vector<std::vector<std::uint8_t>> many;
    for (int i = 0; i < 40; ++i)
        many.push_back(Record("d" + std::to_string(i), {std::uint8_t(i + 1), 0, 0, 0, 0, 1}));
    std::vector<std::uint8_t> big(1 + 40 * PARAM_BLE::kSize, 0);
    big[0] = 40;
    for (int i = 0; i < 40; ++i)
        std::copy(many[i].begin(), many[i].end(), big.begin() + 1 + i * PARAM_BLE::kSize);
    list.AddScan(big.data(), big.size());
    EXPECT_EQ(list.Size(), 32u);
}

TEST(PortChoice, FiltersAndRemembersEntries) {
    std::vector<std::string> ports = {"ttyS0", "ttyACM0 (USB)", "ttySIM1 (BLE)", "ttySIM0 (USB)"};
    EXPECT_EQ(portchoice::UsbEntries(ports),
              (std::vector<std::string>{"ttyACM0 (USB)", "ttySIM0 (USB)"}));
    EXPECT_EQ(portchoice::DongleEntry(ports).value_or(""), "ttySIM1 (BLE)");
    EXPECT_EQ(portchoice::EntryContaining(ports, "ttySIM0").value_or(""), "ttySIM0 (USB)");
    EXPECT_FALSE(portchoice::EntryContaining(ports, "COM1").has_value());
    EXPECT_FALSE(portchoice::DongleEntry({"No Active Ports Found"}).has_value());
    EXPECT_TRUE(portchoice::UsbEntries({"No Active Ports Found"}).empty());

    PARAM_COM stored = paramcom::Initial();
    paramcom::SetU32(stored, paramcom::kMedium, 1);
    paramcom::SetU32(stored, paramcom::kTcpPort, 42424);
    PARAM_COM usb = portchoice::UsbParameters(stored, "ttySIM0 (USB)");
    EXPECT_EQ(paramcom::GetString(usb, paramcom::kPortName, paramcom::kPortNameSize), "ttySIM0");
    EXPECT_EQ(paramcom::GetU32(usb, paramcom::kMedium), portchoice::kMediumSerial);
    // What the dialog does not choose stays as stored.
    EXPECT_EQ(paramcom::GetU32(usb, paramcom::kTcpPort), 42424u);
}

TEST(PortChoice, LinkOpenCauseChecksThePortOrAddressOfEachMedium) {
    char tmpl[] = "/tmp/quorvel-choice-XXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    ::setenv("QUORVEL_DEV_DIR", dir.c_str(), 1);
    PARAM_COM none = paramcom::Initial();
    PARAM_COM usb = portchoice::UsbParameters(none, "ttyQC7 (USB)");
    EXPECT_EQ(portchoice::LinkOpenCause(usb), "ttyQC7: no such port in " + dir);
    PARAM_COM ble = portchoice::BleParameters(none, "ABCDEF", "ttyQC8 (BLE)");
    EXPECT_EQ(portchoice::LinkOpenCause(ble), "ttyQC8: no such port in " + dir);
    ::unsetenv("QUORVEL_DEV_DIR");
    ::rmdir(dir.c_str());

    // Ethernet: a loopback port that refuses the connection.
    testsupport::ClosedTcpPort closed;
    ASSERT_NE(closed.Port(), 0);
    PARAM_COM eth = paramcom::Initial();
    paramcom::SetU32(eth, paramcom::kMedium, portchoice::kMediumEthernet);
    paramcom::SetU32(eth, paramcom::kIpAddress, 0x0100007Fu);
    paramcom::SetU32(eth, paramcom::kTcpPort, closed.Port());
    EXPECT_EQ(portchoice::LinkOpenCause(eth), closed.Address() + ": connection refused");
    // A medium with no check: nothing to say.
    paramcom::SetU32(eth, paramcom::kMedium, 7);
    EXPECT_EQ(portchoice::LinkOpenCause(eth), "");
}

} // namespace
