#include <gtest/gtest.h>

#include "cli/link_options.h"

using cli::LinkKind;
using cli::LinkOptions;
using Args = std::vector<std::string>;

namespace {

bool Parse(Args args, LinkOptions& out, std::string& error, Args* rest = nullptr) {
    bool ok = cli::ParseLinkOptions(args, out, error);
    if (rest)
        *rest = args;
    return ok;
}

} // namespace

TEST(LinkOptions, UsbBlockCarriesThePortAndSerialMedium) {
    LinkOptions o;
    std::string error;
    Args rest;
    ASSERT_TRUE(Parse({"--usb", "ttyACM0", "identity", "--json"}, o, error, &rest));
    EXPECT_EQ(rest, (Args{"identity", "--json"}));
    EXPECT_EQ(o.kind, LinkKind::Usb);
    EXPECT_FALSE(o.verbose);
    PARAM_COM p = cli::MakeParamCom(o);
    EXPECT_EQ(paramcom::GetString(p, paramcom::kPortName, paramcom::kPortNameSize), "ttyACM0");
    EXPECT_EQ(paramcom::GetU32(p, paramcom::kMedium), 0u);
    EXPECT_EQ(cli::ConnectionKindOf(o.kind), 0);

    EXPECT_FALSE(Parse({"--usb", "ttyACM10"}, o, error)); // 8 characters
    EXPECT_FALSE(Parse({"--usb", "../tty"}, o, error));   // leaves the device folder
    EXPECT_FALSE(Parse({"--usb"}, o, error));
    EXPECT_EQ(error, "Missing value after --usb");
}

TEST(LinkOptions, BleAddressIsStoredLeastSignificantFirstWithZerosCoded) {
    LinkOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--ble", "ttyACM1", "--address", "00:07:80:AB:cd:EF", "status"}, o, error));
    EXPECT_EQ(o.kind, LinkKind::Ble);
    EXPECT_EQ(o.address, (std::array<std::uint8_t, 6>{0xEF, 0xCD, 0xAB, 0x80, 0x07, 0x00}));
    PARAM_COM p = cli::MakeParamCom(o);
    EXPECT_EQ(paramcom::GetU32(p, paramcom::kMedium), 2u);
    EXPECT_EQ(p.bytes[paramcom::kBleAddress + 5], 0x30); // a zero byte travels as '0'
    EXPECT_EQ(paramcom::GetString(p, paramcom::kDonglePort, paramcom::kDonglePortSize), "ttyACM1");
    EXPECT_EQ(cli::ConnectionKindOf(o.kind), 1);

    LinkOptions other;
    EXPECT_FALSE(Parse({"--ble", "ttyACM1", "status"}, other, error));
    EXPECT_FALSE(Parse({"--usb", "ttyACM1", "--address", "00:07:80:AB:CD:EF"}, other, error));
    for (const char* bad :
         {"00:07:80:AB:CD", "00-07-80-AB-CD-EF", "00:07:80:AB:CD:EG", "000:7:80:AB:CD:EF"})
        EXPECT_FALSE(cli::ParseBleAddress(bad)) << bad;
}

TEST(LinkOptions, EthernetHostAndPort) {
    LinkOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--eth", "192.168.1.20", "config"}, o, error));
    EXPECT_EQ(o.kind, LinkKind::Ethernet);
    EXPECT_EQ(o.tcpPort, 42424);
    PARAM_COM p = cli::MakeParamCom(o);
    EXPECT_EQ(p.bytes[paramcom::kIpAddress], 192);
    EXPECT_EQ(p.bytes[paramcom::kIpAddress + 3], 20);
    EXPECT_EQ(paramcom::GetU32(p, paramcom::kTcpPort), 42424u);
    EXPECT_EQ(paramcom::GetU32(p, paramcom::kMedium), 1u);
    EXPECT_EQ(cli::ConnectionKindOf(o.kind), 2);

    LinkOptions withPort;
    ASSERT_TRUE(Parse({"--eth", "127.0.0.1:5020"}, withPort, error));
    EXPECT_EQ(withPort.tcpPort, 5020);
    EXPECT_EQ(withPort.host, 0x0100007Fu);
    for (const char* bad : {"127.0.0.1:0", "127.0.0.1:70000", "127.0.0.1:", "127.0.0.1:x"}) {
        LinkOptions b;
        EXPECT_FALSE(Parse({"--eth", bad}, b, error)) << bad;
    }
    for (const char* bad : {"1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "1.2.3.4x"})
        EXPECT_FALSE(cli::ParseDottedIpv4(bad)) << bad;
    LinkOptions two;
    EXPECT_FALSE(Parse({"--eth", "127.0.0.1", "--usb", "ttyS0"}, two, error));
    EXPECT_EQ(error, "Choose one link: --usb, --ble or --eth");
}

TEST(LinkOptions, VerboseStandsAnywhereAmongTheOptions) {
    for (Args args : {Args{"--verbose", "--usb", "ttyACM0", "status"},
                      Args{"--usb", "ttyACM0", "--verbose", "status"}}) {
        LinkOptions o;
        std::string error;
        Args rest;
        ASSERT_TRUE(Parse(args, o, error, &rest)) << error;
        EXPECT_TRUE(o.verbose);
        EXPECT_EQ(o.kind, LinkKind::Usb);
        EXPECT_EQ(rest, (Args{"status"}));
    }
    // After the command it is the command's argument, not an option of the tool.
    LinkOptions o;
    std::string error;
    Args rest;
    ASSERT_TRUE(Parse({"--usb", "ttyACM0", "status", "--verbose"}, o, error, &rest));
    EXPECT_FALSE(o.verbose);
    EXPECT_EQ(rest, (Args{"status", "--verbose"}));
}
