// The command line's renderings and checks, against byte images of the controller memory.
#include <gtest/gtest.h>

#include "cli/config_report.h"
#include "cli/controller_checks.h"
#include "cli/hex_dump.h"
#include "cli/identity_report.h"
#include "cli/json.h"
#include "cli/messages.h"
#include "cli/state_word.h"
#include "tests/support/byte_image.h"
#include "tests/support/fake_controller_link.h"

namespace {

std::vector<std::uint8_t> Identity(std::string_view code8, std::uint8_t familyCode) {
    std::vector<std::uint8_t> r(361, 0);
    PutText(r, 0, "Controller \"A\"\t  ");
    PutText(r, 18, code8);
    r[26] = familyCode;
    PutBytes(r, 27, {1, 2, 3});
    PutBytes(r, 30, {8, 0, 4, 2});
    PutBytes(r, 80, {1, 5, 0});
    PutBytes(r, 83, {1, 6, 0});
    PutBytes(r, 86, {1, 9, 3});
    PutBytes(r, 89, {7, 7, 7});
    PutBytes(r, 298 + 1, {2, 0, 1});
    PutBytes(r, 298 + 4, {2, 0, 2});
    PutBytes(r, 298 + 7, {2, 0, 3});
    PutText(r, 298 + 13, "IMEI-0001");
    return r;
}

std::vector<std::uint8_t> Conf(std::size_t size, std::size_t block, std::size_t reserved) {
    std::vector<std::uint8_t> r(size, 0);
    PutText(r, 0, "C:\\Work\\Tank.vqap");
    PutText(r, 128, "Ann");
    PutText(r, 160, "Tank");
    PutBytes(r, 184, {1, 2});
    PutU16(r, 216, 10);
    PutU16(r, 234, 100);
    r[250] = 85;
    PutBytes(r, block, {10, 1, 2, 3, 255, 0, 0, 0, 10, 1, 2, 254, 0});
    PutBytes(r, reserved, {0, 0, 0, 0, 5});
    return r;
}

std::vector<std::uint8_t> Boot(std::uint8_t familyCode) {
    std::vector<std::uint8_t> a(21, 0);
    a[0] = familyCode;
    return a;
}

} // namespace

TEST(IdentityReport, T71JsonCarriesEveryKeyAndTheModule) {
    FakeControllerLink reader;
    std::vector<std::uint8_t> r = Identity("61410011", 4);
    PutText(r, 98, "XT-IO");
    PutText(r, 116, "61419001");
    PutBytes(r, 130, {1, 0, 4});
    reader.memory[0x8000] = r;
    cli::IdentityReport report;
    ASSERT_EQ(cli::ReadIdentityReport(reader, 0, report), 0);
    EXPECT_EQ(cli::IdentityJson(report),
              "{\"type\":\"Controller \\\"A\\\"\\t\",\"code8\":\"61410011\",\"model\":1,"
              "\"family\":0,\"family_name\":\"kz9\",\"hardware\":\"1.02.03\","
              "\"boot\":\"1.05.00\",\"bootloader\":\"1.06.00\",\"software\":\"1.09.03\","
              "\"digital_inputs\":8,\"analog_inputs\":4,\"relay_outputs\":0,\"pwm_outputs\":2,"
              "\"expansions\":[{\"name\":\"XT-IO\",\"code8\":\"61419001\",\"hardware\":"
              "\"0.00.00\",\"boot\":\"0.00.00\",\"bootloader\":\"0.00.00\",\"software\":"
              "\"1.00.04\"}],\"module\":{\"boot\":\"2.00.01\",\"bootloader\":\"2.00.02\","
              "\"software\":\"2.00.03\",\"imei\":\"IMEI-0001\"},\"communicating\":true,"
              "\"gprs\":true,\"tcpip\":false,\"no_firmware\":false}\n");

    std::string text = cli::IdentityText(report);
    EXPECT_NE(text.find("Boot Release Version: 1.05.00 / 2.00.01\n"), std::string::npos);
    EXPECT_NE(text.find("Number and type of inputs: 8 DI / 4 ANA\n"), std::string::npos);
    EXPECT_NE(text.find("Number and type of outputs: 2 PWM\n"), std::string::npos);
    EXPECT_NE(text.find("XT2 expansion: None\n"), std::string::npos);
}

