// The backup's pieces without a controller: folder names made safe, new folders never
// reused, files given their name only when complete, every part tried and each failure
// named, and a running controller stopped (and started again) only when the user agrees.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/backup.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;
using namespace cli::backup;
using testsupport::EntryNames;
using testsupport::ReadWholeFile;
using testsupport::TempFolder;

namespace {

class FakeRunControl final : public IRunControl {
  public:
    int ReadRunning(bool& running) override {
        log += "state ";
        running = this->running;
        return readResult;
    }
    int Start() override {
        log += "start ";
        running = true;
        return startResult;
    }

    bool running = true;
    int readResult = 0, startResult = 0;
    std::string log;
};

} // namespace

TEST(BackupNames, ControllerTextIsMadeSafeForOneFolderName) {
    // The rule of every name made from controller text: the text's own characters (UTF-8)
    // and spaces kept; separators, control characters, a leading dot and ".." replaced.
    EXPECT_EQ(SafeComponent("PUMP-STATION_2"), "PUMP-STATION_2");
    EXPECT_EQ(SafeComponent("../../etc"), "_._.__etc");
    EXPECT_EQ(SafeComponent(".hidden"), "_hidden");
    EXPECT_EQ(SafeComponent(".."), "__");
    EXPECT_EQ(SafeComponent("a/b\\c d\te\x01"), "a_b_c d_e_");
    EXPECT_EQ(SafeComponent("  Pump 3   "), "Pump 3");
    EXPECT_EQ(SafeComponent(std::string("LABEL\0\0\0", 8)), "LABEL");
    EXPECT_EQ(SafeComponent("Pompe\xC3\xA9 N\xC2\xB0"
                            "1"),
              "Pompe\xC3\xA9 N\xC2\xB0"
              "1");
    // Cut to 40 characters, never inside one.
    EXPECT_EQ(SafeComponent(std::string(39, 'x') + "\xC3\xA9\xC3\xA9"),
              std::string(39, 'x') + "\xC3\xA9");
    EXPECT_EQ(SafeComponent(""), "controller");
    EXPECT_EQ(SafeComponent("   "), "controller");
    EXPECT_EQ(SafeComponent(std::string(100, 'x')).size(), 40u);

    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 8;
    when.tm_hour = 7;
    when.tm_min = 5;
    when.tm_sec = 9;
    EXPECT_EQ(FolderName("61410031", when), "61410031_20261208-070509");
    EXPECT_EQ(FolderName("PUMP/1", when), "PUMP_1_20261208-070509");
}

TEST(BackupFolders, EveryBackupGetsAFolderOfItsOwn) {
    TempFolder parent;
    std::string error;
    const std::string first = CreateNewFolder(parent.Path(), "PUMP_20261208-070509", error);
    EXPECT_EQ(first, parent.Path() + "/PUMP_20261208-070509/");
    // The same second again: a new folder beside it, the first left as it was.
    std::ofstream(first + "identity.json") << "{}";
    const std::string second = CreateNewFolder(parent.Path() + "/", "PUMP_20261208-070509", error);
    EXPECT_EQ(second, parent.Path() + "/PUMP_20261208-070509-2/");
    EXPECT_TRUE(fs::is_empty(second));
    EXPECT_EQ(ReadWholeFile(first + "identity.json"), "{}");

    EXPECT_EQ(CreateNewFolder(parent.Path() + "/missing", "x", error), "");
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(parent.Path() + "/missing"));
}

TEST(BackupFiles, WrittenWholeOrNotAtAll) {
    TempFolder folder;
    std::string error;
    const std::string path = folder.Path() + "/config.json";
    ASSERT_TRUE(WriteTextFile(path, "{\"label\":\"PUMP\"}\n", error)) << error;
    EXPECT_EQ(ReadWholeFile(path), "{\"label\":\"PUMP\"}\n");
    EXPECT_EQ(EntryNames(folder.Path()), std::vector<std::string>{"config.json"});

    EXPECT_FALSE(WriteTextFile(folder.Path() + "/no/such/folder/x.json", "{}", error));
    EXPECT_NE(error.find("x.json"), std::string::npos) << error;
    EXPECT_EQ(EntryNames(folder.Path()), std::vector<std::string>{"config.json"});
}

