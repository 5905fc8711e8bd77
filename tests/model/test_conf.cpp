#include <gtest/gtest.h>

#include "model/CFctTabConfT71.h"
#include "model/CFctTabConfTrel.h"
#include "tests/support/byte_image.h"
#include "tests/support/fake_controller_link.h"

namespace {

// A configuration record with every interpreted field set, for the given layout.
std::vector<std::uint8_t> ConfRecord(const model::ConfLayout& layout) {
    std::vector<std::uint8_t> r(layout.recordSize, 0);
    PutText(r, 0, "D:\\Projets\\Pump 2.vqap");
    PutText(r, 128, "J. Martin                       ");
    PutText(r, 160, "Pumping station         ");
    PutBytes(r, 184, {3, 7});
    r[211] = 1;
    PutU16(r, 212, 0x0100);
    PutU16(r, 216, 25);
    r[218] = 1;
    PutU16(r, 234, 1000);
    PutU16(r, 236, 24);
    PutU16(r, 238, 0xFFFE);
    PutU16(r, 240, 0xFFFF);
    PutU16(r, 244, 1);
    PutU16(r, 242, 300);
    PutU16(r, 246, 12);
    r[250] = 85;
    for (std::size_t i = 0; i < 34; ++i)
        r[256 + i] = std::uint8_t(0xA0 + i);
    PutBytes(r, layout.toolVersion, {2, 1, 9});
    PutU16(r, layout.checksum, 0x0A3F);
    PutBytes(r, layout.networkBlock, {192, 168, 1, 20, 255, 255, 255, 0, 192, 168, 1, 1, 1});
    for (std::size_t i = 13; i < 50; ++i)
        r[layout.networkBlock + i] = std::uint8_t(i);
    PutBytes(r, layout.reservedAddress, {10, 0, 0, 7, 15});
    return r;
}

// The fields both layouts share, read back the same way.
void ExpectCommonFields(const CFctTabConf& conf) {
    EXPECT_EQ(conf.GetProjectName(), "Pumping station");
    EXPECT_EQ(conf.GetAuthor(), "J. Martin");
    EXPECT_EQ(conf.GetProgramVersion(), "3.7");
    EXPECT_EQ(conf.GetParamMenuAccess(), "Enabled");
    EXPECT_EQ(conf.GetPasswordText(), "Yes");
    EXPECT_EQ(conf.GetPasswordFlag(), 0x0100);
    EXPECT_EQ(conf.GetCycleTime(), "25 x 2 ms");
    EXPECT_EQ(conf.GetWatchdogState(), "Alarm");
    EXPECT_EQ(conf.GetProgramMarker(), 85);
    EXPECT_EQ(conf.GetParamZoneUsed(), -2);
    EXPECT_EQ(conf.GetDigitalZoneUsed(), 65536u);
    EXPECT_EQ(conf.GetOtherZonesUsed(), 312u);
    EXPECT_EQ(conf.GetProgramZoneUsed(), 1024u);
    EXPECT_EQ(conf.GetProgramFileName(), "\\Pump 2");
    EXPECT_EQ(conf.GetToolVersion(), "2.01.09");
    EXPECT_EQ(conf.GetChecksumText(), "0a3f");
    auto datalog = conf.GetDatalogConfig();
    EXPECT_EQ(datalog[0], 0xA0);
    EXPECT_EQ(datalog[33], 0xA0 + 33);
}

} // namespace

