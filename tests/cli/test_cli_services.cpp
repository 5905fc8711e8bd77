// quorvel-cli clock, lock, unlock and diag end to end, and the access check every command
// runs on a remote-locked controller: the real executable against the simulator over USB.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "process_runner.h"
#include "tests/support/sim_fixture.h"

namespace {

class Controller {
  public:
    explicit Controller(std::vector<std::string> simArgs)
        : sim_(simtest::SimConfig{std::move(simArgs), "ttyQS0"}) {
        std::string error;
        started_ = sim_.Start(&error);
        EXPECT_TRUE(started_) << error;
    }
    bool Started() const { return started_; }
    // A command with `input` as standard input (never a terminal here).
    e2e::RunResult Cli(std::vector<std::string> args, const std::string& input = "") const {
        args.insert(args.begin(), {"--usb", sim_.usb_name()});
        return e2e::RunWithInput("quorvel-cli", args, input, {{"QUORVEL_DEV_DIR", sim_.dev_dir()}});
    }
    std::string Log() const { return sim_.ReadLog(); }

  private:
    simtest::SimProcess sim_;
    bool started_ = false;
};

using e2e::Has;

// A password no other output of the tool would contain.
constexpr const char* kPassword = "Zq9Xw";

void ExpectNoPassword(const e2e::RunResult& r) {
    EXPECT_FALSE(Has(r.out, kPassword)) << r.out;
    EXPECT_FALSE(Has(r.err, kPassword)) << r.err;
}

} // namespace

TEST(CliClock, SetThenGetInTextAndJson) {
    Controller c({"--code8", "61410031"});
    ASSERT_TRUE(c.Started());
    auto set = c.Cli({"clock", "set", "2099-12-31", "23:59:58", "--drift", "-7"});
    EXPECT_EQ(set.status, 0) << set.err;
    // The confirmation is a message: standard output holds results only.
    EXPECT_EQ(set.out, "");
    EXPECT_TRUE(Has(set.err, "Successful writing\n")) << set.err;
    EXPECT_TRUE(Has(c.Log(), "0x00001000 n=7 [3A 3B 17 00 1F 0C 63]")) << c.Log();
    EXPECT_TRUE(Has(c.Log(), "0x00003000 n=1 [F9]"));

    auto get = c.Cli({"clock", "get"});
    EXPECT_EQ(get.status, 0) << get.err;
    EXPECT_TRUE(Has(get.out, "2099-12-31 23:59:5")) << get.out;
    EXPECT_TRUE(Has(get.out, " drift -7\n")) << get.out;
    auto json = c.Cli({"clock", "get", "--json"});
    EXPECT_TRUE(Has(json.out, "{\"date\":\"2099-12-31\",\"time\":\"23:59:5")) << json.out;
    EXPECT_TRUE(Has(json.out, "\"drift\":-7}")) << json.out;

    // Without --drift the controller's own is written back.
    auto keep = c.Cli({"clock", "set", "2030-06-15", "12:00:00"});
    EXPECT_EQ(keep.status, 0) << keep.err;
    EXPECT_TRUE(Has(c.Cli({"clock", "get"}).out, "2030-06-15 12:00:0")) << c.Log();
    EXPECT_TRUE(Has(c.Cli({"clock", "get"}).out, "drift -7"));
    EXPECT_EQ(c.Cli({"clock", "set", "--now", "--drift", "3"}).status, 0);
}

TEST(CliClock, RefusedBeforeAnythingIsWritten) {
    Controller c({"--code8", "61420001"});
    ASSERT_TRUE(c.Started());
    auto april = c.Cli({"clock", "set", "2026-04-31", "10:00:00"});
    EXPECT_EQ(april.status, 1);
    EXPECT_EQ(april.err, "Error time consistency\n") << april.err;
    auto drift = c.Cli({"clock", "set", "2026-04-30", "10:00:00", "--drift", "75"});
    EXPECT_EQ(drift.status, 1);
    EXPECT_EQ(drift.err, "Please enter a number between -59 and 59\n");
    auto hour = c.Cli({"clock", "set", "2026-04-30", "24:00:00"});
    EXPECT_EQ(hour.err, "Please enter a number between 0 and 23\n");
    EXPECT_EQ(c.Cli({"clock", "set", "30/04/2026", "10:00:00"}).status, 2);
    EXPECT_EQ(c.Cli({"clock", "set", "--drift"}).status, 2);
    EXPECT_EQ(c.Cli({"clock", "wind"}).status, 2);
    EXPECT_FALSE(Has(c.Log(), "W   0x00001000")) << c.Log();
    EXPECT_FALSE(Has(c.Log(), "0x00003000"));
}

