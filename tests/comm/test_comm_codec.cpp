// PARAM_COM <-> ComType, as the client builds requests and reads answers and as the core
// server stores and describes its live block.
#include <gtest/gtest.h>

#include <string>

#include "comm/CommParamCodec.h"
#include "comm/ServerCodes.h"

using namespace paramcom;

namespace {

const std::uint8_t kAddressWithZeros[6] = {0x00, 0x11, 0x22, 0x00, 0x44, 0x55};

PARAM_COM BleBlock(const char* donglePort) {
    PARAM_COM block = Initial();
    SetU32(block, kMedium, BLTH);
    SetBleAddressRaw(block, kAddressWithZeros);
    SetString(block, kDonglePort, kDonglePortSize, donglePort, kMaxPortChars);
    return block;
}

char noSsl[commparam::kSslPeerNameSize] = {};

} // namespace

TEST(CommParamCodec, SerialPortNameTravelsAsEightBytes) {
    PARAM_COM block = Initial();
    SetString(block, kPortName, kPortNameSize, "COM12", kMaxPortChars);
    ComType out;
    ASSERT_TRUE(commparam::BuildForRequest(block, noSsl, out));
    EXPECT_EQ(out.comway(), PORT_SERIE);
    EXPECT_EQ(out.cible(), 247u);
    EXPECT_EQ(out.portcom(), std::string("COM12\0\0\0", 8));
    EXPECT_FALSE(out.has_ipadress());
    EXPECT_FALSE(out.has_ble_mac_adresse());

    PARAM_COM server = Initial();
    char ssl[commparam::kSslPeerNameSize] = {};
    EXPECT_EQ(commparam::StoreOnServer(out, server, ssl), 0u);
    EXPECT_EQ(GetString(server, kPortName, kPortNameSize), "COM12");
}

TEST(CommParamCodec, BleAddressZeroBytesTravelAsCharacterZeroAndComeBack) {
    PARAM_COM block = BleBlock("COM3");
    ComType out;
    ASSERT_TRUE(commparam::BuildForRequest(block, noSsl, out));
    // The address string runs on into the dongle port name that follows it.
    EXPECT_EQ(out.ble_mac_adresse(), std::string("0\x11\x22"
                                                 "0\x44\x55"
                                                 "COM3"));
    EXPECT_EQ(out.portcom(), std::string("COM3\0\0\0\0", 8));
    EXPECT_FALSE(out.has_ble_device_path());

    PARAM_COM server = Initial();
    SetString(server, kDevicePath, kDevicePathSize, "/old/path", kDevicePathSize - 1);
    SetU32(server, kTimeout, 0xA1B2C3D4);
    char ssl[commparam::kSslPeerNameSize] = {};
    ASSERT_EQ(commparam::StoreOnServer(out, server, ssl), 0u);
    std::uint8_t raw[6];
    BleAddressRaw(server, raw);
    EXPECT_EQ(0, std::memcmp(raw, kAddressWithZeros, 6));
    EXPECT_EQ(server.bytes[kBleAddress], 0x30);
    EXPECT_EQ(GetString(server, kDonglePort, kDonglePortSize), "COM3");
    EXPECT_EQ(GetString(server, kDevicePath, kDevicePathSize), "");
    EXPECT_EQ(GetU32(server, kTimeout), 0xA1B2C3D4u);
}