TEST(Conf, BothLayoutsReadTheirOwnRecordSizeAndOffsets) {
    FakeControllerLink reader;
    reader.timeoutMs = 10000;
    reader.memory[0x40000] = ConfRecord(CFctTabConfT71::kLayout);
    CFctTabConfT71 t71(reader);
    ASSERT_EQ(t71.Read(), 0);
    EXPECT_EQ(reader.requests.back().address, 0x40000u);
    EXPECT_EQ(reader.requests.back().count, 847u);
    EXPECT_EQ(reader.requests.back().timeoutMs, 10000u);
    ExpectCommonFields(t71);

    reader.memory[0x40000] = ConfRecord(CFctTabConfTrel::kLayout);
    CFctTabConfTrel trel(reader);
    ASSERT_EQ(trel.Read(), 0);
    EXPECT_EQ(reader.requests.back().count, 707u);
    ExpectCommonFields(trel);

    // The Trel record seen through the T71 offsets misses the layout-specific fields.
    reader.memory[0x40000].resize(847, 0);
    CFctTabConfT71 wrong(reader);
    ASSERT_EQ(wrong.Read(), 0);
    EXPECT_EQ(wrong.GetToolVersion(), "0.00.00");
    EXPECT_EQ(wrong.GetChecksumText(), "0000");
}

TEST(Conf, FieldTextsForEachValue) {
    FakeControllerLink reader;
    std::vector<std::uint8_t> r(847, 0);
    reader.memory[0x40000] = r;
    CFctTabConfT71 conf(reader);
    ASSERT_EQ(conf.Read(), 0);
    EXPECT_EQ(conf.GetCycleTime(), "Unknown");
    EXPECT_EQ(conf.GetPasswordText(), "No");
    EXPECT_EQ(conf.GetParamMenuAccess(), "Disabled");
    const char* watchdog[] = {"Inactive", "Alarm", "Error", "Unknown", "Unknown"};
    for (int state = 0; state < 5; ++state) {
        r[218] = std::uint8_t(state == 4 ? 255 : state);
        reader.memory[0x40000] = r;
        ASSERT_EQ(conf.Read(), 0);
        EXPECT_EQ(conf.GetWatchdogState(), watchdog[state]);
    }
    PutU16(r, 216, 65535);
    PutU16(r, 840, 0xBEEF);
    reader.memory[0x40000] = r;
    ASSERT_EQ(conf.Read(), 0);
    EXPECT_EQ(conf.GetCycleTime(), "65535 x 2 ms");
    EXPECT_EQ(conf.GetChecksumText(), "beef");
}

TEST(Conf, ProgramFileNameKeepsTheLastPathPartWithoutExtension) {
    FakeControllerLink reader;
    struct {
        const char* stored;
        const char* name;
    } cases[] = {{"D:\\Projets\\Pump 2.vqap", "\\Pump 2"},
                 {"D:\\Projets\\Pump 2.vqap   \t", "\\Pump 2"},
                 {"Pump.vqap", ""},
                 {"C:\\v1.2\\Pump", "\\Pump"},
                 {"C:\\a\\b.c.vqap", "\\b.c"},
                 {"", ""}};
    for (auto c : cases) {
        std::vector<std::uint8_t> r(847, 0);
        PutText(r, 0, c.stored);
        reader.memory[0x40000] = r;
        CFctTabConfT71 conf(reader);
        ASSERT_EQ(conf.Read(), 0);
        EXPECT_EQ(conf.GetProgramFileName(), c.name) << c.stored;
    }
    // A path filling all 128 bytes, with no terminator, is read to its end and no further.
    std::vector<std::uint8_t> r(847, 'x');
    r[100] = '\\';
    r[128] = 'Z';
    reader.memory[0x40000] = r;
    CFctTabConfT71 conf(reader);
    ASSERT_EQ(conf.Read(), 0);
    EXPECT_EQ(conf.GetProgramFileName(), "\\" + std::string(27, 'x'));
}

