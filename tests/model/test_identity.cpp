#include <gtest/gtest.h>

#include "model/CFctTabIdentiteT71.h"
#include "model/CFctTabIdentiteTrel.h"
#include "model/ModelTable.h"
#include "tests/support/byte_image.h"
#include "tests/support/fake_controller_link.h"

using model::VirKind;

namespace {

// A kz9 GPRS controller with two expansions and a communication module, T71 layout.
std::vector<std::uint8_t> T71Record() {
    std::vector<std::uint8_t> r(361, 0);
    PutText(r, 0, "kz9 GPRS 12 I/O   ");
    PutText(r, 18, "61410011");
    r[26] = 4;
    PutBytes(r, 27, {3, 2, 1});    // hardware
    PutBytes(r, 30, {8, 4, 2, 1}); // DI, relays, ANA, PWM
    PutBytes(r, 80, {1, 5, 12});   // boot
    PutBytes(r, 83, {1, 6, 13});   // bootloader
    PutBytes(r, 86, {1, 8, 5});    // software
    PutBytes(r, 89, {9, 9, 9});    // not interpreted
    PutText(r, 98, "XT-IO 8           ");
    PutText(r, 116, "61419001");
    PutBytes(r, 124, {0, 0, 0}); // XT1 boot unknown
    PutBytes(r, 127, {0, 0, 0}); // XT1 bootloader
    PutBytes(r, 130, {0, 0, 0}); // XT1 software unknown
    PutBytes(r, 133, {1, 0, 2}); // XT1 hardware
    PutText(r, 199, "XT-ANA 4          ");
    PutText(r, 217, "61419002 ");
    PutBytes(r, 225, {2, 1, 3});
    PutBytes(r, 228, {2, 2, 4});
    PutBytes(r, 231, {2, 3, 5});
    PutBytes(r, 234, {2, 4, 6});
    PutBytes(r, 298 + 1, {4, 1, 1}); // module boot
    PutBytes(r, 298 + 4, {4, 2, 2}); // module bootloader
    PutBytes(r, 298 + 7, {4, 3, 3}); // module software
    PutText(r, 298 + 13, "356938035643809   ");
    return r;
}

} // namespace

TEST(IdentityT71, ReadsTheRecordAndAnswersFromItsOffsets) {
    FakeControllerLink reader;
    reader.timeoutMs = 40000;
    reader.memory[0x8000] = T71Record();
    CFctTabIdentiteT71 id(reader);
    ASSERT_EQ(id.Read(), 0);
    ASSERT_EQ(reader.requests.size(), 1u);
    EXPECT_EQ(reader.requests[0].address, 0x8000u);
    EXPECT_EQ(reader.requests[0].count, 361u);
    EXPECT_EQ(reader.requests[0].timeoutMs, 40000u);

    EXPECT_EQ(id.GetTypeName(), "kz9 GPRS 12 I/O");
    EXPECT_EQ(id.GetCode8(), "61410011");
    EXPECT_EQ(id.GetModelIndex(), 1);
    EXPECT_EQ(id.GetFamilyIndex(), 0);
    EXPECT_EQ(id.FormatHardwareVir(), "3.02.01");
    EXPECT_EQ(id.FormatBootVir(), "1.05.12");
    EXPECT_EQ(id.FormatBootloaderVir(), "1.06.13");
    EXPECT_EQ(id.FormatSoftwareVir(), "1.08.05");
    EXPECT_EQ(id.GetSoftwareI(), 8);
    EXPECT_EQ(id.GetDigitalInputCount(), 8);
    EXPECT_EQ(id.GetRelayOutputCount(), 4);
    EXPECT_EQ(id.GetAnalogInputCount(), 2);
    EXPECT_EQ(id.GetPwmOutputCount(), 1);
    EXPECT_TRUE(id.IsT71Layout());

    EXPECT_EQ(id.GetExpansionName(1), "XT-IO 8");
    EXPECT_EQ(id.GetExpansionCode8(2), "61419002");
    EXPECT_EQ(id.FormatExpansionVir(1, VirKind::Hardware), "1.00.02");
    EXPECT_EQ(id.FormatExpansionVir(2, VirKind::Boot), "2.01.03");
    EXPECT_EQ(id.FormatExpansionVir(2, VirKind::Bootloader), "2.02.04");
    EXPECT_EQ(id.FormatExpansionVir(2, VirKind::Software), "2.03.05");
    EXPECT_EQ(id.FormatExpansionVir(2, VirKind::Hardware), "2.04.06");
    EXPECT_EQ(id.GetExpansionName(3), "");
    EXPECT_EQ(id.FormatExpansionVir(0, VirKind::Boot), "");
}

