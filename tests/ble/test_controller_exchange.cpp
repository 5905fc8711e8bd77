// Checking controller answers received over BLE into the library's result codes.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ble/controller_exchange.h"
#include "wire/frame_codec.h"

namespace {

using hb30::CheckReadAnswer;
using hb30::CheckWriteAnswer;

constexpr std::uint8_t kTarget = 0xF7;

std::string ReadAnswer(std::uint8_t target, std::uint8_t function, std::vector<std::uint8_t> data) {
    return wire::EncodeAscii(
        wire::BuildReadAnswer(target, function, data.data(), std::uint16_t(data.size())));
}

TEST(ReadAnswer, AcceptedAnswersCopyTheData) {
    std::uint8_t out[4] = {};
    EXPECT_EQ(CheckReadAnswer(":F70300040000000101\r\n", kTarget, 0x03, out, 4), 0);
    EXPECT_EQ(out[3], 0x01);
    // Up to 8 characters of noise may precede the colon.
    std::string noisy = "\r\n\r\n\r\n\r\n" + ReadAnswer(kTarget, 0x13, {9, 8});
    EXPECT_EQ(CheckReadAnswer(noisy, kTarget, 0x13, out, 2), 0);
    EXPECT_EQ(out[0], 9);
}

TEST(ReadAnswer, FailuresAndTheirCodes) {
    std::uint8_t out[4];
    std::string good = ReadAnswer(kTarget, 0x03, {1, 2, 3, 4});
    std::string badCheck = good;
    badCheck[good.size() - 3] = badCheck[good.size() - 3] == '0' ? '1' : '0';
    EXPECT_EQ(CheckReadAnswer(badCheck, kTarget, 0x03, out, 4), 1);
    EXPECT_EQ(CheckReadAnswer(ReadAnswer(0x01, 0x03, {1, 2, 3, 4}), kTarget, 0x03, out, 4), 1);
    EXPECT_EQ(CheckReadAnswer(ReadAnswer(kTarget, 0x13, {1, 2, 3, 4}), kTarget, 0x03, out, 4), 1);
    // The colon must be within the first 9 characters.
    EXPECT_EQ(CheckReadAnswer("123456789" + good, kTarget, 0x03, out, 4), 5);
    EXPECT_EQ(CheckReadAnswer("", kTarget, 0x03, out, 4), 5);
    // The refusal names a count too large for any answer.
    EXPECT_EQ(CheckReadAnswer(":F710FFFFFFFF0000FD\r\n", kTarget, 0x03, out, 4), 5);
    // A count of 2174 bytes cannot fit the frame buffer; 2173 can.
    std::vector<std::uint8_t> big(2174, 0x11);
    EXPECT_EQ(CheckReadAnswer(ReadAnswer(kTarget, 0x03, big), kTarget, 0x03, big.data(), 2174), 5);
    big.pop_back();
    EXPECT_EQ(CheckReadAnswer(ReadAnswer(kTarget, 0x03, big), kTarget, 0x03, big.data(), 2173), 0);
    // An answer cut short is not decoded past what arrived.
    EXPECT_EQ(CheckReadAnswer(good.substr(0, good.size() - 6), kTarget, 0x03, out, 4), 5);
    EXPECT_EQ(CheckReadAnswer(":F703", kTarget, 0x03, out, 4), 5);
}

TEST(ReadAnswer, AnotherCountThanAskedIsMalformedAndCopiesNothing) {
    // More bytes than asked would overrun the caller's buffer, fewer would leave it partly
    // stale: both are refused with 5, as over USB and Ethernet, and nothing is copied.
    std::uint8_t both[8] = {0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(CheckReadAnswer(ReadAnswer(kTarget, 0x03, {1, 2, 3, 4, 5, 6, 7, 8}), kTarget, 0x03,
                              both, 4),
              5);
    EXPECT_EQ(CheckReadAnswer(ReadAnswer(kTarget, 0x03, {1, 2}), kTarget, 0x03, both, 4), 5);
    EXPECT_EQ(CheckReadAnswer(ReadAnswer(kTarget, 0x03, {}), kTarget, 0x03, both, 4), 5);
    const std::uint8_t untouched[8] = {0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(std::memcmp(both, untouched, sizeof both), 0);
    // A wrong target or function still gives 1 before the count is looked at.
    EXPECT_EQ(CheckReadAnswer(ReadAnswer(0x01, 0x03, {1, 2}), kTarget, 0x03, both, 4), 1);
}

TEST(WriteAnswer, EchoAndItsFailures) {
    const std::uint8_t cmd[] = {1, 0};
    EXPECT_EQ(CheckWriteAnswer(":F71000007000000287\r\n", 0x7000, cmd, 2), 0);
    EXPECT_EQ(CheckWriteAnswer("xx:F71000007000000287\r\n", 0x7000, cmd, 2), 0);
    EXPECT_EQ(CheckWriteAnswer(":F71000007000000288\r\n", 0x7000, cmd, 2), 5);
    EXPECT_EQ(CheckWriteAnswer("F71000007000000287\r\n", 0x7000, cmd, 2), 1);
    EXPECT_EQ(CheckWriteAnswer(":F71000007000000287", 0x7000, cmd, 2), 1);
    EXPECT_EQ(CheckWriteAnswer(":F7100000700000020087\r\n", 0x7000, cmd, 2), 1); // 22 characters
    EXPECT_EQ(CheckWriteAnswer(":\r\n", 0x7000, cmd, 2), 1);
    EXPECT_EQ(CheckWriteAnswer(":F710FFFFFFFF0000FD\r\n", 0x7000, cmd, 2), 5);
    std::string exception = wire::EncodeAscii(wire::BuildException(kTarget, 0x10, 2));
    EXPECT_EQ(CheckWriteAnswer(exception, 0x7000, cmd, 2), 1);
}

TEST(WriteAnswer, BusyHelloOnlyForTheHello) {
    const std::uint8_t hello[] = {0x14, 0x00, 0x00, 0x14};
    const std::uint8_t other[] = {0x15, 0x00};
    EXPECT_EQ(CheckWriteAnswer(":F71000007000000485\r\n", 0x7000, hello, 4), 0);
    EXPECT_EQ(CheckWriteAnswer(":F71000007100000484\r\n", 0x7000, hello, 4), 4);
    EXPECT_EQ(CheckWriteAnswer(":F71000007100000484\r\n", 0x7000, other, 2), 0);
    EXPECT_EQ(CheckWriteAnswer(":F71000007100000484\r\n", 0x7100, hello, 4), 0);
}

} // namespace
