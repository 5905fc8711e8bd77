// The fleet's pieces without a controller: the hosts file and the pattern, the password file
// and its permission check, the children's JSON and the clock offset.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "fleet/ChildJson.h"
#include "fleet/FleetJobs.h"
#include "fleet/FleetTarget.h"

namespace {

TEST(FleetTargets, HostsFileMatchAndMerge) {
    std::vector<fleet::Target> targets;
    std::string error;
    ASSERT_TRUE(fleet::ParseHostsText("# site\n10.0.0.7 PUMP-1\n\n10.0.0.8:4000\tPUMP-1 # twin\n"
                                      "127.0.0.2:42425 VALVE 3\n",
                                      targets, error))
        << error;
    ASSERT_EQ(targets.size(), 3u);
    EXPECT_EQ(targets[0].Address(), "10.0.0.7:42424");
    EXPECT_EQ(targets[1].Address(), "10.0.0.8:4000");
    EXPECT_EQ(targets[1].label, "PUMP-1");
    EXPECT_EQ(targets[2].label, "VALVE 3");

    // Same label, two addresses: both kept and matched; a pattern also meets the address.
    EXPECT_EQ(fleet::Filter(targets, "PUMP-*").size(), 2u);
    EXPECT_EQ(fleet::Filter(targets, "127.0.0.*").size(), 1u);
    EXPECT_EQ(fleet::Filter(targets, "10.0.0.8:4000").size(), 1u);
    EXPECT_EQ(fleet::Filter(targets, "").size(), 3u);
    fleet::Target found{"PUMP-1", "10.0.0.7", 42424, "61410031"};
    fleet::Target other{"X", "10.0.0.9", 42424, "61420001"};
    fleet::Merge(targets, {found, other});
    EXPECT_EQ(targets.size(), 4u); // the known address is not added twice
    EXPECT_EQ(fleet::Filter(targets, "6142*").size(), 1u);

    for (const char* bad : {"10.0.0.7:0 A\n", "10.0.0.7:70000\n", "10.0.0.7:x\n"}) {
        std::vector<fleet::Target> none;
        EXPECT_FALSE(fleet::ParseHostsText(std::string("# ok\n") + bad, none, error)) << bad;
        EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
    }
}

TEST(FleetPasswords, FileReadableByOthersIsRefused) {
    char dir[] = "/tmp/fleet-pw-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/passwords";
    std::ofstream(path) << "# site passwords\nPUMP-1 se cret\r\nVALVE\tabc\n";
    fleet::PasswordBook book;
    std::string error;
    ::chmod(path.c_str(), 0644);
    EXPECT_FALSE(fleet::ReadPasswordFile(path, book, error));
    EXPECT_NE(error.find("read by others"), std::string::npos) << error;
    ::chmod(path.c_str(), 0600);
    ASSERT_TRUE(fleet::ReadPasswordFile(path, book, error)) << error;
    EXPECT_EQ(book.For({"PUMP-1", "10.0.0.7", 42424, ""}), "se cret");
    EXPECT_EQ(book.For({"VALVE", "10.0.0.8", 42424, ""}), "abc");
    EXPECT_EQ(book.For({"OTHER", "10.0.0.9", 42424, ""}), "");
    EXPECT_FALSE(fleet::ParsePasswordText("LONELY\n", book, error));
    std::remove(path.c_str());
    ::rmdir(dir);
}

TEST(FleetChildren, JsonAndClockOffset) {
    auto j = fleet::ChildJson::Parse(
        "{\"type\":\"kz9 \\\"TCP\\\"\",\"model\":3,\"running\":true,\"state_word\":null,"
        "\"expansions\":[{\"name\":\"XT1\",\"code8\":\"61411001\"},{\"code8\":\"2\"}],"
        "\"module\":{\"boot\":\"1\"}}\n");
    ASSERT_TRUE(j);
    EXPECT_EQ(j->Text("type"), "kz9 \"TCP\"");
    EXPECT_EQ(j->Number("model"), 3);
    EXPECT_EQ(j->Flag("running"), true);
    EXPECT_FALSE(j->Number("state_word"));
    EXPECT_FALSE(j->Text("model"));
    ASSERT_EQ(j->Objects("expansions").size(), 2u);
    EXPECT_EQ(j->Objects("expansions")[0].Text("code8"), "61411001");
    EXPECT_FALSE(fleet::ChildJson::Parse("{\"a\":1"));
    EXPECT_FALSE(fleet::ChildJson::Parse("{\"a\":1} trailing"));
    EXPECT_FALSE(fleet::ChildJson::Parse("The target peripheral is not reacting."));

    std::tm now{};
    now.tm_year = 126, now.tm_mon = 11, now.tm_mday = 8, now.tm_hour = 6, now.tm_min = 55;
    EXPECT_EQ(fleet::ClockOffset("2026-12-08", "06:56:05", now), 65);
    EXPECT_EQ(fleet::ClockOffset("2026-12-07", "06:55:00", now), -86400);
    EXPECT_FALSE(fleet::ClockOffset("2026-12", "06:55:00", now));
}

} // namespace
