#include <gtest/gtest.h>

#include "cli/expansion_query.h"
#include "fake_reader.h"

namespace {

// Records the pass-through requests; `failAt` makes the request with that index fail.
struct FakeExpansionLink : cli::IExpansionLink {
    std::vector<std::string> calls;
    int failAt = -1;

    int WriteExt(std::uint32_t address, std::uint32_t) override {
        return Record("WX " + std::to_string(address));
    }
    int CommandExt(std::uint8_t code, std::uint8_t argument, std::uint32_t) override {
        return Record("CMD " + std::to_string(code) + "," + std::to_string(argument));
    }
    int Record(std::string call) {
        calls.push_back(std::move(call));
        return int(calls.size()) - 1 == failAt ? 5 : 0;
    }
};

cli::IdentityReport TwoExpansions() {
    cli::IdentityReport report;
    report.expansions = {{"XT1", "61419001", "1.00.00", "0.00.00", "1.00.00", "1.02.04"},
                         {"XT2", "61419002", "1.00.00", "2.01.03", "1.00.00", "1.02.04"}};
    return report;
}

} // namespace

TEST(ExpansionQuery, AskedOnlyForUnknownBootVersions) {
    FakeReader reader;
    std::vector<std::uint8_t> record(361, 0);
    PutBytes(record, 124, {1, 3, 5});
    PutBytes(record, 225, {9, 9, 9});
    reader.memory[0x8000] = record;
    FakeExpansionLink link;
    cli::IdentityReport report = TwoExpansions();
    cli::CompleteExpansionBoots(report, reader, link);
    // The query formats I without padding, as the diagnostics do.
    EXPECT_EQ(report.expansions[0].boot, "1.3.05");
    EXPECT_EQ(report.expansions[1].boot, "2.01.03");
    EXPECT_EQ(link.calls, (std::vector<std::string>{"WX 256", "CMD 6,2", "CMD 7,2", "WX 512"}));
    ASSERT_EQ(reader.requests.size(), 1u);
    EXPECT_EQ(reader.requests[0].count, 361u);

    // XT2 uses argument 4 and its own offsets.
    link.calls.clear();
    EXPECT_EQ(cli::QueryExpansionBoot(2, reader, link), "9.9.09");
    EXPECT_EQ(link.calls[1], "CMD 6,4");
    EXPECT_FALSE(cli::QueryExpansionBoot(3, reader, link));
}

TEST(ExpansionQuery, TheFirstFailingStepEndsIt) {
    FakeReader reader;
    std::vector<std::uint8_t> record(361, 0);
    PutBytes(record, 124, {1, 3, 5});
    reader.memory[0x8000] = record;
    for (int failAt : {0, 1}) {
        FakeExpansionLink link;
        link.failAt = failAt;
        cli::IdentityReport report = TwoExpansions();
        cli::CompleteExpansionBoots(report, reader, link);
        EXPECT_EQ(report.expansions[0].boot, "0.00.00") << failAt;
        EXPECT_EQ(int(link.calls.size()), failAt + 1);
    }
    // Leaving boot mode fails: the version read is kept and the pass-through stays open.
    FakeExpansionLink link;
    link.failAt = 2;
    EXPECT_EQ(cli::QueryExpansionBoot(1, reader, link), "1.3.05");
    EXPECT_EQ(link.calls.size(), 3u);
    // The read fails: nothing is shown and the session is not closed.
    reader.silent = true;
    FakeExpansionLink silent;
    EXPECT_FALSE(cli::QueryExpansionBoot(1, reader, silent));
    EXPECT_EQ(silent.calls.size(), 2u);
}
