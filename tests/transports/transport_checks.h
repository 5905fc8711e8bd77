// Checks that the USB and Ethernet library tests run alike on their own links.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "fake_controller.h"
#include "tests/support/byte_pattern.h"
#include "tests/support/timing.h"
#include "transport_loader.h"

namespace testpeer {

// Writes `size` bytes and reads them back with each of the three read/write command pairs,
// the first at `address` and each next one 0x1000 further: the controller must hold what
// was written, the read must return it, and the requests must carry each pair's function
// codes. Call through ASSERT_NO_FATAL_FAILURE.
inline void CheckReadsAndWritesOfAllThreeKinds(Transport& link, const FakeController& controller,
                                               std::uint32_t address, std::size_t size) {
    struct Kind {
        int read, write;
        std::uint8_t readFn, writeFn;
    };
    const Kind kinds[] = {{3, 4, 0x03, 0x10}, {7, 8, 0x13, 0x20}, {11, 12, 0x23, 0x30}};
    for (const Kind& k : kinds) {
        std::vector<std::uint8_t> data = testsupport::Pattern(size, std::uint8_t(k.write));
        ASSERT_EQ(link.Write(k.write, address, data), t71::kOk) << "command " << k.write;
        EXPECT_EQ(controller.Peek(address, data.size()), data) << "command " << k.write;
        std::vector<std::uint8_t> back(data.size());
        ASSERT_EQ(link.Read(k.read, address, back), t71::kOk) << "command " << k.read;
        EXPECT_EQ(back, data) << "command " << k.read;
        auto requests = controller.Requests();
        ASSERT_GE(requests.size(), 2u);
        EXPECT_EQ(requests[requests.size() - 2][1], k.writeFn);
        EXPECT_EQ(requests.back()[1], k.readFn);
        address += 0x1000;
    }
}

// Writes and reads back the largest transfer at address 0 with the `write` and `read`
// commands (the pattern seeded with `seed`). Call through ASSERT_NO_FATAL_FAILURE.
inline void CheckLargestTransferIsCarried(Transport& link, int read, int write, std::uint8_t seed) {
    std::vector<std::uint8_t> data = testsupport::Pattern(t71::kMaxTransfer, seed);
    ASSERT_EQ(link.Write(write, 0, data, 5000), t71::kOk);
    std::vector<std::uint8_t> back(t71::kMaxTransfer);
    ASSERT_EQ(link.Read(read, 0, back, 5000), t71::kOk);
    EXPECT_EQ(back, data);
}

// A read or write of one byte more than the largest transfer is refused, and nothing reaches
// the controller. `moreRefusals(big)` makes further refused calls with that oversized buffer
// before the requests are counted.
template <typename MoreRefusals>
void ExpectOversizedTransfersRefusedBeforeSending(Transport& link, const FakeController& controller,
                                                  int read, int write, MoreRefusals moreRefusals) {
    std::size_t before = controller.RequestCount();
    std::vector<std::uint8_t> big(t71::kMaxTransfer + 1);
    EXPECT_EQ(link.Read(read, 0, big), t71::kUnsupported);
    EXPECT_EQ(link.Write(write, 0, big), t71::kUnsupported);
    moreRefusals(big);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(controller.RequestCount(), before) << "a refused request must not be sent";
}

// A read at 0x6000 into `out` that the controller never answers fails with kNoAnswer once
// its 300 ms time-out has passed, and not much later.
inline void ExpectSilentControllerTimesOutRead(Transport& link, FakeController& controller,
                                               std::vector<std::uint8_t>& out) {
    controller.QueueFault(Fault::kSilent);
    auto [read, readTime] =
        testsupport::Timed([&] { return link.Read(t71::kCmdRead, 0x6000, out, 300); });
    EXPECT_EQ(read, t71::kNoAnswer);
    EXPECT_GE(readTime, std::chrono::milliseconds(290));
    EXPECT_LT(readTime, std::chrono::milliseconds(2000));
}

// The leave-loading command (a write of `data` at 0x7000) returns as soon as it is sent,
// without waiting for the answer that never comes. Call through ASSERT_NO_FATAL_FAILURE.
inline void CheckLeaveLoadingReturnsRightAfterSending(Transport& link, FakeController& controller,
                                                      std::vector<std::uint8_t> data) {
    controller.QueueFault(Fault::kSilent);
    auto [r, took] =
        testsupport::Timed([&] { return link.Write(t71::kCmdWrite, 0x7000, data, 3000); });
    EXPECT_EQ(r, t71::kOk);
    EXPECT_LT(took, std::chrono::milliseconds(1000));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return controller.RequestCount() == 1; }));
}

// A read at 0x6000 times out; its answer (A1 A2) comes late, while `awaitLateAnswer()` waits,
// and the memory changes to B1 B2 meanwhile: the next read must return B1 B2, not the stale
// late answer. Call through ASSERT_NO_FATAL_FAILURE.
template <typename AwaitLateAnswer>
void CheckLateAnswerIsNotTakenForTheNextRead(Transport& link, FakeController& controller,
                                             AwaitLateAnswer awaitLateAnswer) {
    controller.Poke(0x6000, {0xA1, 0xA2});
    controller.QueueFault(Fault::kLate);
    std::vector<std::uint8_t> out(2);
    EXPECT_EQ(link.Read(t71::kCmdRead, 0x6000, out, 100), t71::kNoAnswer);
    controller.Poke(0x6000, {0xB1, 0xB2});
    ASSERT_NO_FATAL_FAILURE(awaitLateAnswer());
    ASSERT_EQ(link.Read(t71::kCmdRead, 0x6000, out), t71::kOk);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0xB1, 0xB2}));
}

} // namespace testpeer
