// The service history end to end against the simulator: a program write keeps the program it
// replaces and history restore brings it back byte for byte (as program compare sees it); a
// firmware update keeps the program it erases; a refused file keeps nothing; a history that
// cannot be written leaves the operation successful with one warning.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/program_folder.h"
#include "tests/cli/process_runner.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class HistoryCli : public ::testing::Test {
  protected:
    void Start(const std::string& code8, std::vector<std::string> faults = {}) {
        std::vector<std::string> args = {"--code8", code8, "--stopped"};
        args.insert(args.end(), faults.begin(), faults.end());
        sim_.reset(); // one simulator at a time on the port name
        sim_ = std::make_unique<simtest::SimProcess>(simtest::SimConfig{args, "ttyQH0"});
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
        history_ = dir_.Path() + "/history.sqlite3";
    }
    e2e::RunResult Cli(std::vector<std::string> args, bool link = true) {
        if (link)
            args.insert(args.begin(), {"--usb", sim_->usb_name()});
        return e2e::Run("quorvel-cli", args,
                        {{"QUORVEL_DEV_DIR", sim_->dev_dir()},
                         {"QUORVEL_WAIT_SCALE", "0"},
                         {"QUORVEL_HISTORY", history_}});
    }
    std::size_t KeptCount() const {
        std::error_code ec;
        std::size_t n = 0;
        for (const auto& e : fs::directory_iterator(dir_.Path() + "/KeptPrograms", ec))
            n += e.path().extension() == ".vqap";
        return n;
    }
    // The newest row's JSON.
    std::string NewestRow() {
        e2e::RunResult r = Cli({"history", "--limit", "1", "--json"}, false);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    testsupport::TempFolder dir_;
    std::unique_ptr<simtest::SimProcess> sim_;
    std::string history_;
};

// A copy of the program file `from` with one byte of its last zone changed.
std::string ChangedProgram(const std::string& from, const std::string& to) {
    std::string text = testsupport::ReadWholeFile(from);
    std::size_t at = text.rfind("<Binaire>");
    EXPECT_NE(at, std::string::npos);
    at += 9;
    text[at] = text[at] == 'A' ? 'B' : 'A';
    std::ofstream(to, std::ios::binary) << text;
    return to;
}

TEST_F(HistoryCli, WriteKeepsTheOldProgramAndRestoreBringsItBack) {
    ASSERT_NO_FATAL_FAILURE(Start("61410031"));
    e2e::RunResult r = Cli({"program", "read", dir_.Path()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string original = r.out.substr(0, r.out.size() - 1);
    const std::string changed = ChangedProgram(original, dir_.Path() + "/changed.vqap");

    EXPECT_EQ(Cli({"program", "compare", original}).out, "identical\n");
    r = Cli({"program", "write", changed, "--no"}); // No: the datalogs are not read
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("The controller's program was kept as "), std::string::npos) << r.err;
    EXPECT_EQ(KeptCount(), 1u);
    const std::string write = NewestRow();
    EXPECT_NE(write.find("\"operation\":\"program-write\""), std::string::npos) << write;
    EXPECT_NE(write.find("\"result\":\"done\""), std::string::npos);
    EXPECT_NE(write.find("changed.vqap\",\"size\":"), std::string::npos);
    EXPECT_NE(write.find("\"kept\":\"" + dir_.Path() + "/KeptPrograms/"), std::string::npos);
    EXPECT_NE(write.find("\"code8\":\"61410031\""), std::string::npos);
    EXPECT_NE(write.find("\"link\":{\"kind\":\"usb\",\"port\":\"ttyQH0\"}"), std::string::npos);

    r = Cli({"program", "compare", original, "--json"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.out.find("{\"identical\":false,\"zones\":[{\"name\":"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"differing_bytes\":1,"), std::string::npos) << r.out;

    const std::string id = write.substr(7, write.find(',') - 7); // [{"id":N,
    r = Cli({"history", "restore", id, "--no"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Cli({"program", "compare", original});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "identical\n");
    EXPECT_EQ(KeptCount(), 2u); // the restore kept the changed program first

    // Every operation is there, newest first; the filters work on the command line.
    r = Cli({"history", "--operation", "program-compare"}, false);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3) << r.out;
    r = Cli({"history", "show", id}, false);
    EXPECT_NE(r.out.find("Kept copy: " + dir_.Path() + "/KeptPrograms/"), std::string::npos);
    EXPECT_EQ(Cli({"history", "show", "999"}, false).status, 1);
    EXPECT_EQ(Cli({"history", "--since", "yesterday"}, false).status, 2);

    // A refused file reads and keeps nothing, and the row says it failed.
    std::ofstream(dir_.Path() + "/bad.vqap") << "not a program\n</UserApplication>\n";
    r = Cli({"program", "write", dir_.Path() + "/bad.vqap", "--no"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(KeptCount(), 2u);
    const std::string refused = NewestRow();
    EXPECT_NE(refused.find("\"result\":\"failed\""), std::string::npos) << refused;
    EXPECT_NE(refused.find("\"kept\":null"), std::string::npos) << refused;
}

TEST_F(HistoryCli, FirmwareUpdateKeepsTheProgramItErases) {
    ASSERT_NO_FATAL_FAILURE(Start("61410001"));
    const std::string package =
        platform::DefaultDataFolder("Binaries") + "T71/Larch/Larch_1_10_00_2_4_-1--------.vqfw";
    e2e::RunResult r = Cli({"firmware", "update", package, "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(KeptCount(), 1u) << r.err;
    const std::string row = NewestRow();
    EXPECT_NE(row.find("\"operation\":\"firmware-update\""), std::string::npos) << row;
    EXPECT_NE(row.find("\"kept\":\"" + dir_.Path() + "/KeptPrograms/"), std::string::npos);

    // The copy cannot be kept (a refused read of the program zone) and the technician goes
    // on: the update that follows is judged on its own, and succeeds.
    const std::string log = sim_->ReadLog();
    const std::size_t zone = log.find(" R   0x00060000");
    ASSERT_NE(zone, std::string::npos) << log;
    const std::string nth = std::to_string(std::stoul(log.substr(zone - 6, 6)) + 1);
    ASSERT_NO_FATAL_FAILURE(Start("61410001", {"--fault-refuse-nth", nth}));
    r = Cli({"firmware", "update", package, "--yes"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("No copy of the controller's program could be kept"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "1.10.00\n");
}

TEST_F(HistoryCli, AHistoryThatCannotBeWrittenWarnsAndTheOperationSucceeds) {
    ASSERT_NO_FATAL_FAILURE(Start("61420001"));
    history_ = "/proc/quorvel/history.sqlite3";
    e2e::RunResult r = Cli({"stop"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("The service history was not written"), std::string::npos) << r.err;
}

} // namespace
