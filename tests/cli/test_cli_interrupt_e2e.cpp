// Ctrl-C, SIGTERM, SIGHUP and kill -9 sent to quorvel-cli while it works on the simulator:
// reads stop at once leaving no file, writes go on until the controller is whole unless
// stopped three times, and a controller left half written is brought back by the next run.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>

#include "tests/cli/process_runner.h"
#include "tests/firmware/firmware_e2e_support.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr const char* kReadStopped = "Interrupted: the controller was only read and is left as it "
                                     "was; no partial file was written.";
constexpr const char* kNoFirmware = "The controller has no firmware: it runs its loader only.";

using e2e::Has;

class Interrupt : public ::testing::Test {
  protected:
    void Start(std::vector<std::string> args) {
        sim_ = std::make_unique<simtest::SimProcess>(simtest::SimConfig{std::move(args)});
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }
    std::vector<std::string> Usb(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--usb", sim_->usb_name()});
        return args;
    }
    std::vector<std::string> Eth(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--eth", "127.0.0.1:" + std::to_string(sim_->tcp_port())});
        return args;
    }
    std::map<std::string, std::string> Env() const {
        return {{"QUORVEL_DEV_DIR", sim_->dev_dir()},
                {"QUORVEL_WAIT_SCALE", "0"},
                {"QUORVEL_HISTORY", history_.Path() + "/history.sqlite3"}};
    }
    e2e::RunResult Cli(const std::vector<std::string>& args) const {
        return e2e::Run("quorvel-cli", args, Env());
    }
    std::unique_ptr<e2e::Running> Launch(const std::vector<std::string>& args) const {
        return std::make_unique<e2e::Running>("quorvel-cli", args, Env());
    }
    // Waits until the simulator has served `count` requests more than `before` lines of its log.
    bool LogGrows(std::size_t before, std::size_t count) const {
        for (int i = 0; i < 3000; ++i) {
            if (LogLines() >= before + count)
                return true;
            ::usleep(10000);
        }
        return false;
    }
    // Waits until the simulator saw the link of an ended run close (the rest of an answer it
    // was sending when the run was stopped has left by then).
    bool LinkClosed() const {
        const std::string closed = "link closed: session end\n";
        for (int i = 0; i < 3000; ++i) {
            const std::string log = sim_->ReadLog();
            if (log.size() >= closed.size() &&
                log.compare(log.size() - closed.size(), closed.size(), closed) == 0)
                return true;
            ::usleep(10000);
        }
        return false;
    }
    std::size_t LogLines() const {
        const std::string log = sim_->ReadLog();
        return std::size_t(std::count(log.begin(), log.end(), '\n'));
    }

    testsupport::TempFolder folder_, history_;
    std::unique_ptr<simtest::SimProcess> sim_;
};

TEST_F(Interrupt, AReadStopsAtOnceWithoutLeavingAFile) {
    Start({"--code8", "61410031", "--baud", "460800"});
    for (int signalNumber : {SIGINT, SIGHUP}) {
        auto read = Launch(Usb({"program", "read", folder_.Path()}));
        ASSERT_TRUE(read->WaitForErr("Reading init area")) << read->Err();
        read->Signal(signalNumber);
        const e2e::RunResult r = read->Wait();
        ASSERT_TRUE(LinkClosed());
        EXPECT_EQ(r.status, 130) << r.err;
        EXPECT_TRUE(Has(r.err, kReadStopped)) << r.err;
        EXPECT_TRUE(testsupport::EntryNames(folder_.Path()).empty());
        // The run's history row is finished as cancelled, with what the stop said.
        const e2e::RunResult row = Cli({"history", "--limit", "1", "--json"});
        EXPECT_TRUE(Has(row.out, "\"result\":\"cancelled\"")) << row.out;
        EXPECT_TRUE(Has(row.out, std::string("\"message\":\"") + kReadStopped)) << row.out;
    }
}