TEST(IdentityT71, ModuleCopyIsRefreshedOnlyOnRequest) {
    FakeControllerLink reader;
    reader.memory[0x8000] = T71Record();
    CFctTabIdentiteT71 id(reader);
    ASSERT_EQ(id.Read(), 0);
    // The copy was taken at Reset, from the zeroed record.
    EXPECT_EQ(id.FormatModuleVir(VirKind::Software), "0.00.00");
    EXPECT_EQ(id.GetModuleImei(), "");
    id.CopyModuleFromRecord();
    EXPECT_EQ(id.FormatModuleVir(VirKind::Boot), "4.01.01");
    EXPECT_EQ(id.FormatModuleVir(VirKind::Bootloader), "4.02.02");
    EXPECT_EQ(id.FormatModuleVir(VirKind::Software), "4.03.03");
    EXPECT_EQ(id.GetModuleImei(), "356938035643809");
    id.Reset();
    EXPECT_EQ(id.GetModuleImei(), "");
}

TEST(IdentityT71, SummarySubstitutesUnknownExpansionVersions) {
    FakeControllerLink reader;
    reader.memory[0x8000] = T71Record();
    CFctTabIdentiteT71 id(reader);
    ASSERT_EQ(id.Read(), 0);
    model::IdentitySummary s;
    id.BuildSummary(s);
    EXPECT_EQ(s.code8, "61410011");
    EXPECT_EQ(s.xt1Code8, "61419001");
    EXPECT_EQ(s.xt2Code8, "61419002");
    EXPECT_EQ(s.boot, "1.05.12");
    EXPECT_EQ(s.bootloader, "1.06.13");
    EXPECT_EQ(s.software, "1.08.05");
    EXPECT_EQ(s.xt1Boot, "X.XX.XX");
    EXPECT_EQ(s.xt1Bootloader, "0.00.00");
    EXPECT_EQ(s.xt1Software, "0.00.XX");
    EXPECT_EQ(s.xt2Boot, "2.01.03");
    EXPECT_EQ(s.xt2Bootloader, "2.02.04");
    EXPECT_EQ(s.xt2Software, "2.03.05");

    // The main versions are never substituted, even when all zero.
    CFctTabIdentiteT71 empty(reader);
    empty.BuildSummary(s);
    EXPECT_EQ(s.boot, "0.00.00");
    EXPECT_EQ(s.software, "0.00.00");
    EXPECT_EQ(s.xt2Boot, "X.XX.XX");
    EXPECT_EQ(s.xt2Software, "0.00.XX");
}

TEST(IdentityTrel, VersionsSitThreeBytesLaterAndNothingElseIsInterpreted) {
    FakeControllerLink reader;
    std::vector<std::uint8_t> r = T71Record();
    PutText(r, 18, "61430001");
    r[26] = 7;
    reader.memory[0x8000] = r;
    CFctTabIdentiteTrel id(reader);
    ASSERT_EQ(id.Read(), 0);
    EXPECT_EQ(id.GetModelIndex(), 14);
    EXPECT_EQ(id.GetFamilyIndex(), 2);
    EXPECT_EQ(id.FormatHardwareVir(), "3.02.01");
    EXPECT_EQ(id.FormatBootVir(), "1.06.13");
    EXPECT_EQ(id.FormatBootloaderVir(), "1.08.05");
    EXPECT_EQ(id.FormatSoftwareVir(), "9.09.09");
    EXPECT_FALSE(id.IsCommunicating() || id.HasGprs() || id.HasTcpIp() || id.IsT71Layout());

    model::IdentitySummary s;
    s.xt1Boot = "stale";
    id.BuildSummary(s);
    EXPECT_EQ(s.code8, "61430001");
    EXPECT_EQ(s.boot, "1.06.13");
    EXPECT_EQ(s.software, "9.09.09");
    for (const std::string* other : {&s.xt1Code8, &s.xt2Code8, &s.xt1Boot, &s.xt1Bootloader,
                                     &s.xt1Software, &s.xt2Boot, &s.xt2Bootloader, &s.xt2Software})
        EXPECT_EQ(*other, "");

    // The same record seen through the T71 layout names another family and model.
    CFctTabIdentiteT71 t71(reader);
    ASSERT_EQ(t71.Read(), 0);
    EXPECT_EQ(t71.GetFamilyIndex(), model::kUnknownFamily);
    EXPECT_EQ(t71.GetModelIndex(), model::kUnknownModel);
}

