#include <gtest/gtest.h>

#include "cli/expansion_query.h"
#include "tests/support/byte_image.h"
#include "tests/support/fake_controller_link.h"

namespace {

cli::IdentityReport TwoExpansions() {
    cli::IdentityReport report;
    report.expansions = {{"XT1", "61419001", "1.00.00", "0.00.00", "1.00.00", "1.02.04"},
                         {"XT2", "61419002", "1.00.00", "2.01.03", "1.00.00", "1.02.04"}};
    return report;
}

} // namespace

TEST(ExpansionQuery, AskedOnlyForUnknownBootVersions) {
    FakeControllerLink link;
    std::vector<std::uint8_t> record(361, 0);
    PutBytes(record, 124, {1, 3, 5});
    PutBytes(record, 225, {9, 9, 9});
    link.memory[0x8000] = record;
    cli::IdentityReport report = TwoExpansions();
    cli::CompleteExpansionBoots(report, link);
    // The query formats I without padding, as the diagnostics do.
    EXPECT_EQ(report.expansions[0].boot, "1.3.05");
    EXPECT_EQ(report.expansions[1].boot, "2.01.03");
    EXPECT_EQ(link.calls, (std::vector<std::string>{"WX 256", "CMD 6,2", "CMD 7,2", "WX 512"}));
    ASSERT_EQ(link.RequestsOf("R").size(), 1u);
    EXPECT_EQ(link.RequestsOf("R")[0].count, 361u);

    // XT2 uses argument 4 and its own offsets.
    link.calls.clear();
    EXPECT_EQ(cli::QueryExpansionBoot(2, link), "9.9.09");
    EXPECT_EQ(link.calls[1], "CMD 6,4");
    EXPECT_FALSE(cli::QueryExpansionBoot(3, link));
}

TEST(ExpansionQuery, TheFirstFailingStepEndsIt) {
    std::vector<std::uint8_t> record(361, 0);
    PutBytes(record, 124, {1, 3, 5});
    for (int failAt : {0, 1}) {
        FakeControllerLink link;
        link.memory[0x8000] = record;
        link.failCallAt = failAt;
        cli::IdentityReport report = TwoExpansions();
        cli::CompleteExpansionBoots(report, link);
        EXPECT_EQ(report.expansions[0].boot, "0.00.00") << failAt;
        EXPECT_EQ(int(link.calls.size()), failAt + 1);
    }
    // Leaving boot mode fails: the version read is kept and the pass-through stays open.
    FakeControllerLink link;
    link.memory[0x8000] = record;
    link.failCallAt = 2;
    EXPECT_EQ(cli::QueryExpansionBoot(1, link), "1.3.05");
    EXPECT_EQ(link.calls.size(), 3u);
    // The read fails: nothing is shown and the session is not closed.
    FakeControllerLink silent;
    silent.memory[0x8000] = record;
    silent.silent = true;
    EXPECT_FALSE(cli::QueryExpansionBoot(1, silent));
    EXPECT_EQ(silent.calls.size(), 2u);
}