TEST(BackupParts, EachFailureIsNamedAndTheOthersAreStillSaved) {
    TempFolder folder;
    std::vector<std::string> tried;
    auto part = [&](std::string name, Outcome outcome, std::string message) {
        return Part{name, [&tried, name, outcome, message](const std::string& f) {
                        tried.push_back(name);
                        if (outcome == Outcome::Saved)
                            std::ofstream(f + "/" + name) << name;
                        return PartResult{outcome, message};
                    }};
    };
    std::ostringstream err;
    int status = SaveParts({part("identity", Outcome::Saved, ""),
                            part("config", Outcome::Failed, "the target did not answer."),
                            part("program", Outcome::Saved, ""),
                            part("datalogs", Outcome::Failed, "could not be read.")},
                           folder.Path(), err);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(tried, (std::vector<std::string>{"identity", "config", "program", "datalogs"}));
    EXPECT_EQ(err.str(), "config: the target did not answer.\ndatalogs: could not be read.\n");
    EXPECT_EQ(EntryNames(folder.Path()), (std::vector<std::string>{"identity", "program"}));

    // A part left out on purpose is said, but the backup holds what was asked for.
    std::ostringstream skipped;
    EXPECT_EQ(SaveParts({part("identity", Outcome::Saved, ""),
                         part("datalogs", Outcome::Skipped, "skipped: running.")},
                        folder.Path(), skipped),
              0);
    EXPECT_EQ(skipped.str(), "datalogs: skipped: running.\n");
    std::ostringstream none;
    EXPECT_EQ(SaveParts({part("identity", Outcome::Saved, "")}, folder.Path(), none), 0);
    EXPECT_EQ(none.str(), "");
}

// The part below stands for the datalog read: it stops a running controller only when the
// user agreed (`stops`), and saves or not.
TEST(BackupRunningController, LeftRunningAsItWasFound) {
    struct Case {
        const char* what;
        bool running;
        bool stops;
        Outcome outcome;
        const char* log;
    };
    const Case cases[] = {
        {"already stopped", false, false, Outcome::Saved, "state save "},
        {"stopped with consent", true, true, Outcome::Saved, "state save state start "},
        {"declined", true, false, Outcome::Skipped, "state save state "},
        {"failed after stopping", true, true, Outcome::Failed, "state save state start "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRunControl control;
        control.running = c.running;
        PartResult result = RestartedAfterwards(control, [&] {
            control.log += "save ";
            if (c.stops)
                control.running = false;
            return PartResult{c.outcome, c.outcome == Outcome::Saved ? "" : "said."};
        });
        EXPECT_EQ(control.log, c.log);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.message, c.outcome == Outcome::Saved ? "" : "said.");
        EXPECT_EQ(control.running, c.running);
    }
}

TEST(BackupRunningController, FailuresAroundThePartAreSaid) {
    auto stopsAndSaves = [](FakeRunControl& control) {
        return [&control] {
            control.running = false;
            return PartResult{Outcome::Saved, {}};
        };
    };

    FakeRunControl unreadable;
    unreadable.readResult = 15;
    bool called = false;
    EXPECT_EQ(RestartedAfterwards(unreadable,
                                  [&] {
                                      called = true;
                                      return PartResult{Outcome::Saved, {}};
                                  })
                  .outcome,
              Outcome::Failed);
    EXPECT_FALSE(called);

    // Saved, but left stopped: the backup must not look complete.
    FakeRunControl unstartable;
    unstartable.startResult = 15;
    PartResult result = RestartedAfterwards(unstartable, stopsAndSaves(unstartable));
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.message.rfind("saved, but the controller could not be started again", 0), 0u)
        << result.message;

    // A part that failed and a controller left stopped: both are said.
    FakeRunControl both;
    both.startResult = 15;
    result = RestartedAfterwards(both, [&both] {
        both.running = false;
        return PartResult{Outcome::Failed, "the datalogs could not be read."};
    });
    EXPECT_EQ(both.log, "state state start ");
    EXPECT_NE(result.message.find("the datalogs could not be read."), std::string::npos);
    EXPECT_NE(result.message.find("could not be started again"), std::string::npos);
}
