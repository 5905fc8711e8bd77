// The front panel end to end: the panel session on the communication client, the core
// server and the real transport libraries against quorvel-sim. What the controller sees
// is read back from the simulator's request log.
#include <chrono>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "cli/link_options.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "comm/Startup.h"
#include "panel/ComClientPanelLink.h"
#include "panel/FrontPanelSession.h"
#include "tests/support/sim_fixture.h"

using namespace panel;

namespace {

using Clock = std::chrono::steady_clock;

std::string ProgramFolder() {
    const char* dir = std::getenv("QUORVEL_PROGRAM_DIR");
    return std::string(dir ? dir : ".") + "/";
}

// Every key mask the controller received, in order, as two hex digits each.
std::vector<std::string> KeyMaskWrites(const std::string& log) {
    static const std::regex write(R"(W +0x00006000 n=1 \[([0-9A-F]{2})\] -> ok)");
    std::vector<std::string> out;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_search(line, m, write))
            out.push_back(m[1]);
    }
    return out;
}

// Requests the simulator served: its log lines that start with a sequence number.
std::size_t RequestsServed(const std::string& log) {
    std::size_t n = 0;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);)
        n += !line.empty() && line[0] >= '0' && line[0] <= '9';
    return n;
}

class PanelSimTest : public simtest::SimFixture {
  protected:
    static void SetUpTestSuite() {
        static bool started = false;
        if (!started)
            started = QuorvelStartup(ProgramFolder()) != 0;
        ASSERT_TRUE(started);
    }

    void SetUp() override {
        simtest::SimFixture::SetUp();
        KeyState().fill(0);
        setenv("QUORVEL_DEV_DIR", sim().dev_dir().c_str(), 1);
    }

    void TearDown() override {
        CComClient::Instance().Deconnect();
        KeyState().fill(0);
        simtest::SimFixture::TearDown();
    }

    void ConnectUsb() {
        cli::LinkOptions usb;
        usb.kind = cli::LinkKind::Usb;
        usb.port = sim().usb_name();
        Connect(usb, 0);
    }
    void ConnectEthernet() {
        cli::LinkOptions eth;
        eth.kind = cli::LinkKind::Ethernet;
        eth.host = 0x0100007F; // 127.0.0.1
        eth.tcpPort = static_cast<std::uint16_t>(sim().tcp_port());
        Connect(eth, 2);
    }
    void Connect(const cli::LinkOptions& options, int kind) {
        ConnectionKind() = kind;
        CComClient& client = CComClient::Instance();
        ASSERT_EQ(client.SetCommParam(cli::MakeParamCom(options)), 0);
        client.Connect();
        ASSERT_TRUE(IsLinkOpen());
        ASSERT_EQ(client.StartMonitor(), 0);
    }

    FrontPanelSession::Hooks Hooks() {
        FrontPanelSession::Hooks h;
        h.wait = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
        h.warn = [this](const std::string& text) { warnings.push_back(text); };
        return h;
    }

