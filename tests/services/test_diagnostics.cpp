#include <gtest/gtest.h>

#include "services/Diagnostics.h"
#include "tests/support/byte_image.h"
#include "tests/support/fake_controller_link.h"

using services::DiagColour;
using services::DiagPage;
using services::DiagPageKind;

namespace {

constexpr std::uint32_t kIdentity = 0x8000, kConfig = 0x40000, kBootIdentity = 0xE000,
                        kStateWord = 0x5000, kRunState = 0x4000;

// A T71 identity record of `code8`, with module versions and, when asked, one expansion
// whose boot version is not known.
std::vector<std::uint8_t> T71Record(const char* code8, bool expansion = false) {
    std::vector<std::uint8_t> r(361, 0);
    PutText(r, 0, "kz9 controller    ");
    PutText(r, 18, code8);
    r[26] = 4;
    PutBytes(r, 27, {3, 2, 1});
    PutBytes(r, 30, {8, 0, 4, 2}); // 8 DI, 0 relays, 4 ANA, 2 PWM
    PutBytes(r, 80, {1, 5, 12});
    PutBytes(r, 83, {1, 6, 13});
    PutBytes(r, 86, {1, 9, 3});
    PutBytes(r, 298 + 1, {4, 1, 1});
    PutBytes(r, 298 + 4, {4, 2, 2});
    PutBytes(r, 298 + 7, {4, 3, 3});
    if (expansion) {
        PutText(r, 98, "XT-IO 8           ");
        PutBytes(r, 127, {1, 1, 1});
        PutBytes(r, 130, {1, 2, 3}); // software
        PutBytes(r, 133, {1, 0, 2}); // hardware
    }
    return r;
}

std::vector<std::uint8_t> Word(std::uint32_t v) {
    return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

const services::DiagField& FieldOf(const DiagPage& page, const std::string& label) {
    for (const auto& f : page.fields)
        if (f.label == label)
            return f;
    static services::DiagField missing{"missing", "missing", DiagColour::Normal, std::nullopt};
    ADD_FAILURE() << "no field " << label;
    return missing;
}

// A configuration record with a program: marker 85, project and zones used.
std::vector<std::uint8_t> ConfigRecord(std::size_t size) {
    std::vector<std::uint8_t> r(size, 0);
    PutText(r, 160, "Pumping station");
    PutU16(r, 238, 100);
    r[250] = 85;
    return r;
}

} // namespace

TEST(DiagHardware, ModuleSuffixesFollowTheModelIndex) {
    FakeControllerLink link;
    link.memory[kIdentity] = T71Record("61410001"); // model 0: no module
    DiagPage plain = services::ReadHardwarePage(link, 0);
    EXPECT_EQ(FieldOf(plain, "Boot Release Version").value, "1.05.12");
    EXPECT_EQ(FieldOf(plain, "Controller software Release Version ").value, "1.09.03");
    EXPECT_EQ(FieldOf(plain, "Number and type of inputs").value, "8 DI / 4 ANA");
    EXPECT_EQ(FieldOf(plain, "Number and type of outputs").value, "2 PWM");
    EXPECT_EQ(FieldOf(plain, "Programming type").value, "FBD");

    link.memory[kIdentity] = T71Record("99999999"); // not in the table: model 255
    DiagPage suffixed = services::ReadHardwarePage(link, 0);
    EXPECT_EQ(FieldOf(suffixed, "Boot Release Version").value, "1.05.12 / 4.01.01");
    EXPECT_EQ(FieldOf(suffixed, "Bootloader Release Build Number Version").value,
              "1.06.13 / 4.02.02");
    EXPECT_EQ(FieldOf(suffixed, "Controller software Release Version ").value, "1.09.03 / 4.03.03");
}

TEST(DiagHardware, StateWordColoursAndStatus) {
    FakeControllerLink link;
    link.memory[kIdentity] = T71Record("61410001");
    link.memory[kRunState] = {0, 0, 0, 1};
    link.memory[kStateWord] = Word(0x04000000 | 291);
    DiagPage page = services::ReadHardwarePage(link, 0);
    EXPECT_EQ(FieldOf(page, "Error code").value, "291");
    EXPECT_EQ(FieldOf(page, "Error code").colour, DiagColour::Orange);
    EXPECT_EQ(FieldOf(page, "Controller status").value, "On");

    link.memory[kStateWord] = Word(0x40000000 | 16);
    EXPECT_EQ(FieldOf(services::ReadHardwarePage(link, 0), "Error code").colour, DiagColour::Red);
    link.memory[kStateWord] = Word(16);
    page = services::ReadHardwarePage(link, 0);
    EXPECT_EQ(FieldOf(page, "Error code").value, "Unknown default code");
    EXPECT_EQ(FieldOf(page, "Error code").colour, DiagColour::Normal);
    EXPECT_EQ(services::ErrorCodeOf(0).text, "No error");

    link.memory.erase(kStateWord);
    link.memory.erase(kRunState);
    page = services::ReadHardwarePage(link, 0);
    EXPECT_EQ(FieldOf(page, "Error code").value, "Unknown");
    EXPECT_EQ(FieldOf(page, "Controller status").value, "Unknown");
}

TEST(DiagHardware, ExpansionsAndAFailedRead) {
    FakeControllerLink link;
    link.memory[kIdentity] = T71Record("61410031");
    DiagPage none = services::ReadHardwarePage(link, 0);
    ASSERT_TRUE(none.grid);
    EXPECT_EQ(none.grid->rows, (std::vector<std::string>{"XT1 expansion", "XT2 expansion"}));
    EXPECT_EQ(none.grid->cells[0], (std::vector<std::string>{"None", "", "", ""}));
    EXPECT_EQ(none.grid->cells[1], (std::vector<std::string>{"None", "", "", ""}));
    EXPECT_TRUE(link.calls.empty()); // no expansion, no query

    link.silent = true;
    DiagPage failed = services::ReadHardwarePage(link, 0);
    EXPECT_EQ(FieldOf(failed, "Type of controller").value, "Unknown");
    EXPECT_EQ(FieldOf(failed, "Number and type of inputs").value, "Unknown");
    EXPECT_EQ(FieldOf(failed, "Hardware Release Version").value, "0.0.00");
    EXPECT_EQ(FieldOf(failed, "Boot Release Version").value, "0.0.00");
    EXPECT_EQ(failed.grid->cells[0][0], "None");
}

TEST(DiagHardware, ExpansionQueryReplacesAnUnknownBootVersion) {
    FakeControllerLink link;
    link.memory[kIdentity] = T71Record("61410031", true);
    // In boot mode the record carries the expansion's boot version.
    link.onCommandExt = [&](std::uint8_t code, std::uint8_t slot) {
        if (code == 6 && slot == 2)
            PutBytes(link.memory[kIdentity], 124, {2, 4, 7});
    };
    DiagPage page = services::ReadHardwarePage(link, 0);
    EXPECT_EQ(page.grid->cells[0],
              (std::vector<std::string>{"XT-IO 8", "1.00.02", "1.02.03", "2.4.07"}));
    EXPECT_EQ(page.grid->cells[1][0], "None");
    EXPECT_EQ(link.calls, (std::vector<std::string>{"WX 256", "CMD 6,2", "CMD 7,2", "WX 512"}));
}

TEST(DiagSheet, PagesPerModel) {
    FakeControllerLink link;
    link.memory[kIdentity] = T71Record("61410031");
    EXPECT_EQ(services::DiagPageKinds(link, 0),
              (std::vector<DiagPageKind>{DiagPageKind::Hardware, DiagPageKind::Application,
                                         DiagPageKind::ConnectionParameters}));
    link.memory[kIdentity] = T71Record("61410011");
    EXPECT_EQ(services::DiagPageKinds(link, 0).back(), DiagPageKind::Network);

    // Trel: no optional page, and "None" for both expansions.
    std::vector<std::uint8_t> trel(361, 0);
    PutText(trel, 0, "Trel 20           ");
    PutText(trel, 18, "61430001");
    trel[26] = 7;
    PutText(trel, 98, "looks like a name "); // not an expansion in the Trel layout
    link.memory[kIdentity] = trel;
    EXPECT_EQ(services::DiagPageKinds(link, 2),
              (std::vector<DiagPageKind>{DiagPageKind::Hardware, DiagPageKind::Application}));
    DiagPage hardware = services::ReadHardwarePage(link, 2);
    EXPECT_EQ(FieldOf(hardware, "Type of controller").value, "Trel 20");
    EXPECT_EQ(hardware.grid->cells[0][0], "None");
    EXPECT_EQ(hardware.grid->cells[1][0], "None");
}

TEST(DiagApplication, AvailableMemoryFollowsTheFamilyCode) {
    FakeControllerLink link;
    link.memory[kConfig] = ConfigRecord(847);
    link.memory[kBootIdentity] = std::vector<std::uint8_t>(21, 0);
    link.memory[kBootIdentity][0] = 5; // Pask
    DiagPage page = services::ReadApplicationPage(link, 1);
    EXPECT_FALSE(page.noProgram);
    EXPECT_EQ(FieldOf(page, "Project name").value, "Pumping station");
    EXPECT_EQ(page.grid->cells[0], (std::vector<std::string>{"100", "8192"}));
    EXPECT_EQ(page.grid->cells[4], (std::vector<std::string>{"0", "152"}));

    // The family code unreadable: 12345 five times, the application still shown.
    link.memory.erase(kBootIdentity);
    page = services::ReadApplicationPage(link, 1);
    EXPECT_EQ(FieldOf(page, "Project name").value, "Pumping station");
    for (const auto& row : page.grid->cells)
        EXPECT_EQ(row[1], "12345");
}

TEST(DiagApplication, NoProgramOrNoConfiguration) {
    FakeControllerLink link;
    link.memory[kConfig] = std::vector<std::uint8_t>(847, 0);
    link.memory[0x0F00] = std::vector<std::uint8_t>(18, ' ');
    PutText(link.memory[0x0F00], 0, "PUMP-STATION");
    DiagPage page = services::ReadApplicationPage(link, 0);
    EXPECT_TRUE(page.noProgram);
    EXPECT_EQ(FieldOf(page, "Controller label").value, "PUMP-STATION");
    EXPECT_EQ(FieldOf(page, "Author").value, "Unknown");
    EXPECT_EQ(page.grid->cells[2], (std::vector<std::string>{"", "12345"}));

    link.memory.erase(kConfig);
    page = services::ReadApplicationPage(link, 0);
    EXPECT_FALSE(page.noProgram);
    EXPECT_EQ(FieldOf(page, "Application checksum").value, "Unknown");
}

TEST(DiagNetwork, GprsAndTcpIpPages) {
    FakeControllerLink link;
    link.memory[kIdentity] = T71Record("61410011");
    link.memory[kConfig] = std::vector<std::uint8_t>(847, 0);
    DiagPage gprs = services::ReadNetworkPage(link);
    EXPECT_EQ(FieldOf(gprs, "Power received").value, "-113 dBm");
    EXPECT_EQ(FieldOf(gprs, "Active PLMN").value, "Unknown");

    DiagPage tcp = services::ReadConnectionPage(link);
    EXPECT_EQ(FieldOf(tcp, "Reserved address").checked, false);
    EXPECT_EQ(FieldOf(tcp, "Reserved address").value, "000.000.000.000");

    link.silent = true;
    EXPECT_EQ(FieldOf(services::ReadNetworkPage(link), "IMEI").value, "Unknown");
    DiagPage failed = services::ReadConnectionPage(link);
    EXPECT_EQ(FieldOf(failed, "IP address").value, "000.000.000.000");
    EXPECT_EQ(FieldOf(failed, "Timeout server (minutes)").value, "0");
    EXPECT_EQ(FieldOf(failed, "Static address").checked, true);
    EXPECT_EQ(FieldOf(failed, "Dynamic address").checked, false);
}