TEST(Conf, NetworkAndGprsViewsReadTheCacheFilledByPrepare) {
    FakeControllerLink reader;
    std::vector<std::uint8_t> r = ConfRecord(CFctTabConfT71::kLayout);
    reader.memory[0x40000] = r;
    CFctTabConfT71 conf(reader);
    ASSERT_EQ(conf.Read(), 0);
    EXPECT_EQ(conf.FormatIpAddress(), "0.0.0.0");
    EXPECT_FALSE(conf.HasReservedAddress());

    conf.PrepareNetworkView();
    EXPECT_EQ(conf.FormatIpAddress(), "192.168.1.20");
    EXPECT_EQ(conf.FormatSubnetMask(), "255.255.255.0");
    EXPECT_EQ(conf.FormatGateway(), "192.168.1.1");
    EXPECT_FALSE(conf.IsDynamicAddressing());
    EXPECT_TRUE(conf.HasReservedAddress());
    EXPECT_EQ(conf.FormatReservedAddress(), "10.0.0.7");
    EXPECT_EQ(conf.GetServerTimeout(), 15);
    r[767 + 12] = 0;
    reader.memory[0x40000] = r;
    ASSERT_EQ(conf.Read(), 0);
    EXPECT_FALSE(conf.IsDynamicAddressing()); // the cache is not refreshed by Read
    conf.PrepareNetworkView();
    EXPECT_TRUE(conf.IsDynamicAddressing());

    // A GPRS block: PLMN, MSISDN and the power code.
    PutText(r, 767, "20801   ");
    PutText(r, 767 + 8, "33612345678    ");
    r[767 + 23] = 0;
    reader.memory[0x40000] = r;
    ASSERT_EQ(conf.Read(), 0);
    conf.PrepareGprsView();
    EXPECT_EQ(conf.GetActivePlmn(), "20801");
    EXPECT_EQ(conf.GetMsisdn(), "33612345678");
    EXPECT_EQ(conf.FormatPower(), "-113 dBm");
    r[767 + 23] = 40;
    reader.memory[0x40000] = r;
    ASSERT_EQ(conf.Read(), 0);
    EXPECT_EQ(conf.FormatPower(), "-113 dBm"); // the cache is not refreshed by Read
    conf.PrepareGprsView();
    EXPECT_EQ(conf.FormatPower(), "-33 dBm");
}

TEST(Conf, NetworkBlockCopyAndCachedBytes) {
    FakeControllerLink reader;
    reader.memory[0x40000] = ConfRecord(CFctTabConfTrel::kLayout);
    CFctTabConfTrel conf(reader);
    ASSERT_EQ(conf.Read(), 0);
    std::uint8_t block[50];
    std::fill(std::begin(block), std::end(block), 0xEE);
    EXPECT_EQ(conf.CopyNetworkBlock(std::span<std::uint8_t, 43>(block, 43)), 43u);
    EXPECT_EQ(block[0], 192);
    EXPECT_EQ(block[12], 1);
    EXPECT_EQ(block[42], 42);
    EXPECT_EQ(block[43], 0xEE);
    // Bytes 0 and 1 of the block are those of the zeroed record at Reset.
    EXPECT_EQ(conf.GetCachedNetByte0(), 0);
    EXPECT_EQ(conf.GetCachedNetByte1(), 0);
}

TEST(Conf, AFailedReadReturns15AndAnswersFromTheZeroedRecord) {
    FakeControllerLink reader;
    reader.silent = true;
    CFctTabConfT71 conf(reader);
    EXPECT_EQ(conf.Read(), comm::kTargetNotAnswering);
    EXPECT_EQ(conf.GetProjectName(), "");
    EXPECT_EQ(conf.GetParamMenuAccess(), "Disabled");
    EXPECT_EQ(conf.GetWatchdogState(), "Inactive");
    EXPECT_EQ(conf.GetCycleTime(), "Unknown");
    EXPECT_EQ(conf.GetPasswordText(), "No");
    EXPECT_EQ(conf.GetProgramZoneUsed(), 0u);
    EXPECT_EQ(conf.GetProgramMarker(), 0);

    reader.silent = false;
    reader.memory[0x40000] = ConfRecord(CFctTabConfT71::kLayout);
    ASSERT_EQ(conf.Read(), 0);
    reader.silent = true;
    EXPECT_EQ(conf.Read(), comm::kTargetNotAnswering);
    EXPECT_EQ(conf.GetProjectName(), "Pumping station");
    conf.Reset();
    EXPECT_EQ(conf.GetProjectName(), "");
}
