// Output folders that fill up or cannot be written: each command run in a private mount
// namespace (unshare -m) with a small tmpfs over its output folder. The message names the
// folder and the cause, the exit status is 1, no file is left, and the controller is left as
// it was (the datalogs are not marked read).
#include <gtest/gtest.h>

#include <unistd.h>

#include "tests/cli/process_runner.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

// Mounts a tmpfs over $1 (options $2; "full" fills it first), runs quorvel-cli with the
// remaining arguments, then lists the folder on standard output.
constexpr const char* kScript =
    "d=$1; o=$2; shift 2; mount -t tmpfs -o \"$o\" tmpfs \"$d\" || exit 99; "
    "if [ \"$o\" = size=4k ]; then head -c 4096 /dev/zero > \"$d/fill\" 2>/dev/null; fi; "
    "\"$QUORVEL_CLI\" \"$@\"; s=$?; ls -A \"$d\"; exit $s";

class FullDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a tmpfs needs root";
        sim_ = std::make_unique<simtest::SimProcess>(
            simtest::SimConfig{{"--code8", "61420001", "--stopped"}});
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }
    // Runs the command with the output folder full ("size=4k") or read-only ("ro").
    e2e::RunResult Run(const std::string& mountOptions, std::vector<std::string> args) {
        std::vector<std::string> all = {
            "-m", "--",           "sh",         "-c",    kScript,
            "sh", folder_.Path(), mountOptions, "--usb", sim_->usb_name()};
        all.insert(all.end(), args.begin(), args.end());
        return e2e::Run("/usr/bin/unshare", all,
                        {{"QUORVEL_DEV_DIR", sim_->dev_dir()},
                         {"QUORVEL_CLI", e2e::ProgramDir() + "/quorvel-cli"}});
    }
    bool Says(const e2e::RunResult& r, const std::string& cause) const {
        return r.err.find("in the folder " + folder_.Path() + ": " + cause + ".") !=
               std::string::npos;
    }

    testsupport::TempFolder folder_;
    std::unique_ptr<simtest::SimProcess> sim_;
};

TEST_F(FullDisk, ProgramAndDatalogReadsNameTheFolderAndLeaveNothing) {
    const std::string full = "size=4k";
    e2e::RunResult r = Run(full, {"program", "read", folder_.Path()});
    if (r.status == 99)
        GTEST_SKIP() << "no private mount namespace here: " << r.err;
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Says(r, "No space left on device")) << r.err;
    EXPECT_EQ(r.out, "fill\n");

    r = Run("ro", {"datalogs", "read", folder_.Path(), "--yes"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Says(r, "Read-only file system")) << r.err;
    EXPECT_EQ(r.out, "");
    r = Run(full, {"datalogs", "read", folder_.Path(), "--yes"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Says(r, "No space left on device")) << r.err;
    EXPECT_EQ(r.out, "fill\n");
    // The controller keeps its datalogs: it was never told they were read.
    EXPECT_EQ(sim_->ReadLog().find("end of datalog read"), std::string::npos);

    const std::string log = folder_.Path() + "/traffic.log";
    r = Run(full, {"--traffic-log", log, "identity"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("Cannot write the traffic log " + log + ": No space left on device"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "fill\n");

    r = Run(full, {"backup", folder_.Path(), "--yes"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(r.err.find(": No space left on device.") != std::string::npos) << r.err;
}

// A program write asked to save the datalogs first into a full folder erases nothing.
TEST_F(FullDisk, AProgramWriteWhoseDatalogsCannotBeSavedLeavesTheControllerAsItWas) {
    const e2e::RunResult saved =
        e2e::Run("quorvel-cli", {"--usb", sim_->usb_name(), "program", "read", sim_->dev_dir()},
                 {{"QUORVEL_DEV_DIR", sim_->dev_dir()}});
    ASSERT_EQ(saved.status, 0) << saved.err;
    const std::string file = saved.out.substr(0, saved.out.size() - 1);
    const e2e::RunResult r =
        Run("size=4k", {"program", "write", file, "--yes", "--datalogs-folder", folder_.Path()});
    if (r.status == 99)
        GTEST_SKIP() << "no private mount namespace here: " << r.err;
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Says(r, "No space left on device")) << r.err;
    EXPECT_EQ(r.out, "fill\n");
    const std::string log = sim_->ReadLog();
    EXPECT_EQ(log.find("cmd [5,"), std::string::npos) << "nothing may be erased";
    EXPECT_EQ(log.find("end of datalog read"), std::string::npos);
}

} // namespace
