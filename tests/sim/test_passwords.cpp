// The remote lock (attempts, blocking, sessions) and the application password countdown.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/sim/controller_client.h"

namespace {

using simtest::ControllerClient;
using simtest::IsRefusal;

constexpr std::int64_t kHalfMinute = 30000;

wire::Bytes Password(const char* text) {
    wire::Bytes b(10, 0);
    std::memcpy(b.data(), text, std::min<std::size_t>(10, std::strlen(text)));
    return b;
}

sim::ControllerOptions Locked(bool strict = false) {
    sim::ControllerOptions o;
    o.remote_password = "secret";
    o.strict_lock_writes = strict;
    return o;
}

wire::Bytes LockState(ControllerClient& c) {
    return c.Read(0x7300, 13).value_or(wire::Bytes{});
}

TEST(SimRemoteLock, WhitelistWhileLockedAndUnlockForTheSession) {
    ControllerClient c(Locked());
    ASSERT_TRUE(c.Hello());
    wire::Bytes state = LockState(c);
    ASSERT_EQ(state.size(), 13u);
    EXPECT_EQ(state[0], 1);
    EXPECT_EQ(state[1], 1);
    EXPECT_EQ(state[2], 1);
    EXPECT_EQ(state[7], 5);
    // The access probe is refused with the refusal frame; the whitelist stays readable.
    EXPECT_TRUE(IsRefusal(c.Exchange(wire::BuildRequest(0xF7, 0x03, 0x40000, 847))));
    EXPECT_TRUE(IsRefusal(c.Exchange(wire::BuildRequest(0xF7, 0x03, 0x6000, 156))));
    for (std::uint32_t a : {0xE000u, 0x5000u, 0x4000u, 0x8000u}) {
        std::uint16_t n = a == 0xE000 ? 21 : a == 0x8000 ? 361 : 4;
        EXPECT_TRUE(c.Read(a, n)) << std::hex << a;
    }
    // Writes are not refused by default.
    EXPECT_TRUE(c.Command(1, 0));

    ASSERT_TRUE(c.Write(0x7200, Password("wrong")));
    EXPECT_EQ(LockState(c)[7], 4);
    EXPECT_EQ(LockState(c)[1], 1);
    ASSERT_TRUE(c.Write(0x7200, Password("secret")));
    EXPECT_EQ(LockState(c)[1], 0);
    EXPECT_EQ(LockState(c)[7], 5);
    EXPECT_TRUE(c.Read(0x40000, 847));

    // The unlock lasts until the goodbye: the next session asks again.
    ASSERT_TRUE(c.Goodbye());
    ASSERT_TRUE(c.Hello());
    EXPECT_TRUE(IsRefusal(c.Exchange(wire::BuildRequest(0xF7, 0x03, 0x40000, 847))));
    ASSERT_TRUE(c.Write(0x7200, Password("secret")));
    c.controller().LinkClosed();
    ASSERT_TRUE(c.Hello());
    EXPECT_EQ(LockState(c)[1], 1);
}

TEST(SimRemoteLock, FiveWrongAttemptsBlockForSixtyHalfMinutes) {
    ControllerClient c(Locked());
    ASSERT_TRUE(c.Hello());
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(c.Write(0x7200, Password("nope")));
    wire::Bytes state = LockState(c);
    EXPECT_EQ(state[7], 0);
    EXPECT_EQ(state[8], 60);
    // While blocked even the right password is ignored.
    ASSERT_TRUE(c.Write(0x7200, Password("secret")));
    EXPECT_EQ(LockState(c)[1], 1);

    c.Advance(kHalfMinute);
    EXPECT_EQ(LockState(c)[8], 59);
    c.Advance(58 * kHalfMinute);
    EXPECT_EQ(LockState(c)[8], 1);
    EXPECT_EQ(LockState(c)[7], 0);
    c.Advance(kHalfMinute);
    state = LockState(c);
    EXPECT_EQ(state[8], 0);
    EXPECT_EQ(state[7], 5);
    ASSERT_TRUE(c.Write(0x7200, Password("secret")));
    EXPECT_EQ(LockState(c)[1], 0);
}

TEST(SimRemoteLock, NewPasswordLocksFromTheNextSessionAndZerosClearIt) {
    ControllerClient c;
    ASSERT_TRUE(c.Hello());
    EXPECT_EQ(LockState(c)[1], 0);
    ASSERT_TRUE(c.Write(0x7400, Password("abc")));
    EXPECT_TRUE(c.Read(0x40000, 847)); // this session stays open
    ASSERT_TRUE(c.Goodbye());
    ASSERT_TRUE(c.Hello());
    EXPECT_EQ(LockState(c)[1], 1);
    ASSERT_TRUE(c.Write(0x7200, Password("abc")));
    ASSERT_TRUE(c.Write(0x7400, wire::Bytes(10, 0)));
    ASSERT_TRUE(c.Goodbye());
    ASSERT_TRUE(c.Hello());
    EXPECT_EQ(LockState(c)[1], 0);
    EXPECT_TRUE(c.Read(0x40000, 847));
}

TEST(SimRemoteLock, StrictModeAndScenarioFlags) {
    ControllerClient strict(Locked(true));
    ASSERT_TRUE(strict.Hello());
    EXPECT_TRUE(IsRefusal(
        strict.Exchange(wire::BuildRequest(0xF7, 0x10, 0x7000, 2, wire::Bytes{1, 0}.data()))));
    ASSERT_TRUE(strict.Write(0x7200, Password("secret")));
    EXPECT_TRUE(strict.Command(1, 0));

    sim::ControllerOptions o = Locked();
    o.lock_unlockable = false;
    ControllerClient firmware_first(o);
    ASSERT_TRUE(firmware_first.Hello());
    EXPECT_EQ(LockState(firmware_first)[2], 0);
    ASSERT_TRUE(firmware_first.Write(0x7200, Password("secret")));
    EXPECT_EQ(LockState(firmware_first)[1], 1);
    EXPECT_EQ(LockState(firmware_first)[7], 5);
}

TEST(SimAppPassword, AttemptsCountDownAndClear) {
    sim::ControllerOptions o;
    o.app_password = "123456";
    ControllerClient c(o);
    EXPECT_EQ(c.Read(0x5600, 1), wire::Bytes{1});
    EXPECT_EQ(c.Read(0x5500, 8), (wire::Bytes{'1', '2', '3', '4', '5', '6', 0, 0}));
    // The configuration record agrees (password set at 212).
    EXPECT_EQ(c.Read(0x40000 + 212, 2), (wire::Bytes{1, 0}));

    ASSERT_TRUE(c.Write(0xA000, {2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c.Read(0xA000, 6), (wire::Bytes{2, 0, 0, 0, 0, 0}));
    c.Advance(100 * kHalfMinute);
    EXPECT_EQ(c.Read(0xA000, 6)->at(0), 2); // only a block is counted down

    ASSERT_TRUE(c.Write(0xA000, {5, 60, 0, 0, 0, 0}));
    c.Advance(kHalfMinute);
    EXPECT_EQ(c.Read(0xA000, 6), (wire::Bytes{5, 59, 0, 0, 0, 0}));
    c.Advance(59 * kHalfMinute);
    EXPECT_EQ(c.Read(0xA000, 6), (wire::Bytes{0, 0, 0, 0, 0, 0}));
}

TEST(SimPasswords, NeverWrittenToTheRequestLog) {
    sim::ControllerOptions o = Locked();
    o.app_password = "654321";
    ControllerClient c(o);
    ASSERT_TRUE(c.Hello());
    ASSERT_TRUE(c.Write(0x7200, Password("secret")));
    ASSERT_TRUE(c.Write(0x7400, Password("pw")));
    ASSERT_TRUE(c.Read(0x5500, 8));
    const std::string log = c.Log();
    EXPECT_NE(log.find("0x00007200 n=10 [10 bytes hidden]"), std::string::npos) << log;
    EXPECT_NE(log.find("ok 8 bytes [8 bytes hidden]"), std::string::npos) << log;
    // "secret", "pw" and "654321" in the log's hexadecimal form.
    for (const char* bytes : {"73 65 63 72 65 74", "70 77 00", "36 35 34 33 32 31"})
        EXPECT_EQ(log.find(bytes), std::string::npos) << bytes;
}

} // namespace