TEST(Identity, FamilyCodeBelongsToTheLayout) {
    FakeControllerLink reader;
    std::vector<std::uint8_t> r(361, 0);
    struct {
        std::uint8_t code;
        int t71, trel;
    } cases[] = {{4, 0, 255}, {5, 1, 255}, {7, 255, 2}, {0, 255, 255}};
    for (auto c : cases) {
        r[26] = c.code;
        reader.memory[0x8000] = r;
        CFctTabIdentiteT71 t71(reader);
        CFctTabIdentiteTrel trel(reader);
        ASSERT_EQ(t71.Read(), 0);
        ASSERT_EQ(trel.Read(), 0);
        EXPECT_EQ(t71.GetFamilyIndex(), c.t71) << int(c.code);
        EXPECT_EQ(trel.GetFamilyIndex(), c.trel) << int(c.code);
    }
}

TEST(Identity, AFailedReadReturns15AndLeavesTheRecord) {
    FakeControllerLink reader;
    reader.silent = true;
    for (bool trel : {false, true}) {
        std::unique_ptr<CFctTabIdentite> id;
        if (trel)
            id = std::make_unique<CFctTabIdentiteTrel>(reader);
        else
            id = std::make_unique<CFctTabIdentiteT71>(reader);
        EXPECT_EQ(id->Read(), comm::kTargetNotAnswering);
        EXPECT_EQ(id->GetTypeName(), "");
        EXPECT_EQ(id->GetCode8(), "");
        EXPECT_EQ(id->GetModelIndex(), model::kUnknownModel);
        EXPECT_EQ(id->GetDigitalInputCount(), 0);
        EXPECT_EQ(id->FormatSoftwareVir(), "0.00.00");
        EXPECT_FALSE(id->IsCommunicating() || id->HasGprs() || id->HasTcpIp());
    }

    // A failure after a good read keeps what was read.
    reader.silent = false;
    reader.memory[0x8000] = T71Record();
    CFctTabIdentiteT71 id(reader);
    ASSERT_EQ(id.Read(), 0);
    reader.silent = true;
    EXPECT_EQ(id.Read(), comm::kTargetNotAnswering);
    EXPECT_EQ(id.GetCode8(), "61410011");
}

TEST(Identity, TextsAreTrimmedAndConvertedFromAnsi) {
    FakeControllerLink reader;
    std::vector<std::uint8_t> r(361, 0);
    PutBytes(r, 0, {'C', 0xE9, 'l', 0x80, ' ', '\t', ' ', ' '});
    PutText(r, 18, "6141001\t");
    reader.memory[0x8000] = r;
    CFctTabIdentiteT71 id(reader);
    ASSERT_EQ(id.Read(), 0);
    // Names lose trailing spaces only; codes lose any trailing white space.
    EXPECT_EQ(id.GetTypeName(), "C\xC3\xA9l\xE2\x82\xAC \t");
    EXPECT_EQ(id.GetCode8(), "6141001");
    EXPECT_EQ(id.GetModelIndex(), model::kUnknownModel);
}

TEST(Identity, ResetTakesTheLinkTimeoutAndZeroesTheRecord) {
    FakeControllerLink reader;
    reader.memory[0x8000] = T71Record();
    CFctTabIdentiteTrel id(reader);
    EXPECT_EQ(id.GetTimeoutMs(), 6000u);
    ASSERT_EQ(id.Read(), 0);
    reader.timeoutMs = 10000;
    id.Reset();
    EXPECT_EQ(id.GetTimeoutMs(), 10000u);
    EXPECT_EQ(id.GetTypeName(), "");
    ASSERT_EQ(id.Read(), 0);
    EXPECT_EQ(reader.requests.back().timeoutMs, 10000u);
}