TEST(IdentityReport, ModelsWithoutModuleAndTrelShowNoModule) {
    FakeControllerLink reader;
    reader.memory[0x8000] = Identity("61410001", 4); // model 0
    cli::IdentityReport report;
    ASSERT_EQ(cli::ReadIdentityReport(reader, 0, report), 0);
    EXPECT_FALSE(report.module);
    EXPECT_TRUE(report.expansions.empty());
    EXPECT_NE(cli::IdentityJson(report).find("\"module\":null"), std::string::npos);

    // An unrecognised code shows the module versions, without IMEI.
    reader.memory[0x8000] = Identity("12345678", 5);
    ASSERT_EQ(cli::ReadIdentityReport(reader, 1, report), 0);
    ASSERT_TRUE(report.module);
    EXPECT_FALSE(report.module->imei);
    EXPECT_EQ(report.model, 255);

    reader.memory[0x8000] = Identity("61430001", 7);
    ASSERT_EQ(cli::ReadIdentityReport(reader, 2, report), 0);
    EXPECT_EQ(report.software, "7.07.07");
    EXPECT_EQ(report.family, 2);
    EXPECT_FALSE(report.module);

    reader.silent = true;
    EXPECT_EQ(cli::ReadIdentityReport(reader, 0, report), 15);
    reader.silent = false;
    EXPECT_EQ(cli::ReadIdentityReport(reader, 3, report), 15);
}

TEST(IdentityReport, InputAndOutputTexts) {
    EXPECT_EQ(cli::InputsText(8, 4), "8 DI / 4 ANA");
    EXPECT_EQ(cli::InputsText(0, 4), "4 ANA");
    EXPECT_EQ(cli::InputsText(0, 0), "");
    // The relay count carries the program's own unit text " RELAY / PWM", then the PWM
    // count follows after " / " as the analog count follows the digital one.
    EXPECT_EQ(cli::OutputsText(4, 0), "4 RELAY / PWM");
    EXPECT_EQ(cli::OutputsText(10, 2), "10 RELAY / PWM / 2 PWM");
    EXPECT_EQ(cli::OutputsText(0, 2), "2 PWM");
    EXPECT_EQ(cli::OutputsText(0, 0), "");
}

TEST(ConfigReport, TcpIpModelGetsTheNetworkView) {
    FakeControllerLink reader;
    reader.memory[0x8000] = Identity("61420011", 5);
    reader.memory[0x40000] = Conf(847, 767, 600);
    reader.memory[0xE000] = Boot(5);
    reader.memory[0x5200] = {0x01, 0x02};
    reader.memory[0x0F00] = std::vector<std::uint8_t>(18, ' ');
    PutText(reader.memory[0x0F00], 0, "Pump room");
    cli::ConfigReport report;
    ASSERT_EQ(cli::ReadConfigReport(reader, 1, report), 0);
    EXPECT_TRUE(report.programPresent);
    EXPECT_EQ(report.label, "Pump room");
    EXPECT_EQ(report.project, "Tank");
    EXPECT_EQ(report.toolVersion, "0.00.00");
    EXPECT_FALSE(report.gprs);
    ASSERT_TRUE(report.network);
    EXPECT_EQ(report.network->ipAddress, "10.1.2.3");
    EXPECT_EQ(report.network->reservedAddress, "000.000.000.000");
    std::string json = cli::ConfigJson(report);
    EXPECT_NE(json.find("\"cycle\":\"10 x 2 ms\""), std::string::npos);
    EXPECT_NE(json.find("\"program_file\":\"\\\\Tank\""), std::string::npos);
    EXPECT_NE(json.find("\"program\":{\"used\":100,\"available\":16384}"), std::string::npos);
    EXPECT_NE(json.find("\"slots\":{\"used\":258,\"available\":152}"), std::string::npos);
    EXPECT_NE(json.find("\"server_timeout\":5,\"addressing\":\"dynamic\""), std::string::npos);
    EXPECT_NE(json.find("\"gprs\":null"), std::string::npos);
}