TEST(CommParamCodec, BleDevicePathOrNothing) {
    PARAM_COM block = Initial();
    SetU32(block, kMedium, BLTH);
    SetString(block, kDevicePath, kDevicePathSize, "/dev/ble0", kDevicePathSize - 1);
    ComType out;
    ASSERT_TRUE(commparam::BuildForRequest(block, noSsl, out));
    EXPECT_EQ(out.ble_device_path().size(), kDevicePathSize);
    EXPECT_EQ(out.ble_device_path().substr(0, 10), std::string("/dev/ble0\0", 10));
    EXPECT_FALSE(out.has_portcom());

    PARAM_COM server = BleBlock("COM9");
    char ssl[commparam::kSslPeerNameSize] = {};
    ASSERT_EQ(commparam::StoreOnServer(out, server, ssl), 0u);
    EXPECT_EQ(GetString(server, kDevicePath, kDevicePathSize), "/dev/ble0");
    EXPECT_EQ(GetString(server, kDonglePort, kDonglePortSize), "");

    // Neither a dongle port nor a path: only the medium travels, and the server refuses
    // it after switching the medium.
    PARAM_COM empty = Initial();
    SetU32(empty, kMedium, BLTH);
    ASSERT_TRUE(commparam::BuildForRequest(empty, noSsl, out));
    EXPECT_FALSE(out.has_portcom());
    EXPECT_FALSE(out.has_ble_mac_adresse());
    EXPECT_FALSE(out.has_ble_device_path());
    PARAM_COM usb = Initial();
    EXPECT_EQ(commparam::StoreOnServer(out, usb, ssl), servercode::kNoBleDevice);
    EXPECT_EQ(GetU32(usb, kMedium), std::uint32_t(BLTH));
}

TEST(CommParamCodec, EthernetAddressPortAndSslFlag) {
    PARAM_COM block = Initial();
    SetU32(block, kMedium, ETH);
    SetU32(block, kIpAddress, 0x0100007F);
    SetU32(block, kTcpPort, 0xABCD0000 | 42424);
    const char peer[commparam::kSslPeerNameSize] = {'p', 'e', 'e', 'r', '.', 'l', 'o',
                                                    'c', 'a', 'l', 0,   0,   0,   0};
    ComType plain;
    ASSERT_TRUE(commparam::BuildForRequest(block, peer, plain));
    EXPECT_EQ(plain.ipadress(), 0x0100007Fu);
    EXPECT_EQ(plain.tcpport(), 42424u);
    EXPECT_FALSE(plain.has_sslpeername());

    SetU32(block, kSslFlag, 1);
    ComType secured;
    ASSERT_TRUE(commparam::BuildForRequest(block, peer, secured));
    EXPECT_EQ(secured.sslpeername(), std::string(peer, 14));

    PARAM_COM server = Initial();
    char ssl[commparam::kSslPeerNameSize] = {};
    ASSERT_EQ(commparam::StoreOnServer(secured, server, ssl), 0u);
    EXPECT_EQ(GetU32(server, kSslFlag), 1u);
    EXPECT_EQ(GetU32(server, kSslRef), 0u);
    EXPECT_EQ(std::string(ssl, 10), "peer.local");
    ASSERT_EQ(commparam::StoreOnServer(plain, server, ssl), 0u);
    EXPECT_EQ(GetU32(server, kSslFlag), 0u);

    ComType described;
    commparam::DescribeOnServer(server, 247, ssl, described);
    EXPECT_FALSE(described.has_sslpeername());
    EXPECT_EQ(described.tcpport(), 42424u);
}

TEST(CommParamCodec, ServerRefusalsAndWhatTheyLeave) {
    char ssl[commparam::kSslPeerNameSize] = {};
    PARAM_COM server = Initial();
    SetU32(server, kMedium, BLTH);

    ComType noComWay;
    noComWay.set_cible(247);
    EXPECT_EQ(commparam::StoreOnServer(noComWay, server, ssl), servercode::kUnknownMedium);
    EXPECT_EQ(GetU32(server, kMedium), std::uint32_t(BLTH));

    ComType usb;
    usb.set_cible(247);
    usb.set_comway(PORT_SERIE);
    EXPECT_EQ(commparam::StoreOnServer(usb, server, ssl), servercode::kNoSerialPort);
    EXPECT_EQ(GetU32(server, kMedium), std::uint32_t(PORT_SERIE));

    ComType eth;
    eth.set_cible(247);
    eth.set_comway(ETH);
    eth.set_ipadress(1);
    EXPECT_EQ(commparam::StoreOnServer(eth, server, ssl), servercode::kNoEthernetPeer);
    EXPECT_EQ(GetU32(server, kMedium), std::uint32_t(ETH));
}

