// Malformed, oversized and unexpected requests, and the fault-injection switches: the
// controller answers what a controller would (an exception or nothing) and goes on.
#include <gtest/gtest.h>

#include <random>

#include "sim/sim_options.h"
#include "tests/sim/controller_client.h"

namespace {

using simtest::ControllerClient;
using simtest::ExceptionCode;
using simtest::IsRefusal;

TEST(SimRobustness, MalformedRequestsGetAnExceptionOrSilence) {
    ControllerClient c;
    EXPECT_TRUE(c.Exchange({}).empty());
    EXPECT_TRUE(c.Exchange({0xF7}).empty());
    EXPECT_EQ(ExceptionCode(c.Exchange({0xF7, 0x03, 0x00})), 3);
    // Another station: silence.
    EXPECT_TRUE(c.Exchange(wire::BuildRequest(0x01, 0x03, 0xE000, 21)).empty());
    // Unknown function code.
    wire::Bytes a = c.Exchange(wire::BuildRequest(0xF7, 0x05, 0xE000, 21));
    EXPECT_EQ(a, (wire::Bytes{0xF7, 0x85, 1}));
    // A write whose count disagrees with its data, a read that carries data.
    wire::Bytes w = wire::BuildRequest(0xF7, 0x10, 0x1000, 7);
    w.push_back(1);
    EXPECT_EQ(ExceptionCode(c.Exchange(w)), 3);
    wire::Bytes r = wire::BuildRequest(0xF7, 0x03, 0xE000, 2);
    r.push_back(0);
    EXPECT_EQ(ExceptionCode(c.Exchange(r)), 3);
    // Too long, past the end of a region, or nowhere.
    EXPECT_EQ(ExceptionCode(c.Exchange(wire::BuildRequest(0xF7, 0x03, 0x70000, 60000))), 3);
    EXPECT_EQ(ExceptionCode(c.Exchange(wire::BuildRequest(0xF7, 0x03, 0xE000, 22))), 3);
    EXPECT_EQ(ExceptionCode(c.Exchange(wire::BuildRequest(0xF7, 0x03, 0x6000, 157))), 3);
    EXPECT_EQ(ExceptionCode(c.Exchange(wire::BuildRequest(0xF7, 0x03, 0x123456, 4))), 2);
    EXPECT_EQ(ExceptionCode(c.Exchange(wire::BuildRequest(0xF7, 0x03, 0x79FFF, 0x7000))), 2);
    EXPECT_EQ(ExceptionCode(c.Exchange(wire::BuildRequest(0xF7, 0x03, 0xC0000, 4096))), 3);
    // The controller still works.
    EXPECT_TRUE(c.Read(0xE000, 21));
    EXPECT_NE(c.Log().find("exception 3"), std::string::npos);
}

TEST(SimRobustness, BadValuesAreRejectedAndNothingChanges) {
    ControllerClient c;
    auto clock = c.Read(0x1000, 7);
    // 31 April and hour 24 are refused.
    EXPECT_EQ(ExceptionCode(c.Exchange(wire::BuildRequest(
                  0xF7, 0x10, 0x1000, 7, wire::Bytes{0, 0, 0, 0, 31, 4, 26}.data()))),
              3);
    EXPECT_EQ(ExceptionCode(c.Exchange(wire::BuildRequest(
                  0xF7, 0x10, 0x1000, 7, wire::Bytes{0, 0, 24, 0, 1, 1, 26}.data()))),
              3);
    EXPECT_EQ(c.Read(0x1000, 7), clock);
    // The drift is the controller's own number: kept as written, whatever its value.
    EXPECT_TRUE(c.Write(0x3000, {std::uint8_t(-59)}));
    EXPECT_EQ(c.Read(0x3000, 1), wire::Bytes{std::uint8_t(-59)});
    EXPECT_TRUE(c.Write(0x3000, {60}));
    EXPECT_EQ(c.Read(0x3000, 1), wire::Bytes{60});
    // Datalog descriptor and areas are not writable there.
    EXPECT_EQ(ExceptionCode(c.Exchange(wire::BuildRequest(0xF7, 0x20, 0x4700000D, 0))), 2);
    EXPECT_EQ(ExceptionCode(
                  c.Exchange(wire::BuildRequest(0xF7, 0x10, 0xC0000, 1, wire::Bytes{1}.data()))),
              2);
}

TEST(SimRobustness, RandomRequestsNeverBreakIt) {
    ControllerClient c;
    std::mt19937 rng(12345);
    const std::uint32_t addresses[] = {0x7000,     0x6000,     0x40000, 0x70000, 0xE000, 0x8000,
                                       0x47000002, 0x48200000, 0xC0000, 0x7200,  0x7400, 0x1000};
    const std::uint8_t functions[] = {0x03, 0x13, 0x23, 0x10, 0x20, 0x30, 0x00, 0x7F};
    for (int i = 0; i < 3000; ++i) {
        wire::Bytes body;
        if (i % 5 == 0) {
            body.resize(rng() % 40);
            for (auto& b : body)
                b = std::uint8_t(rng());
        } else {
            std::uint8_t fn = functions[rng() % 8];
            std::uint32_t address = addresses[rng() % 12] + (rng() % 4 == 0 ? rng() % 4096 : 0);
            std::uint16_t count = std::uint16_t(rng() % 3 == 0 ? rng() : rng() % 64);
            body = wire::BuildRequest(0xF7, fn, address, count);
            if (fn & 0x10) {
                for (std::uint16_t k = 0; k < std::min<std::uint16_t>(count, 3000); ++k)
                    body.push_back(std::uint8_t(rng()));
            }
        }
        c.Advance(rng() % 5000);
        wire::Bytes a = c.Exchange(body);
        if (a.empty())
            continue;
        ASSERT_EQ(a[0], 0xF7);
        ASSERT_GE(a.size(), 3u);
    }
    // Whatever the noise did (a lock, a stop, an erase), the identity still answers.
    EXPECT_TRUE(c.Read(0xE000, 21));
}

TEST(SimFaults, SilenceRefusalCheckByteAndDrop) {
    sim::ControllerOptions o;
    o.fault_silent_nth = 2;
    o.fault_refuse_nth = 3;
    o.fault_bad_check_nth = 4;
    o.fault_drop_after = 5;
    ControllerClient c(o);
    sim::AnswerFaults f;
    const wire::Bytes read = wire::BuildRequest(0xF7, 0x03, 0xE000, 21);
    EXPECT_EQ(c.Exchange(read, &f).size(), 25u);  // 1
    EXPECT_TRUE(c.Exchange(read, &f).empty());    // 2: silent
    EXPECT_TRUE(IsRefusal(c.Exchange(read, &f))); // 3: refused
    EXPECT_FALSE(f.corrupt_check);
    f = {};
    c.Exchange(read, &f); // 4: third answer
    EXPECT_FALSE(f.corrupt_check);
    f = {};
    c.Exchange(read, &f); // 5: fourth answer
    EXPECT_TRUE(f.corrupt_check);
    EXPECT_FALSE(f.drop_link);
    f = {};
    c.Exchange(read, &f); // 6: fifth answer, then the link drops
    EXPECT_TRUE(f.drop_link);
    EXPECT_NE(c.Log().find("fault: silent"), std::string::npos);

    sim::ControllerOptions busy;
    busy.fault_hello_busy = true;
    ControllerClient b(busy);
    EXPECT_EQ(
        b.Exchange(wire::BuildRequest(0xF7, 0x10, 0x7000, 4, wire::Bytes{0x14, 0, 0, 0x14}.data())),
        wire::BuildWriteAnswer(0xF7, 0x10, 0x7100, 4));
}

TEST(SimOptions, DefaultsNumbersAndBadValues) {
    sim::SimOptions o;
    std::string error;
    ASSERT_TRUE(sim::ParseSimOptions({"--discovery"}, &o, &error)) << error;
    EXPECT_EQ(o.discovery_port, 35007);
    // The discovery dialog hides a line not heard for 15 s: with one NOTIFY lost, the next
    // one must still come in time.
    EXPECT_LT(2 * o.notify_period_s, 15);

    // Numbers are decimal even with leading zeros (product ids are shown zero-padded), or
    // hexadecimal after "0x".
    ASSERT_TRUE(sim::ParseSimOptions(
        {"--product-id", "0000042", "--state-word", "0x400001F5", "--code8", "061420001"}, &o,
        &error))
        << error;
    EXPECT_EQ(o.controller.product_id, 42u);
    EXPECT_EQ(o.controller.state_word, 0x400001F5u);
    EXPECT_EQ(o.controller.code8, 61420001u);

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--notify-period", "0"},
                                                {"--notify-period"},
                                                {"--label", "NINETEEN CHARACTERS"},
                                                {"--usb-name", "a/b"},
                                                {"--tcp-port", "65536"}}) {
        sim::SimOptions rejected;
        EXPECT_FALSE(sim::ParseSimOptions(bad, &rejected, &error)) << bad[0];
        EXPECT_FALSE(error.empty());
    }
}

} // namespace
