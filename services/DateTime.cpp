#include "services/DateTime.h"

#include <charconv>
#include <cstdio>
#include <ctime>

#include "platform/local_time.h"

namespace services {

namespace {

// Clock record offsets.
constexpr std::size_t kSecond = 0, kMinute = 1, kHour = 2, kUnused = 3, kDay = 4, kMonth = 5,
                      kYear = 6;
// The year byte is written as the low 8 bits of (year + 48).
constexpr int kYearByteBias = 48;

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

bool Within(int value, int low, int high) {
    return value >= low && value <= high;
}

} // namespace

bool IsValidClockTime(const ClockTime& t) {
    return Within(t.year, kFirstYear, kLastYear) && Within(t.month, 1, 12) &&
           Within(t.day, 1, DaysInMonth(t.year, t.month)) && Within(t.hour, 0, kMaxHour) &&
           Within(t.minute, 0, kMaxMinute) && Within(t.second, 0, kMaxSecond);
}

ClockRecord EncodeClock(const ClockTime& t) {
    ClockRecord r{};
    r[kSecond] = std::uint8_t(t.second);
    r[kMinute] = std::uint8_t(t.minute);
    r[kHour] = std::uint8_t(t.hour);
    r[kUnused] = 0;
    r[kDay] = std::uint8_t(t.day);
    r[kMonth] = std::uint8_t(t.month);
    r[kYear] = std::uint8_t((t.year + kYearByteBias) & 0xFF);
    return r;
}

ClockTime DecodeClock(const ClockRecord& r) {
    ClockTime t;
    t.second = r[kSecond];
    t.minute = r[kMinute];
    t.hour = r[kHour];
    t.day = r[kDay];
    t.month = r[kMonth];
    t.year = kFirstYear + r[kYear];
    return t;
}

std::string RangeWarning(int low, int high) {
    char text[64];
    std::snprintf(text, sizeof text, "Please enter a number between %d and %d", low, high);
    return text;
}

std::optional<int> OutOfRangeBound(const std::string& text, int low, int high) {
    if (text.empty() || text == "-")
        return std::nullopt;
    long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ptr == text.data() || (ec != std::errc() && ec != std::errc::result_out_of_range))
        return std::nullopt;
    // A number too long to hold has crossed the bound on its side.
    if (ec == std::errc::result_out_of_range)
        return text[0] == '-' ? low : high;
    if (value < low)
        return low;
    if (value > high)
        return high;
    return std::nullopt;
}

int SpinStep(int value, int step, int low, int high) {
    int next = value + step;
    if (next > high)
        return low;
    if (next < low)
        return high;
    return next;
}

std::string TwoDigits(int value) {
    return (value < 10 && value >= 0 ? "0" : "") + std::to_string(value);
}

std::string AutoDateText(const ClockTime& t) {
    return TwoDigits(t.day) + "/" + TwoDigits(t.month) + "/" + std::to_string(t.year);
}

ClockTime LocalTimeNow() {
    const std::tm local = platform::LocalNow();
    ClockTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    // A leap second reads as 60: the controller's clock has no such second.
    t.second = local.tm_sec > kMaxSecond ? kMaxSecond : local.tm_sec;
    return t;
}

ClockReading ReadClock(comm::IControllerLink& link) {
    ClockReading reading;
    const std::uint32_t timeout = link.LinkTimeoutMs();
    ClockRecord record{};
    if (link.Read(record.data(), kClockAddress, kClockSize, timeout) == 0) {
        reading.time = DecodeClock(record);
        reading.timeValid = IsValidClockTime(*reading.time);
    }
    std::uint8_t drift = 0;
    if (link.Read(&drift, kDriftAddress, 1, timeout) == 0)
        reading.drift = std::int8_t(drift);

    if (reading.time && !reading.timeValid)
        reading.notice = {NoticeKind::Error, kTextTimeConsistency};
    else if (!reading.time || !reading.drift)
        reading.notice = {NoticeKind::Warning, kTextReadFailed};
    else
        reading.notice = {NoticeKind::Information, kTextReadOk};
    return reading;
}

Notice WriteClock(comm::IControllerLink& link, const ClockTime& t, int drift) {
    const std::uint32_t timeout = link.LinkTimeoutMs();
    const ClockRecord record = EncodeClock(t);
    if (link.Write(record.data(), kClockAddress, kClockSize, timeout) != 0)
        return {NoticeKind::Warning, kTextWriteFailed};
    // A drift the controller did not take is a failed write too: saying "Successful writing"
    // would leave the technician with a correction that is not the one shown.
    const std::uint8_t driftByte = std::uint8_t(std::int8_t(drift));
    if (link.Write(&driftByte, kDriftAddress, 1, timeout) != 0)
        return {NoticeKind::Warning, kTextWriteFailed};
    return {NoticeKind::Information, kTextWriteOk};
}

} // namespace services