TEST(ConfigReport, GprsModelAndFallbacksOfTheSideReads) {
    FakeControllerLink reader;
    reader.memory[0x8000] = Identity("61410021", 4);
    std::vector<std::uint8_t> conf = Conf(847, 767, 600);
    PutText(conf, 767, "20801   ");
    PutText(conf, 767 + 8, "               ");
    conf[767 + 23] = 30;
    reader.memory[0x40000] = conf;
    cli::ConfigReport report;
    ASSERT_EQ(cli::ReadConfigReport(reader, 0, report), 0);
    ASSERT_TRUE(report.gprs);
    EXPECT_FALSE(report.network);
    EXPECT_EQ(report.gprs->activePlmn, "20801");
    EXPECT_EQ(report.gprs->msisdn, "Unknown");
    EXPECT_EQ(report.gprs->power, "-53 dBm");
    EXPECT_EQ(report.gprs->imei, "IMEI-0001");
    // Family code, slots and label unreadable: 12345 available, 0 slots, "Unknown" label.
    EXPECT_EQ(report.label, "Unknown");
    for (const cli::MemoryRow& row : report.memory)
        EXPECT_EQ(row.available, cli::kUnknownAvailable) << row.key;
    EXPECT_EQ(report.memory[4].used, 0);
}

TEST(ConfigReport, NoProgramShowsUnknownAndAFailedReadFails) {
    FakeControllerLink reader;
    reader.memory[0x8000] = Identity("61430001", 7);
    std::vector<std::uint8_t> conf = Conf(707, 537, 370);
    conf[250] = 0;
    reader.memory[0x40000] = conf;
    reader.memory[0xE000] = Boot(7);
    cli::ConfigReport report;
    ASSERT_EQ(cli::ReadConfigReport(reader, 2, report), 0);
    EXPECT_FALSE(report.programPresent);
    EXPECT_EQ(report.project, "Unknown");
    EXPECT_EQ(report.checksum, "Unknown");
    EXPECT_FALSE(report.memory[0].used);
    EXPECT_EQ(report.memory[0].available, cli::kUnknownAvailable);
    EXPECT_EQ(cli::ConfigText(report).rfind("The target does not contain a program\n", 0), 0u);
    EXPECT_NE(cli::ConfigJson(report).find("\"used\":null"), std::string::npos);

    reader.memory.erase(0x40000);
    EXPECT_EQ(cli::ReadConfigReport(reader, 2, report), 15);
}

TEST(ConfigReport, AvailableMemoryPerFamilyCode) {
    EXPECT_EQ(cli::MemoryRows(4)[3].available, 40960);
    EXPECT_EQ(cli::MemoryRows(5)[2].available, 600);
    EXPECT_EQ(cli::MemoryRows(7)[4].available, 80);
    EXPECT_EQ(cli::MemoryRows(6)[0].available, cli::kUnknownAvailable);
}

TEST(ControllerChecks, SoftwareCapabilityFollowsTheVersionRules) {
    FakeControllerLink reader;
    struct {
        int family;
        std::uint8_t v, i, r;
        bool capable;
    } cases[] = {{0, 1, 6, 20, false}, {0, 1, 6, 21, true}, {0, 1, 5, 99, false},
                 {1, 0, 9, 9, false},  {1, 2, 6, 0, true},  {2, 1, 0, 0, false},
                 {2, 1, 0, 1, true},   {2, 0, 5, 5, false}};
    for (auto c : cases) {
        std::vector<std::uint8_t> r(361, 0);
        std::size_t software = c.family == 2 ? 89 : 86;
        PutBytes(r, software, {c.v, c.i, c.r});
        reader.memory[0x8000] = r;
        EXPECT_EQ(cli::SoftwareCapable(reader, c.family), c.capable)
            << c.family << " " << int(c.v) << "." << int(c.i) << "." << int(c.r);
    }
    EXPECT_FALSE(cli::SoftwareCapable(reader, 3));
    reader.silent = true;
    EXPECT_TRUE(cli::SoftwareCapable(reader, 0));
}

