// The transfer framework: frames and strides of the memory-area primitives, the progress
// accounting, failures that stop a primitive, the waits on the transfer clock, the datalog
// erase, and the progress display's ticks.
#include <gtest/gtest.h>

#include <cstdlib>

#include <functional>
#include <vector>

#include "comm/SharedTexts.h"
#include "tests/support/fake_controller_link.h"
#include "tests/transfer/recording_ui.h"
#include "transfer/CThreadTransfert.h"
#include "transfer/ITransfert.h"
#include "transfer/ProgressPoll.h"
#include "transfer/TransferMessages.h"

namespace {

using namespace transfer;

// A transfer whose Run is given by the test; the protected helpers are reachable through it.
struct ScriptedTransfer : ITransfert {
    explicit ScriptedTransfer(comm::IControllerLink& link) : ITransfert(link) {}
    std::function<void(ScriptedTransfer&)> job;
    void Run() override {
        Reset(msg::kCreatingHeader);
        if (job)
            job(*this);
    }
    using ITransfert::Countdown;
    using ITransfert::EraseDatalogs;
    using ITransfert::Fail;
    using ITransfert::Finish;
    using ITransfert::SetPercent;
};

struct Framework : ::testing::Test {
    FakeControllerLink link;
    ScriptedTransfer t{link};
    VirtualClock clock;
    RecordingUi ui;
    void SetUp() override {
        t.SetClock(clock);
        t.SetUi(&ui);
    }
};

// The program never shortens its waits, whatever the environment says (its tests install a
// clock); the command line builds a shortened clock from the value itself.
TEST(TransferClockChoice, TheWaitScaleOfTheEnvironmentIsNotTheDefault) {
    ::setenv("QUORVEL_WAIT_SCALE", "0", 1);
    EXPECT_EQ(&DefaultTransferClock(), &SteadyClock());
    ::unsetenv("QUORVEL_WAIT_SCALE");
    EXPECT_NE(ClockOfWaitScale("0.5"), nullptr);
    for (const char* refused : {"", "1", "-0.1", "x", "0.5s"})
        EXPECT_EQ(ClockOfWaitScale(refused), nullptr) << refused;
}

TEST_F(Framework, BaseReadsTakeWholeFramesOnlyForMultiplesOf2048) {
    link.memory[0x60000] = std::vector<std::uint8_t>(0x6000, 0xAB);
    std::vector<std::uint8_t> buf(5000);
    ASSERT_EQ(t.ReadBaseArea(0x60000, 0x1000, buf.data()), 0);
    ASSERT_EQ(t.ReadBaseArea(0x60000, 5000, buf.data()), 0);
    ASSERT_EQ(link.requests.size(), 3u);
    EXPECT_EQ(link.Counts(), (std::vector<std::uint32_t>{2048, 2048, 5000}));
    EXPECT_EQ(link.requests[1].address, 0x60800u);
    EXPECT_EQ(link.requests[2].address, 0x60000u);
    EXPECT_EQ(buf[4999], 0xAB);
    // Frame-number addressing (datalog windows): the address advances by the stride.
    link.requests.clear();
    link.memory[0xC0000] = std::vector<std::uint8_t>(4096, 1);
    ASSERT_EQ(t.ReadBaseArea(0xC0000, 4096, buf.data(), 1), 0);
    EXPECT_EQ(link.requests[0].address, 0xC0000u);
    EXPECT_EQ(link.requests[1].address, 0xC0001u);
}

TEST_F(Framework, DaughterReadsEndWithAShortFrame) {
    link.memory[0x48118000] = std::vector<std::uint8_t>(4003, 7);
    std::vector<std::uint8_t> buf(4003);
    ASSERT_EQ(t.ReadDaughterArea(0x48118000, 4003, buf.data()), 0);
    EXPECT_EQ(link.Counts(), (std::vector<std::uint32_t>{2048, 1955}));
    EXPECT_EQ(link.requests[1].kind, "RCF");
    EXPECT_EQ(link.requests[1].address, 0x48118000u + 2048);
    EXPECT_EQ(link.requests[1].timeoutMs, 6000u);
}

TEST_F(Framework, ProgressCarriesPendingBytesOver) {
    t.SetBytesPerPercent(500);
    std::vector<std::uint8_t> buf(8192);
    link.memory[0x70000] = std::vector<std::uint8_t>(8192);
    ASSERT_EQ(t.WriteBaseArea(0x70000, 2048, buf.data(), 6000), 0);
    EXPECT_EQ(t.Percent(), 4);
    EXPECT_EQ(t.PendingBytes(), 48u);
    ASSERT_EQ(t.WriteBaseArea(0x70000, 6144, buf.data(), 6000), 0);
    EXPECT_EQ(t.Percent(), 16); // 4 × 2048 = 8192 = 16 × 500 + 192
    EXPECT_EQ(t.PendingBytes(), 192u);
    // Start of a data phase: bytes per percent from what is left to 100.
    t.SetPercent(10);
    t.StartDataPhase(9000);
    EXPECT_EQ(t.BytesPerPercent(), 100u);
    EXPECT_EQ(t.PendingBytes(), 0u);
}

TEST_F(Framework, AFailedFrameStopsThePrimitiveAndIsStillCounted) {
    link.memory[0x80000] = std::vector<std::uint8_t>(0x4000);
    link.silentFrom = 1;
    t.SetBytesPerPercent(100);
    std::vector<std::uint8_t> buf(0x4000);
    EXPECT_EQ(t.ReadBaseArea(0x80000, 0x4000, buf.data()), kPrimitiveFailed);
    EXPECT_EQ(link.requests.size(), 2u);
    EXPECT_EQ(t.Percent(), 40); // both frames counted
    EXPECT_EQ(t.WriteFramed(0x80000, 10, buf.data(), 2000, 10000), kPrimitiveFailed);
    EXPECT_EQ(t.SendCommand(5, 1, CommandKind::Write, 6000), kPrimitiveFailed);
}

TEST_F(Framework, FramedWritesPauseAfterEachFullFrameOnTheTransferClock) {
    std::vector<std::uint8_t> buf(4500, 3);
    ASSERT_EQ(t.WriteFramed(0x48118000, 4500, buf.data(), 2000, 10000), 0);
    EXPECT_EQ(link.Counts(), (std::vector<std::uint32_t>{2000, 2000, 500}));
    EXPECT_EQ(link.requests[2].address, 0x48118000u + 4000);
    EXPECT_EQ(link.requests[2].kind, "WCF");
    EXPECT_EQ(clock.ElapsedMs(), 300u);
    // Commands and addressed commands.
    const std::uint8_t four = 4;
    ASSERT_EQ(t.SendAddressedCommand(0x47000002, &four, 1, 6000), 0);
    ASSERT_EQ(t.SendAddressedCommand(0x47000000, 6000), 0);
    ASSERT_EQ(t.SendCommand(18, 0, CommandKind::WriteCF, 10000), 0);
    EXPECT_EQ(link.requests[3].data, std::vector<std::uint8_t>{4});
    EXPECT_EQ(link.requests[4].count, 0u);
    EXPECT_EQ(link.requests[5].address, 0x7000u);
    EXPECT_EQ(link.requests[5].data, (std::vector<std::uint8_t>{18, 0}));
}

TEST_F(Framework, CountdownShowsEachSecondAndCostsNoRealTime) {
    std::vector<std::string> seen;
    t.job = [&](ScriptedTransfer& self) { self.Countdown("Writing update ", 15); };
    t.Run();
    EXPECT_EQ(clock.ElapsedMs(), 15000u);
    EXPECT_EQ(clock.Sleeps(), 15u);
    TransferProgress p = t.Snapshot();
    EXPECT_FALSE(p.warningVisible);
    EXPECT_EQ(p.warningText, "Writing update 1s");
}

// Datalog erase: own memory with datalogs present.
void OwnMemoryIdentity(FakeControllerLink& link, const char* code8, std::uint32_t logSize) {
    std::vector<std::uint8_t> id(361, 0);
    for (int i = 0; i < 8; ++i)
        id[18 + i] = std::uint8_t(code8[i]);
    id[26] = 5;
    link.memory[0x8000] = id;
    std::vector<std::uint8_t> words(12, 0);
    words[4] = std::uint8_t(logSize); // w1
    link.memory[0x0E00] = words;
    link.memory[0x7000] = std::vector<std::uint8_t>(2);
}

TEST_F(Framework, DatalogEraseRunsSeventyStepsUpTo99) {
    OwnMemoryIdentity(link, "61420001", 100);
    bool ok = false;
    t.job = [&](ScriptedTransfer& self) { ok = self.EraseDatalogs(1, 6000, 6000); };
    t.Run();
    EXPECT_TRUE(ok);
    EXPECT_EQ(clock.Sleeps(), 70u);
    EXPECT_EQ(clock.ElapsedMs(), 70000u);
    EXPECT_EQ(t.Percent(), 99);
    EXPECT_EQ(t.Snapshot().stepText, msg::kDatalogsDeleted);
    ASSERT_FALSE(link.requests.empty());
    EXPECT_EQ(link.requests.back().data, (std::vector<std::uint8_t>{27, 0}));
    EXPECT_TRUE(ui.texts.empty());
}

TEST_F(Framework, DatalogEraseWithNothingPresentOrAFailure) {
    OwnMemoryIdentity(link, "61420001", 4);
    t.job = [&](ScriptedTransfer& self) { self.EraseDatalogs(1, 6000, 6000); };
    t.Run();
    EXPECT_EQ(t.Snapshot().stepText, msg::kNoDatalogs);
    EXPECT_EQ(clock.Sleeps(), 0u);

    // A board controller (model 3) whose status cannot be read: the error alert, no failure.
    FakeControllerLink board;
    std::vector<std::uint8_t> id(361, 0);
    const char* code = "61410031";
    for (int i = 0; i < 8; ++i)
        id[18 + i] = std::uint8_t(code[i]);
    id[26] = 4;
    board.memory[0x8000] = id;
    ScriptedTransfer u(board);
    u.SetUi(&ui);
    u.SetClock(clock);
    u.job = [&](ScriptedTransfer& self) {
        EXPECT_FALSE(self.EraseDatalogs(0, 6000, 6000));
        self.Finish();
    };
    u.Run();
    EXPECT_EQ(board.requests.back().kind, "RCF");
    EXPECT_EQ(board.requests.back().address, 0x4700000Du);
    ASSERT_EQ(ui.texts.size(), 1u);
    EXPECT_EQ(ui.texts[0], msg::kDatalogEraseError);
    EXPECT_TRUE(u.IsFinished());
    EXPECT_FALSE(u.IsFailed());
}

TEST_F(Framework, AFailingWorkerShowsItsAlertThenTheDisplayClosesOneSecondLater) {
    t.job = [](ScriptedTransfer& self) {
        std::uint8_t b[4];
        if (self.ReadSingle(0x4000, 4, b, false, 6000) != 0)
            self.Fail(texts::kNotReacting);
    };
    CThreadTransfert worker;
    worker.Start(t);
    worker.Join();
    ASSERT_EQ(ui.texts.size(), 1u);
    EXPECT_EQ(ui.texts[0], texts::kNotReacting);
    EXPECT_EQ(t.LastAlertText(), texts::kNotReacting);
    ProgressPoll poll(t);
    int ticks = 1;
    while (!poll.Tick())
        ++ticks;
    EXPECT_EQ(ticks, 10);
    EXPECT_EQ(poll.Result(), 1);
    EXPECT_EQ(poll.View().stepText, msg::kCreatingHeader);
}

TEST(ProgressText, PercentFormatting) {
    EXPECT_EQ(PercentText(7), "07%");
    EXPECT_EQ(PercentText(0), "00%");
    EXPECT_EQ(PercentText(100), "100%");
}

TEST_F(Framework, FinishedTransferEndsWithResultZeroAndPercent100) {
    t.job = [](ScriptedTransfer& self) { self.Finish(); };
    t.Run();
    ProgressPoll poll(t);
    for (int i = 0; i < 9; ++i)
        EXPECT_FALSE(poll.Tick());
    EXPECT_TRUE(poll.Tick());
    EXPECT_EQ(poll.Result(), 0);
    EXPECT_EQ(poll.View().percent, 100);
}

} // namespace
