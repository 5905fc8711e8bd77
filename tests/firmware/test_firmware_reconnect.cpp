// The reconnection after an update: the same link opened again until the controller answers,
// a bounded number of tries on the transfer's clock, and a plain failure when it does not.
#include <gtest/gtest.h>

#include "firmware/FirmwareMessages.h"
#include "firmware/FirmwareUpdate.h"
#include "tests/support/fake_controller_link.h"
#include "tests/transfer/recording_ui.h"

namespace {

using namespace transfer;

// Opens the link only from the `upFrom`-th CONNECT on (1-based; 0 never).
struct CountingSession : ILinkSession {
    int upFrom = 1;
    int connects = 0, deconnects = 0;
    int Connect() override {
        ++connects;
        return upFrom > 0 && connects >= upFrom ? 0 : 1;
    }
    int Deconnect() override {
        ++deconnects;
        return 0;
    }
};

// A kz9 controller: boot identity and an identity record with software 1.10.00.
FakeControllerLink Controller() {
    FakeControllerLink link;
    std::vector<std::uint8_t> boot(21, 0);
    boot[0] = 4;
    const char code8[] = "61410001";
    std::copy(code8, code8 + 8, boot.begin() + 1);
    std::vector<std::uint8_t> identity(361, ' ');
    std::copy(code8, code8 + 8, identity.begin() + 18);
    identity[26] = 4;
    identity[86] = 1, identity[87] = 10, identity[88] = 0;
    link.memory[0xE000] = boot;
    link.memory[0x8000] = identity;
    return link;
}

TEST(FirmwareReconnect, TriesUntilTheControllerAnswersThenReadsItsVersion) {
    FakeControllerLink link = Controller();
    CountingSession session;
    session.upFrom = 3;
    VirtualClock clock;
    const Reconnection r = ReconnectAfterUpdate(link, session, clock, 5, 2000);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.softwareVersion, "1.10.00");
    EXPECT_EQ(r.familyIndex, 0);
    EXPECT_EQ(session.connects, 3);
    EXPECT_EQ(session.deconnects, 3); // each try starts from a closed link
    EXPECT_EQ(clock.ElapsedMs(), 4000u);
}

TEST(FirmwareReconnect, AControllerThatDoesNotComeBackFailsPlainly) {
    FakeControllerLink link = Controller();
    link.silentFrom = 0; // the link opens, but the controller never answers
    CountingSession session;
    VirtualClock clock;
    CTransfertReconnect reconnect(link, session);
    RecordingUi ui;
    reconnect.SetUi(&ui);
    reconnect.SetClock(clock);
    reconnect.Run();
    EXPECT_TRUE(reconnect.IsFailed());
    EXPECT_FALSE(reconnect.IsFinished());
    EXPECT_EQ(session.connects, kReconnectTries);
    EXPECT_EQ(clock.ElapsedMs(), std::uint64_t(kReconnectTries - 1) * kReconnectPauseMs);
    ASSERT_EQ(ui.texts.size(), 1u);
    EXPECT_EQ(ui.texts[0], msg::kFwReconnectFailed);

    // A session that never opens fails the same way, without a request on the link.
    FakeControllerLink idle = Controller();
    CountingSession closed;
    closed.upFrom = 0;
    EXPECT_FALSE(ReconnectAfterUpdate(idle, closed, clock, 2, 10).ok);
    EXPECT_TRUE(idle.requests.empty());
}

} // namespace