TEST(ControllerChecks, AccessCheckWithoutPrompt) {
    FakeControllerLink reader;
    std::string message;
    reader.memory[0x40000] = std::vector<std::uint8_t>(847, 0);
    EXPECT_TRUE(cli::AccessAllowed(reader, message));
    EXPECT_EQ(reader.requests.size(), 1u); // the lock state is not asked for

    reader.memory.erase(0x40000);
    EXPECT_TRUE(cli::AccessAllowed(reader, message)); // lock state unreadable
    std::vector<std::uint8_t> lock(13, 0);
    lock[0] = 1;
    lock[2] = 1;
    lock[7] = 5;
    reader.memory[0x7300] = lock;
    EXPECT_TRUE(cli::AccessAllowed(reader, message)); // not active
    lock[1] = 1;
    reader.memory[0x7300] = lock;
    EXPECT_FALSE(cli::AccessAllowed(reader, message));
    EXPECT_EQ(message, "The controller is password protected.");
    lock[7] = 0;
    lock[8] = 7;
    reader.memory[0x7300] = lock;
    EXPECT_FALSE(cli::AccessAllowed(reader, message));
    EXPECT_EQ(message, "Too much connection attempt. The product is blocked.\n\n"
                       "3 minutes remaining before unblocking.");
    lock[0] = 0;
    reader.memory[0x7300] = lock;
    EXPECT_FALSE(cli::AccessAllowed(reader, message));
    EXPECT_EQ(message, "");
    EXPECT_EQ(cli::BlockedMessage(1), "Too much connection attempt. The product is blocked.\n\n"
                                      "Less than 1 minute remaining before unblocking.");
}

TEST(StatusReport, ErrorCodesAndRendering) {
    EXPECT_EQ(cli::ErrorCodeText(0), "No error");
    EXPECT_EQ(cli::ErrorCodeText(0x04000000 | 291), "291");
    EXPECT_EQ(cli::ErrorCodeText(0x40000000 | 16), "16");
    EXPECT_EQ(cli::ErrorCodeText(0x400001F5), "501");
    EXPECT_EQ(cli::ErrorCodeText(16), "Unknown default code");
    cli::StatusReport status{true, 0x400001F6};
    EXPECT_EQ(cli::StatusText(status),
              std::string("Controller status: On\nError code: 502\nState word: 0x400001F6\n") +
                  texts::kNoFirmware + "\n");
    EXPECT_EQ(cli::StatusJson({false, std::nullopt}),
              "{\"running\":false,\"state_word\":null,\"error_code\":\"Unknown\","
              "\"no_firmware\":false}\n");
}

TEST(HexDump, LinesOfSixteenWithPrintableCharacters) {
    std::vector<std::uint8_t> bytes = {'k', 'z', '9', 0, 0xFF};
    for (int i = 0; i < 13; ++i)
        bytes.push_back(std::uint8_t('A' + i));
    EXPECT_EQ(cli::HexDump(0xE000, bytes),
              "0000E000  6B 7A 39 00 FF 41 42 43 44 45 46 47 48 49 4A 4B  |kz9..ABCDEFGHIJK|\n"
              "0000E010  4C 4D                                            |LM|\n");
    std::uint32_t value = 0;
    EXPECT_TRUE(cli::ParseNumber("0x40000", 0xFFFFFFFF, value));
    EXPECT_EQ(value, 0x40000u);
    EXPECT_TRUE(cli::ParseNumber("361", 40000, value));
    EXPECT_EQ(value, 361u);
    EXPECT_FALSE(cli::ParseNumber("40001", 40000, value));
    EXPECT_FALSE(cli::ParseNumber("0x", 40000, value));
    EXPECT_FALSE(cli::ParseNumber("12k", 40000, value));
    EXPECT_FALSE(cli::ParseNumber("-1", 40000, value));
    EXPECT_FALSE(cli::ParseNumber("0x1FFFFFFFF", 0xFFFFFFFF, value));
}

TEST(Json, NestingCommasAndEscapes) {
    cli::JsonWriter j;
    j.BeginObject().Key("a").BeginArray().Int(-1).Bool(true).Null().BeginObject().EndObject();
    j.EndArray().Key("s").String(std::string("x\x01\n\"\\y", 6)).EndObject();
    EXPECT_EQ(j.Text(), "{\"a\":[-1,true,null,{}],\"s\":\"x\\u0001\\n\\\"\\\\y\"}");
}