    // Idle passes every 10 ms until `done` holds, for at most `ms`.
    template <class Pred> bool IdleUntil(FrontPanelSession& s, Pred done, int ms = 10000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < deadline) {
            s.Tick();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    std::vector<std::string> warnings;
};

TEST_F(PanelSimTest, KeysDriveTheControllerScreen) {
    ConnectUsb();
    FrontPanelSession s(ComClientLink(), ControllerFamily(), Hooks());
    ASSERT_TRUE(IdleUntil(s, [&] { return s.HasScreen(); }));
    EXPECT_FALSE(s.ShowsErrorScreen());
    // Enter opens the menu, Esc leaves it (how many reads that takes is measured by
    // bench_panel, not asserted here).
    s.Tick();
    const std::string home = LcdRowUtf8(s.Screen(), 0);
    s.ToggleKey(kKeyEnter);
    ASSERT_TRUE(IdleUntil(s, [&] { return LcdRowUtf8(s.Screen(), 0).rfind("MENU", 0) == 0; }));
    s.ToggleKey(kKeyEnter);
    s.ToggleKey(kKeyEsc);
    ASSERT_TRUE(IdleUntil(s, [&] { return LcdRowUtf8(s.Screen(), 0) == home; }));
    s.ToggleKey(kKeyEsc);
    EXPECT_EQ(KeyMaskWrites(sim().ReadLog()), (std::vector<std::string>{"01", "00", "02", "00"}));
    EXPECT_TRUE(warnings.empty());
}

TEST_F(PanelSimTest, DoubleClickThenClickOnAAsTheControllerSeesIt) {
    ConnectUsb();
    FrontPanelSession s(ComClientLink(), ControllerFamily(), Hooks());
    s.ClickKey(kKeyA); // the first click of the double-click
    s.DoubleClickKey(kKeyA);
    s.ClickKey(kKeyA);
    ASSERT_TRUE(sim().WaitForLog("[20] -> ok"));
    EXPECT_EQ(KeyMaskWrites(sim().ReadLog()),
              (std::vector<std::string>{"20", "00", "20", "00", "20"}));
    EXPECT_EQ(KeyState()[kKeyA], 1);
}

TEST_F(PanelSimTest, ClickWhileDisconnectedSendsNothing) {
    ConnectUsb();
    CComClient::Instance().Deconnect();
    ASSERT_FALSE(IsLinkOpen());
    const std::size_t served = RequestsServed(sim().ReadLog());
    FrontPanelSession s(ComClientLink(), ControllerFamily(), Hooks());
    s.ClickKey(kKeyB);
    s.ClickEnter();
    s.DoubleClickKey(kKeyPlus);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(RequestsServed(sim().ReadLog()), served) << sim().ReadLog();
    EXPECT_FALSE(IsLinkOpen());
    EXPECT_EQ(s.KeyMask(), 0);
}

// The simulator leaves one request unanswered; connecting takes fewer requests than this,
// so it falls on a monitoring read.
class PanelSimSilentTest : public PanelSimTest {
  protected:
    simtest::SimConfig Config() const override {
        return simtest::SimConfig::WithArgs({"--fault-silent-nth", "40"});
    }
};

// The communication client's link, except that an idle pass ends right after a failed
// read: under load the next answered read may already wait behind it, and in one pass it
// would replace the error screen before the test could look.
class PauseAfterKoLink : public PanelLink {
  public:
    explicit PauseAfterKoLink(PanelLink& inner) : inner_(inner) {}
    bool PollPublish(Publication& out) override {
        if (std::exchange(pause_, false))
            return false;
        if (!inner_.PollPublish(out))
            return false;
        pause_ = !out.ok;
        return true;
    }
    int WriteKeyMask(std::uint8_t mask) override { return inner_.WriteKeyMask(mask); }
    int SendControllerCommand(std::uint8_t code) override {
        return inner_.SendControllerCommand(code);
    }
    int StopMonitor() override { return inner_.StopMonitor(); }
    int StartMonitor() override { return inner_.StartMonitor(); }
    int Deconnect() override { return inner_.Deconnect(); }
    int ReadModelIndex(int& model) override { return inner_.ReadModelIndex(model); }
    int ReadStateWord(std::uint32_t& word) override { return inner_.ReadStateWord(word); }
    bool IsLinkOpen() const override { return inner_.IsLinkOpen(); }
    int LinkKind() const override { return inner_.LinkKind(); }
    void SetFamilyIndex(int family) override { inner_.SetFamilyIndex(family); }

  private:
    PanelLink& inner_;
    bool pause_ = false;
};

TEST_F(PanelSimSilentTest, KoOnUsbShowsTheErrorScreenAndKeepsTheLink) {
    ConnectUsb();
    PauseAfterKoLink link(ComClientLink());
    FrontPanelSession s(link, ControllerFamily(), Hooks());
    ASSERT_TRUE(IdleUntil(
        s, [&] { return s.ShowsErrorScreen(); }, 20000));
    EXPECT_EQ(LcdRowUtf8(s.Screen(), 1), "   COMMUNICATION  ");
    EXPECT_EQ(s.ShownIcons(), IconMask(0xFF, 0));
    EXPECT_TRUE(IsLinkOpen());
    // The next read is answered again: the controller's screen comes back.
    ASSERT_TRUE(IdleUntil(s, [&] { return s.HasScreen() && !s.ShowsErrorScreen(); }));
    EXPECT_EQ(sim().ReadLog().find("session end"), std::string::npos);
}

TEST_F(PanelSimSilentTest, KoOnEthernetDisconnects) {
    ConnectEthernet();
    FrontPanelSession s(ComClientLink(), ControllerFamily(), Hooks());
    ASSERT_TRUE(IdleUntil(
        s, [&] { return s.ShowsErrorScreen(); }, 20000));
    EXPECT_FALSE(IsLinkOpen());
    // Nothing is polled any more: the error screen stays.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    s.Tick();
    EXPECT_TRUE(s.ShowsErrorScreen());
}

} // namespace