TEST(CommParamCodec, OversizedStringsStayInsideTheirFields) {
    char ssl[commparam::kSslPeerNameSize] = {};
    PARAM_COM server = Initial();
    SetU32(server, kTimeout, 0x11223344);
    ComType ble;
    ble.set_cible(247);
    ble.set_comway(BLTH);
    ble.set_ble_mac_adresse(std::string(40, 'M'));
    ble.set_portcom(std::string(30, 'P'));
    ASSERT_EQ(commparam::StoreOnServer(ble, server, ssl), 0u);
    EXPECT_EQ(GetU32(server, kTimeout), 0x11223344u);
    EXPECT_EQ(GetString(server, kDonglePort, kDonglePortSize), std::string(7, 'P'));

    ComType path;
    path.set_cible(247);
    path.set_comway(BLTH);
    path.set_ble_device_path(std::string(300, 'D'));
    ASSERT_EQ(commparam::StoreOnServer(path, server, ssl), 0u);
    EXPECT_EQ(GetString(server, kDevicePath, kDevicePathSize).size(), kDevicePathSize - 1);
    EXPECT_EQ(server.bytes[kBleAddress], 'M');

    // A full dongle port without NUL: the address string stops at the time-out field.
    PARAM_COM full = Initial();
    SetU32(full, kMedium, BLTH);
    std::memset(full.bytes + kBleAddress, 'A', kBleAddressSize + kDonglePortSize);
    SetU32(full, kTimeout, 0x55555555);
    ComType out;
    commparam::DescribeOnServer(full, 247, ssl, out);
    EXPECT_EQ(out.ble_mac_adresse().size(), kBleAddressSize + kDonglePortSize);
}

TEST(CommParamCodec, ClientFillsOnlyWhatTheAnswerCarries) {
    char area[16] = {};
    PARAM_COM block = Initial();
    SetU32(block, kSslFlag, 1);
    SetU32(block, kIpAddress, 99);

    ComType usb;
    usb.set_cible(247);
    usb.set_comway(PORT_SERIE);
    EXPECT_EQ(commparam::FillFromAnswer(usb, block, area), -1);
    usb.set_portcom(std::string("ttyACM0\0", 8));
    EXPECT_EQ(commparam::FillFromAnswer(usb, block, area), 0);
    EXPECT_EQ(GetString(block, kPortName, kPortNameSize), "ttyACM0");
    EXPECT_EQ(GetU32(block, kIpAddress), 99u);

    ComType eth;
    eth.set_cible(247);
    eth.set_comway(ETH);
    eth.set_ipadress(0x0A000001);
    EXPECT_EQ(commparam::FillFromAnswer(eth, block, area), -1);
    eth.set_tcpport(502);
    EXPECT_EQ(commparam::FillFromAnswer(eth, block, area), 0);
    EXPECT_EQ(GetU32(block, kSslFlag), 0u);
    eth.set_sslpeername(std::string("fourteen-bytes", 14));
    EXPECT_EQ(commparam::FillFromAnswer(eth, block, area), 0);
    EXPECT_EQ(GetU32(block, kSslFlag), 1u);
    EXPECT_STREQ(area, "fourteen-bytes");

    ComType ble;
    ble.set_cible(247);
    ble.set_comway(BLTH);
    ble.set_ble_mac_adresse("0\x11\x22"
                            "0\x44\x55");
    EXPECT_EQ(commparam::FillFromAnswer(ble, block, area), -1);
    ble.set_portcom(std::string("COM4\0\0\0\0", 8));
    EXPECT_EQ(commparam::FillFromAnswer(ble, block, area), 0);
    std::uint8_t raw[6];
    BleAddressRaw(block, raw);
    EXPECT_EQ(0, std::memcmp(raw, kAddressWithZeros, 6));
    EXPECT_EQ(GetU32(block, kMedium), std::uint32_t(BLTH));
}

TEST(CommParamCodec, ClientRefusesAMediumOutsideMoyenCom) {
    PARAM_COM block = Initial();
    SetU32(block, kMedium, 3);
    ComType out;
    EXPECT_FALSE(commparam::BuildForRequest(block, noSsl, out));
}