TEST(CliLock, LockUnlockAndTheAttemptLines) {
    Controller c({"--code8", "61410031"});
    ASSERT_TRUE(c.Started());
    auto lock = c.Cli({"lock"}, std::string(kPassword) + "\n");
    EXPECT_EQ(lock.status, 0) << lock.err;
    EXPECT_EQ(lock.out, "");
    EXPECT_TRUE(Has(lock.err, "Product has been successfully locked.\n")) << lock.err;
    ExpectNoPassword(lock);
    EXPECT_TRUE(Has(c.Log(), "0x00007400 n=10 [10 bytes hidden]")) << c.Log();

    // Every command now asks: no password to be had, a wrong one, the right one.
    auto none = c.Cli({"identity"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_TRUE(Has(none.err, "The controller is password protected.\n")) << none.err;
    auto wrong = c.Cli({"read", "0x40000", "4"}, "nope\n");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(Has(wrong.err, "Wrong password.\n(second attempt)\n")) << wrong.err;
    auto right = c.Cli({"config"}, std::string("nope\n") + kPassword + "\n");
    EXPECT_EQ(right.status, 0) << right.err;
    EXPECT_TRUE(Has(right.out, "Project name")) << right.out;
    ExpectNoPassword(right);

    auto unlock = c.Cli({"unlock"}, std::string(kPassword) + "\n");
    EXPECT_EQ(unlock.status, 0) << unlock.err;
    EXPECT_EQ(unlock.out, "");
    EXPECT_TRUE(Has(unlock.err, "The controller is unlocked for this connection.\n")) << unlock.err;
    EXPECT_FALSE(Has(c.Log(), "5A 71 39 58 77")); // the password's bytes
}

TEST(CliLock, FiveWrongPasswordsBlockTheController) {
    Controller c({"--code8", "61420001", "--remote-password", kPassword});
    ASSERT_TRUE(c.Started());
    auto blocked = c.Cli({"unlock"}, "1\n2\n3\n4\n5\n");
    EXPECT_EQ(blocked.status, 1);
    EXPECT_TRUE(Has(c.Log(), "unlock: wrong password, blocked for 60 half-minutes")) << c.Log();
    EXPECT_EQ(blocked.err, "Too much connection attempt. The product is blocked.\n\n"
                           "30 minutes remaining before unblocking.\n")
        << blocked.err;
    auto again = c.Cli({"identity"}, std::string(kPassword) + "\n");
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(Has(again.err, "The product is blocked.")) << again.err;
    EXPECT_FALSE(Has(again.err, "Indicate the password")) << again.err;
}

TEST(CliLock, UnlockImpossibleAndStartStopGoThroughTheCheck) {
    Controller c({"--code8", "61410031", "--remote-password", "x", "--lock-needs-firmware"});
    ASSERT_TRUE(c.Started());
    auto stop = c.Cli({"stop"}, "x\n");
    EXPECT_EQ(stop.status, 1);
    EXPECT_TRUE(Has(stop.err, "must be updated before it can be unlocked")) << stop.err;
    EXPECT_FALSE(Has(c.Log(), "0x00007200")) << c.Log(); // no password was sent
}

TEST(CliDiag, PagesPerModel) {
    Controller tcp({"--code8", "61410031"});
    ASSERT_TRUE(tcp.Started());
    auto json = tcp.Cli({"diag", "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(Has(json.out, "{\"hardware\":[{\"name\":\"Type of controller\",\"value\":"))
        << json.out;
    EXPECT_TRUE(Has(json.out, "{\"name\":\"XT1 expansion: Connected expansion name\","
                              "\"value\":\"None\"}"));
    EXPECT_TRUE(Has(json.out, "\"application\":[{\"name\":\"Controller label\""));
    EXPECT_TRUE(Has(json.out, "\"connection\":["));
    EXPECT_FALSE(Has(json.out, "\"network\""));
    auto text = tcp.Cli({"diag"});
    EXPECT_TRUE(Has(text.out, "Hardware\n  Type of controller: ")) << text.out;
    EXPECT_TRUE(Has(text.out, "  Error code: No error\n"));

    Controller trel({"--code8", "61430001", "--state-word", "0x40000010"});
    ASSERT_TRUE(trel.Started());
    auto trelJson = trel.Cli({"diag", "--json"});
    EXPECT_EQ(trelJson.status, 0) << trelJson.err;
    EXPECT_TRUE(Has(trelJson.out, "{\"name\":\"Error code\",\"value\":\"16\",\"colour\":\"red\"}"))
        << trelJson.out;
    EXPECT_FALSE(Has(trelJson.out, "\"network\""));
    EXPECT_FALSE(Has(trelJson.out, "\"connection\""));

    Controller old({"--code8", "61410001", "--software", "1.06.20"});
    ASSERT_TRUE(old.Started());
    auto refused = old.Cli({"diag"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "The controller software must be updated to use this functionality\n");
}

// A family code that cannot be read shows in the pages, as the diagnostics sheet shows each
// failed read; only a controller that answers nothing ends the command in failure.
TEST(CliDiag, AFailedFamilyReadIsNoFailureOfTheCommand) {
    const std::vector<std::string> kz9 = {"--code8", "61410031", "--stopped"};
    int position = 0;
    {
        Controller clean(kz9);
        ASSERT_TRUE(clean.Started());
        ASSERT_EQ(clean.Cli({"diag"}).status, 0);
        // The command's own family read: the last one before the identity is read.
        std::istringstream lines(clean.Log());
        int n = 0;
        for (std::string line; std::getline(lines, line) && !Has(line, "R   0x00008000");) {
            if (line.size() > 7 && std::isdigit(static_cast<unsigned char>(line[0])))
                ++n;
            if (Has(line, "R   0x0000E000"))
                position = n;
        }
    }
    ASSERT_GT(position, 0);
    std::vector<std::string> args = kz9;
    args.insert(args.end(), {"--fault-refuse-nth", std::to_string(position)});
    Controller refused(args);
    ASSERT_TRUE(refused.Started());
    auto r = refused.Cli({"diag"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(Has(r.err, "not reacting")) << r.err;
    EXPECT_TRUE(Has(r.out, "Hardware\n  Type of controller: ")) << r.out;

    std::vector<std::string> silentArgs = kz9;
    silentArgs.push_back("--fault-refuse");
    Controller silent(silentArgs);
    ASSERT_TRUE(silent.Started());
    auto none = silent.Cli({"diag"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_TRUE(Has(none.err, "The target peripheral is not reacting.")) << none.err;
}
