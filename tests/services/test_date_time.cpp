#include <gtest/gtest.h>

#include "services/DateTime.h"
#include "tests/support/byte_image.h"
#include "tests/support/fake_controller_link.h"

using services::ClockTime;
using services::NoticeKind;

namespace {

constexpr std::uint32_t kClock = 0x1000, kDrift = 0x3000;

std::vector<std::uint8_t> Record(std::initializer_list<int> bytes) {
    std::vector<std::uint8_t> r;
    for (int b : bytes)
        r.push_back(std::uint8_t(b));
    return r;
}

} // namespace

TEST(DateTime, RecordBytesAndYearByte) {
    ClockTime t{2099, 12, 31, 23, 59, 58};
    EXPECT_EQ(services::EncodeClock(t), (services::ClockRecord{58, 59, 23, 0, 31, 12, 99}));
    EXPECT_EQ(services::EncodeClock({2255, 1, 1, 0, 0, 0})[6], 255);
    EXPECT_EQ(services::EncodeClock({2000, 1, 1, 0, 0, 0})[6], 0);
    ClockTime read = services::DecodeClock({5, 4, 3, 9, 2, 1, 24});
    EXPECT_EQ(read, (ClockTime{2024, 1, 2, 3, 4, 5}));
}

TEST(DateTime, CalendarValidity) {
    EXPECT_TRUE(services::IsValidClockTime({2024, 2, 29, 23, 59, 59}));
    EXPECT_FALSE(services::IsValidClockTime({2023, 2, 29, 0, 0, 0}));
    EXPECT_FALSE(services::IsValidClockTime({2026, 4, 31, 0, 0, 0}));
    EXPECT_FALSE(services::IsValidClockTime({2026, 4, 30, 24, 0, 0}));
    EXPECT_FALSE(services::IsValidClockTime({2026, 13, 1, 0, 0, 0}));
    EXPECT_FALSE(services::IsValidClockTime({2256, 1, 1, 0, 0, 0}));
    EXPECT_FALSE(services::IsValidClockTime({2026, 1, 0, 0, 0, 0}));
}

TEST(DateTime, FieldRangesAndSpinWrap) {
    EXPECT_EQ(services::OutOfRangeBound("75", 0, 59), 59);
    EXPECT_EQ(services::OutOfRangeBound("-70", -59, 59), -59);
    EXPECT_EQ(services::OutOfRangeBound("99999999999999999999", 0, 23), 23);
    EXPECT_EQ(services::OutOfRangeBound("23", 0, 23), std::nullopt);
    EXPECT_EQ(services::OutOfRangeBound("", 0, 23), std::nullopt);
    EXPECT_EQ(services::OutOfRangeBound("-", -59, 59), std::nullopt);
    EXPECT_EQ(services::RangeWarning(0, 59), "Please enter a number between 0 and 59");
    EXPECT_EQ(services::SpinStep(23, 1, 0, 23), 0);
    EXPECT_EQ(services::SpinStep(0, -1, 0, 23), 23);
    EXPECT_EQ(services::SpinStep(59, 1, 0, 59), 0);
    EXPECT_EQ(services::SpinStep(0, -1, 0, 59), 59);
    EXPECT_EQ(services::SpinStep(12, 1, 0, 59), 13);
    EXPECT_EQ(services::AutoDateText({2026, 3, 7, 0, 0, 0}), "07/03/2026");
}

TEST(DateTime, ReadingShowsOneAlertForBothReads) {
    FakeControllerLink link;
    link.memory[kClock] = Record({10, 20, 8, 0, 7, 12, 26});
    link.memory[kDrift] = Record({0xFD});
    services::ClockReading ok = services::ReadClock(link);
    EXPECT_EQ(ok.notice, (services::Notice{NoticeKind::Information, "Successful reading"}));
    EXPECT_EQ(ok.time, (ClockTime{2026, 12, 7, 8, 20, 10}));
    EXPECT_EQ(ok.drift, -3);

    // The drift alone failing: the clock is still shown.
    link.memory.erase(kDrift);
    services::ClockReading noDrift = services::ReadClock(link);
    EXPECT_EQ(noDrift.notice, (services::Notice{NoticeKind::Warning, "Failed to read time"}));
    EXPECT_TRUE(noDrift.timeValid);
    EXPECT_EQ(noDrift.time->minute, 20);

    // 31 April: the fields are shown, the date is not taken, and the error wins.
    link.memory[kClock] = Record({1, 2, 3, 0, 31, 4, 26});
    services::ClockReading april = services::ReadClock(link);
    EXPECT_EQ(april.notice, (services::Notice{NoticeKind::Error, "Error time consistency"}));
    EXPECT_FALSE(april.timeValid);
    EXPECT_EQ(april.time->hour, 3);

    link.silent = true;
    EXPECT_EQ(services::ReadClock(link).notice.text, "Failed to read time");
}

TEST(DateTime, WritingTheClockThenTheDrift) {
    FakeControllerLink link;
    auto notice = services::WriteClock(link, {2099, 12, 31, 23, 59, 58}, -7);
    EXPECT_EQ(notice, (services::Notice{NoticeKind::Information, "Successful writing"}));
    ASSERT_EQ(link.writes.size(), 2u);
    EXPECT_EQ(link.writes[0].address, kClock);
    EXPECT_EQ(link.writes[0].bytes, Record({58, 59, 23, 0, 31, 12, 99}));
    EXPECT_EQ(link.writes[1].address, kDrift);
    EXPECT_EQ(link.writes[1].bytes, Record({0xF9}));

    // A failed clock write writes no drift.
    FakeControllerLink refused;
    refused.failingWrites = {kClock};
    EXPECT_EQ(services::WriteClock(refused, {2026, 1, 1, 0, 0, 0}, 0),
              (services::Notice{NoticeKind::Warning, "Failed to write time"}));
    EXPECT_TRUE(refused.writes.empty());

    // A drift the controller refused is not reported as written.
    FakeControllerLink noDrift;
    noDrift.failingWrites = {kDrift};
    EXPECT_EQ(services::WriteClock(noDrift, {2026, 1, 1, 0, 0, 0}, 5).text, "Failed to write time");
}