TEST_F(Interrupt, AProgramWriteGoesOnThroughTwoStopsAndAClosedTerminal) {
    Start({"--code8", "61410031", "--stopped"});
    const e2e::RunResult saved = Cli(Usb({"program", "read", folder_.Path()}));
    ASSERT_EQ(saved.status, 0) << saved.err;
    const std::string file = saved.out.substr(0, saved.out.size() - 1);
    sim_->Stop();
    sim_ = std::make_unique<simtest::SimProcess>(
        simtest::SimConfig{{"--code8", "61410031", "--stopped", "--baud", "460800"}});
    ASSERT_TRUE(sim_->Start());

    auto write =
        Launch(Usb({"program", "write", file, "--yes", "--datalogs-folder", folder_.Path()}));
    ASSERT_TRUE(sim_->WaitForLog("cmd [5,", 30000)) << write->Err();
    write->Signal(SIGINT);
    ASSERT_TRUE(write->WaitForErr("Writing the controller: stopping now would leave it without a "
                                  "program. Press Ctrl-C twice more to stop anyway.\n"))
        << write->Err();
    write->Signal(SIGTERM);
    ASSERT_TRUE(write->WaitForErr("Press Ctrl-C once more to stop anyway.\n")) << write->Err();
    write->Signal(SIGHUP);
    const e2e::RunResult r = write->Wait();
    EXPECT_EQ(r.status, 0) << r.err;

    // Killed in the middle of the next write, the controller is brought back by another.
    const std::size_t before = LogLines();
    auto killed =
        Launch(Usb({"program", "write", file, "--yes", "--datalogs-folder", folder_.Path()}));
    ASSERT_TRUE(sim_->WaitForLog("cmd [5,", 30000));
    ASSERT_TRUE(LogGrows(before, 30));
    killed->Signal(SIGKILL);
    EXPECT_EQ(killed->Wait().status, -1);
    ASSERT_TRUE(LinkClosed());
    const e2e::RunResult again =
        Cli(Usb({"program", "write", file, "--yes", "--datalogs-folder", folder_.Path()}));
    ASSERT_EQ(again.status, 0) << again.err;
    const std::string readBack = folder_.Path() + "/back";
    std::filesystem::create_directory(readBack);
    const e2e::RunResult back = Cli(Usb({"program", "read", readBack}));
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(testsupport::ReadWholeFile(back.out.substr(0, back.out.size() - 1)),
              testsupport::ReadWholeFile(file));
}

// The third Ctrl-C stops a firmware update: the controller, in its loader, says it has no
// firmware, and the next update brings it back.
TEST_F(Interrupt, AFirmwareUpdateStopsOnTheThirdCtrlCAndTheNextUpdateBringsItBack) {
    Start({"--code8", "61410001", "--baud", "460800"});
    const std::string package =
        fwtest::SmallPackage(sim_->dev_dir(), 0, "61410001", "1.10.00", 65536);
    auto update = Launch(Usb({"firmware", "update", package, "--yes"}));
    ASSERT_TRUE(sim_->WaitForLog("0x08", 60000)) << update->Err();
    update->Signal(SIGINT);
    ASSERT_TRUE(update->WaitForErr("without firmware. Press Ctrl-C twice more")) << update->Err();
    update->Signal(SIGINT);
    ASSERT_TRUE(update->WaitForErr("Press Ctrl-C once more")) << update->Err();
    update->Signal(SIGINT);
    e2e::RunResult r = update->Wait();
    ASSERT_TRUE(LinkClosed());
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_TRUE(Has(r.err, "Stopped during the firmware update: the controller is left without "
                           "firmware; run quorvel-cli firmware update again to bring it back."))
        << r.err;

    r = Cli(Usb({"identity"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.out, std::string("Controller software Release Version: ") + kNoFirmware))
        << r.out;
    r = Cli(Usb({"status", "--json"}));
    EXPECT_TRUE(Has(r.out, "\"no_firmware\":true")) << r.out;

    r = Cli(Usb({"firmware", "update", package, "--yes"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1.10.00\n");
    r = Cli(Usb({"status", "--json"}));
    EXPECT_TRUE(Has(r.out, "\"no_firmware\":false")) << r.out;
}

// kill -9 at several points of an update, over USB and Ethernet: the next update (through the
// loader states) brings the controller back.
TEST_F(Interrupt, AnUpdateKilledAtAnyPointIsBroughtBackByTheNext) {
    struct Case {
        const char* code8;
        int model;
        bool ethernet;
    };
    for (const Case& c : {Case{"61410001", 0, false}, Case{"61420011", 9, true}}) {
        Start({"--code8", c.code8});
        const std::string package =
            fwtest::SmallPackage(sim_->dev_dir(), c.model, c.code8, "1.10.07", 16384);
        auto link = [&](std::vector<std::string> args) {
            return c.ethernet ? Eth(args) : Usb(args);
        };
        for (std::size_t requests : {6u, 12u, 24u}) {
            SCOPED_TRACE(std::string(c.code8) + " killed after " + std::to_string(requests));
            const std::size_t before = LogLines();
            auto update = Launch(link({"firmware", "update", package, "--yes"}));
            ASSERT_TRUE(LogGrows(before, requests));
            update->Signal(SIGKILL);
            EXPECT_EQ(update->Wait().status, -1);
            ASSERT_TRUE(LinkClosed());
            const e2e::RunResult r = Cli(link({"firmware", "update", package, "--yes"}));
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, "1.10.07\n");
        }
        sim_.reset();
    }
}

} // namespace
