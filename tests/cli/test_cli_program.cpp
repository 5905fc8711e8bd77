// quorvel-cli program read | write end to end against the simulator: the path as the only
// line of standard output, the questions answered by --yes/--no or left unanswered without a
// terminal (exit 2, nothing changed), the application password from standard input, refused
// files. The waits run scaled down (QUORVEL_WAIT_SCALE=0).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "process_runner.h"
#include "tests/support/sim_fixture.h"

namespace {

namespace fs = std::filesystem;

class ProgramCli : public ::testing::Test {
  protected:
    void Start(std::vector<std::string> args) {
        sim_ = std::make_unique<simtest::SimProcess>(simtest::SimConfig{std::move(args), "ttyQP0"});
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
        folder_ = fs::path(sim_->dev_dir()) / "programs";
        fs::create_directories(folder_);
    }
    e2e::RunResult Usb(std::vector<std::string> args, const std::string* input = nullptr) {
        args.insert(args.begin(), {"--usb", sim_->usb_name()});
        std::map<std::string, std::string> env = {{"QUORVEL_DEV_DIR", sim_->dev_dir()},
                                                  {"QUORVEL_WAIT_SCALE", "0"}};
        return input ? e2e::RunWithInput("quorvel-cli", args, *input, env)
                     : e2e::Run("quorvel-cli", args, env);
    }
    std::string ReadProgram() {
        e2e::RunResult r = Usb({"program", "read", folder_.string()});
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out.empty() ? "" : r.out.substr(0, r.out.size() - 1);
    }

    std::unique_ptr<simtest::SimProcess> sim_;
    fs::path folder_;
};

TEST_F(ProgramCli, ReadPrintsThePathAloneAndStepsOnStandardError) {
    ASSERT_NO_FATAL_FAILURE(Start({"--code8", "61420001"}));
    e2e::RunResult r = Usb({"program", "read", folder_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);
    const std::string path = r.out.substr(0, r.out.size() - 1);
    EXPECT_TRUE(fs::exists(path)) << path;
    EXPECT_EQ(fs::path(path).parent_path(), folder_);
    EXPECT_EQ(fs::path(path).extension(), ".vqap");
    // One plain line per step, no carriage return.
    EXPECT_NE(r.err.find("Reading init area\nReading program area\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
    // Usage errors.
    EXPECT_EQ(Usb({"program", "read", (folder_ / "missing").string()}).status, 2);
    EXPECT_EQ(Usb({"program", "read", folder_.string(), "--yes", "--no"}).status, 2);
    EXPECT_EQ(Usb({"program", "erase"}).status, 2);
}

TEST_F(ProgramCli, QuestionsWithoutATerminalEndWithStatusTwoAndChangeNothing) {
    ASSERT_NO_FATAL_FAILURE(Start({"--code8", "61420001"}));
    const std::string file = ReadProgram();
    ASSERT_FALSE(file.empty());
    e2e::RunResult r = Usb({"program", "write", file});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("Cannot write the program in the controller when it is in ON mode."),
              std::string::npos);
    EXPECT_EQ(sim_->ReadLog().find("[01 00]"), std::string::npos); // never stopped

    // --no: the running controller stays running, nothing written.
    r = Usb({"program", "write", file, "--no"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("The program was not written."), std::string::npos);
    EXPECT_EQ(sim_->ReadLog().find("[01 00]"), std::string::npos);
    EXPECT_EQ(r.out, "");

    // --yes: stopped, the datalogs it holds read into the folder given, then written.
    const fs::path logs = folder_ / "logs";
    r = Usb({"program", "write", file, "--yes", "--datalogs-folder", logs.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(fs::exists(logs) && !fs::is_empty(logs)) << r.err;
    const std::string log = sim_->ReadLog();
    EXPECT_NE(log.find("[01 00]"), std::string::npos);
    // The datalogs were read before the first erase.
    EXPECT_LT(log.find("own datalog frame"), log.find("[05 01]"));
}

// The file is read and checked before the controller is stopped or its datalogs read.
TEST_F(ProgramCli, AFileThatCannotBeWrittenLeavesARunningControllerRunning) {
    ASSERT_NO_FATAL_FAILURE(Start({"--code8", "61420001"}));
    const std::string file = ReadProgram();
    ASSERT_FALSE(file.empty());
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text[text.find("<Binaire>") + 9] = 'z';
    const fs::path damaged = folder_ / "damaged.vqap";
    std::ofstream(damaged, std::ios::binary) << text;
    const fs::path logs = folder_ / "logs";
    for (const std::string& path : {(folder_ / "mistyped.vqap").string(), damaged.string()}) {
        e2e::RunResult r =
            Usb({"program", "write", path, "--yes", "--datalogs-folder", logs.string()});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.err.find("ON mode"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Datalogs in the controller"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(logs));
    const std::string log = sim_->ReadLog();
    EXPECT_EQ(log.find("[01 00]"), std::string::npos) << "stopped for nothing";
    EXPECT_EQ(log.find("own datalog frame"), std::string::npos);
}

TEST_F(ProgramCli, WriteOfAStoppedControllerCompletes) {
    ASSERT_NO_FATAL_FAILURE(Start({"--code8", "61410031", "--stopped"}));
    const std::string file = ReadProgram();
    ASSERT_FALSE(file.empty());
    // No to reading the datalogs: they are erased with the rest.
    e2e::RunResult r = Usb({"program", "write", file, "--no"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Datalogs deletion complete"), std::string::npos) << r.err;
    const std::string log = sim_->ReadLog();
    EXPECT_NE(log.find("[05 01]"), std::string::npos);
    EXPECT_NE(log.find("WCF 0x4700000A"), std::string::npos);

    // A damaged file: refused with the program's text, nothing erased.
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t at = text.find("<Binaire>") + 9;
    text[at] = 'z';
    const fs::path damaged = folder_ / "damaged.vqap";
    std::ofstream(damaged, std::ios::binary) << text;
    const std::size_t before = sim_->ReadLog().size();
    r = Usb({"program", "write", damaged.string(), "--no"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Wrong file format.\nThe VQAP File is invalid or damaged."),
              std::string::npos)
        << r.err;
    EXPECT_EQ(sim_->ReadLog().substr(before).find("[05 0"), std::string::npos);
}

TEST_F(ProgramCli, ApplicationPasswordFromStandardInput) {
    ASSERT_NO_FATAL_FAILURE(Start({"--code8", "61420001", "--app-password", "abc123"}));
    const std::string wrong = "abc124\n";
    e2e::RunResult r = Usb({"program", "read", folder_.string()}, &wrong);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Wrong password !\nPlease try again."), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("abc124"), std::string::npos); // never echoed
    EXPECT_TRUE(fs::is_empty(folder_));
    const std::string right = "abc123\n";
    r = Usb({"program", "read", folder_.string()}, &right);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Attempt number : 2/5"), std::string::npos) << r.err;
    const std::string none;
    EXPECT_EQ(Usb({"program", "read", folder_.string()}, &none).status, 2);
}

} // namespace
