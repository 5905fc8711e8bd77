#include <gtest/gtest.h>

#include "model/CFctTabIdentiteT71.h"
#include "model/CFctTabIdentiteTrel.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"
#include "tests/support/byte_image.h"
#include "tests/support/fake_controller_link.h"

using namespace model;

namespace {

// An identity record whose only content is a code8 and the T71 family code.
std::vector<std::uint8_t> IdentityWithCode(std::string_view code8) {
    std::vector<std::uint8_t> image(CFctTabIdentite::kRecordSize, 0);
    PutText(image, 18, code8);
    return image;
}

struct Caps {
    int model;
    bool communicating, gprs, tcpip;
};

Caps T71Caps(std::string_view code8) {
    FakeControllerLink reader;
    reader.memory[0x8000] = IdentityWithCode(code8);
    CFctTabIdentiteT71 id(reader);
    EXPECT_EQ(id.Read(), 0);
    EXPECT_EQ(id.IsCommunicating(), id.IsCommunicatingB());
    EXPECT_EQ(id.IsCommunicating(), id.IsCommunicatingC());
    EXPECT_EQ(id.IsCommunicating(), id.IsCommunicatingD());
    return {id.GetModelIndex(), id.IsCommunicating(), id.HasGprs(), id.HasTcpIp()};
}

std::vector<std::uint8_t> BootIdentity(std::uint8_t familyCode, std::string_view code8) {
    std::vector<std::uint8_t> area(21, 0x5A);
    area[0] = familyCode;
    PutText(area, 1, code8);
    return area;
}

} // namespace

TEST(ModelTable, CapabilitiesFollowTheModelGroups) {
    Caps gprs = T71Caps("61410011");
    EXPECT_EQ(gprs.model, 1);
    EXPECT_TRUE(gprs.gprs);
    EXPECT_FALSE(gprs.tcpip);
    EXPECT_TRUE(gprs.communicating);

    Caps pask = T71Caps("61420011");
    EXPECT_EQ(pask.model, 9);
    EXPECT_TRUE(pask.tcpip);
    EXPECT_FALSE(pask.gprs);
    EXPECT_TRUE(pask.communicating);

    Caps plain = T71Caps("61420002");
    EXPECT_EQ(plain.model, 8);
    EXPECT_FALSE(plain.communicating || plain.gprs || plain.tcpip);

    Caps kz9Tcp = T71Caps("61410042");
    EXPECT_EQ(kz9Tcp.model, 4);
    EXPECT_TRUE(kz9Tcp.tcpip && kz9Tcp.communicating);
}

TEST(ModelTable, SevenDigitsAndASpaceIsAnUnknownModel) {
    EXPECT_EQ(ParseCode8("6141001 "), 6141001);
    Caps caps = T71Caps("6141001 ");
    EXPECT_EQ(caps.model, kUnknownModel);
    EXPECT_FALSE(caps.communicating || caps.gprs || caps.tcpip);
}

TEST(ModelTable, ParseCode8ReadsLikeADecimalConversion) {
    EXPECT_EQ(ParseCode8("61410011"), 61410011);
    EXPECT_EQ(ParseCode8("  123456"), 123456);
    EXPECT_EQ(ParseCode8("-1234567"), -1234567);
    EXPECT_EQ(ParseCode8("12a45678"), 12);
    EXPECT_EQ(ParseCode8("        "), 0);
    // Only eight characters are looked at, whatever follows them.
    EXPECT_EQ(ParseCode8("6141001199"), 61410011);
}

TEST(ModelTable, EachVariantKnowsOnlyItsOwnFamilies) {
    FakeControllerLink reader;
    CFctTabIdentiteT71 t71(reader);
    CFctTabIdentiteTrel trel(reader);
    EXPECT_EQ(t71.ModelFromCode8(61430001), kUnknownModel);
    EXPECT_EQ(trel.ModelFromCode8(61410011), kUnknownModel);
    EXPECT_EQ(trel.ModelFromCode8(61420001), kUnknownModel);
    EXPECT_EQ(trel.ModelFromCode8(61430003), 16);
    EXPECT_EQ(t71.ModelFromCode8(61420012), 10);

    // The whole table, with the family each code's prefix names.
    struct Row {
        long code;
        int model, family;
    } rows[] = {{61410001, 0, 0},    {61410004, 0, 0},  {61410012, 1, 0},  {61410021, 2, 0},
                {61410022, 2, 0},    {61410031, 3, 0},  {61410032, 3, 0},  {61410041, 4, 0},
                {61420001, 7, 1},    {61420002, 8, 1},  {61420011, 9, 1},  {61420012, 10, 1},
                {61430001, 14, 2},   {61430002, 15, 2}, {61430003, 16, 2}, {61410005, 255, 255},
                {61430004, 255, 255}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(ModelFromCode8Any(row.code), row.model);
        int family = -1;
        EXPECT_EQ(FamilyFromModel(ModelFromCode8Any(row.code), family), row.family != 255);
        EXPECT_EQ(family, row.family);
    }
}

