// The controller's clock as the date and time dialog and the clock command read and set it.
//
// Clock record, 7 bytes at 0x1000:
//   0 seconds 0-59   1 minutes 0-59   2 hours 0-23   3 not used (written 0)
//   4 day 1-31       5 month 1-12     6 year - 2000
// Drift correction: one signed byte at 0x3000, -59 to 59.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "comm/ControllerLink.h"
#include "services/Notice.h"

namespace services {

constexpr std::uint32_t kClockAddress = 0x1000;
constexpr std::uint32_t kClockSize = 7;
constexpr std::uint32_t kDriftAddress = 0x3000;

// The range of the date picker and of each field.
constexpr int kFirstYear = 2000, kLastYear = 2255;
constexpr int kMaxHour = 23, kMaxMinute = 59, kMaxSecond = 59;
constexpr int kMinDrift = -59, kMaxDrift = 59;

inline constexpr const char* kTextTimeConsistency = "Error time consistency";
inline constexpr const char* kTextReadFailed = "Failed to read time";
inline constexpr const char* kTextReadOk = "Successful reading";
inline constexpr const char* kTextWriteOk = "Successful writing";
inline constexpr const char* kTextWriteFailed = "Failed to write time";

struct ClockTime {
    int year = kFirstYear, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;

    bool operator==(const ClockTime&) const = default;
};

using ClockRecord = std::array<std::uint8_t, kClockSize>;

// A real calendar date and time within the picker's years.
bool IsValidClockTime(const ClockTime& t);
// The record of a time; the year byte is the low 8 bits of (year + 48), which is the year
// minus 2000 for every year of the picker's range.
ClockRecord EncodeClock(const ClockTime& t);
// The fields of a record as they read, valid or not; the year is byte 6 + 2000.
ClockTime DecodeClock(const ClockRecord& record);

// "Please enter a number between %d and %d".
std::string RangeWarning(int low, int high);
// The check a field runs when its text changes: nothing when `text` is empty, "-" or not a
// number, or when its value lies within [low, high]; otherwise the bound that was crossed.
std::optional<int> OutOfRangeBound(const std::string& text, int low, int high);
// One step of a spin button that wraps: high + 1 gives low and low - 1 gives high.
int SpinStep(int value, int step, int low, int high);
// Two digits with a leading "0" below 10, and the Auto group's date "dd/mm/yyyy".
std::string TwoDigits(int value);
std::string AutoDateText(const ClockTime& t);

// The PC's local time now.
ClockTime LocalTimeNow();

struct ClockReading {
    std::optional<ClockTime> time; // the clock as read (possibly not a valid date)
    bool timeValid = false;        // it reads as a real date and time
    std::optional<int> drift;      // the drift as read
    Notice notice;                 // what the "Read" button shows
};

// "Read": the clock record, then the drift.
ClockReading ReadClock(comm::IControllerLink& link);

// "Write": the clock record, then (only when it was written) the drift, whose result is not
// checked. The notice says whether the clock was written.
Notice WriteClock(comm::IControllerLink& link, const ClockTime& t, int drift);

} // namespace services