TEST(ModelTable, FamilyFromModelCoversRangesWithoutCodes) {
    int family = -1;
    EXPECT_TRUE(FamilyFromModel(6, family));
    EXPECT_EQ(family, 0);
    EXPECT_FALSE(FamilyFromModel(11, family));
    EXPECT_EQ(family, kUnknownFamily);
    for (int bad : {-1, 11, 12, 13, 17, 255}) {
        EXPECT_FALSE(FamilyFromModel(bad, family)) << bad;
    }
    EXPECT_TRUE(FamilyFromModel(10, family));
    EXPECT_EQ(family, 1);
    EXPECT_TRUE(FamilyFromModel(14, family));
    EXPECT_EQ(family, 2);
}

TEST(ModelTable, VirFormatting) {
    EXPECT_EQ(FormatVir(1, 100, 5), "1.100.05");
    EXPECT_EQ(FormatVir(0, 0, 0), "0.00.00");
    EXPECT_EQ(FormatVir(2, 5, 7), "2.05.07");
    EXPECT_EQ(FormatVir(255, 255, 255), "255.255.255");
}

TEST(BootIdentity, ReadsFamilyModelAndCodeFromOneRequest) {
    FakeControllerLink reader;
    reader.timeoutMs = 10000;
    struct {
        std::uint8_t code;
        int family;
    } cases[] = {{4, 0}, {5, 1}, {7, 2}, {6, 255}, {0, 255}};
    for (auto c : cases) {
        reader.memory[0xE000] = BootIdentity(c.code, "61420011");
        int family = -1;
        EXPECT_EQ(ReadFamilyCode(family, reader), 0);
        EXPECT_EQ(family, c.family) << int(c.code);
    }
    ASSERT_FALSE(reader.requests.empty());
    EXPECT_EQ(reader.requests.back().address, 0xE000u);
    EXPECT_EQ(reader.requests.back().count, 21u);
    EXPECT_EQ(reader.requests.back().timeoutMs, 10000u);

    int modelIndex = -1;
    EXPECT_EQ(ReadBootModel(modelIndex, reader), 0);
    EXPECT_EQ(modelIndex, 9);
    reader.memory[0xE000] = BootIdentity(7, "61430002");
    EXPECT_EQ(ReadBootModel(modelIndex, reader), 0);
    EXPECT_EQ(modelIndex, 15);

    std::array<char, 8> code{};
    EXPECT_EQ(ReadBootCode8(code, reader), 0);
    EXPECT_EQ(std::string(code.data(), 8), "61430002");
}

TEST(BootIdentity, AFailedReadGives15AndCopiesNothing) {
    FakeControllerLink reader;
    reader.silent = true;
    int family = 0;
    EXPECT_EQ(ReadFamilyCode(family, reader), comm::kTargetNotAnswering);
    EXPECT_EQ(family, kUnknownFamily);
    int modelIndex = 42;
    EXPECT_EQ(ReadBootModel(modelIndex, reader), comm::kTargetNotAnswering);
    EXPECT_EQ(modelIndex, 42);
    std::array<char, 8> code{'k', 'e', 'e', 'p', 'k', 'e', 'e', 'p'};
    EXPECT_EQ(ReadBootCode8(code, reader), comm::kTargetNotAnswering);
    EXPECT_EQ(std::string(code.data(), 8), "keepkeep");
}

TEST(TableFactory, FamilyIndexChoosesTheLayout) {
    FakeControllerLink reader;
    EXPECT_TRUE(CreateIdentityTable(0, reader)->IsT71Layout());
    EXPECT_TRUE(CreateIdentityTable(1, reader)->IsT71Layout());
    EXPECT_FALSE(CreateIdentityTable(2, reader)->IsT71Layout());
    EXPECT_EQ(CreateIdentityTable(3, reader), nullptr);
    EXPECT_EQ(CreateIdentityTable(-1, reader), nullptr);
    EXPECT_EQ(CreateConfTable(1, reader)->GetRecord().size(), 847u);
    EXPECT_EQ(CreateConfTable(2, reader)->GetRecord().size(), 707u);
    EXPECT_EQ(CreateConfTable(255, reader), nullptr);
}
