#include "cli/clock_text.h"

#include <cstdio>

#include "cli/json.h"

namespace cli {

std::string DateOf(const services::ClockTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
    return text;
}

std::string TimeOf(const services::ClockTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

namespace {

// Digits only, exactly `count` of them.
bool Digits(const std::string& s, std::size_t at, std::size_t count, int& value) {
    if (at + count > s.size())
        return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

} // namespace

std::string ClockText(const services::ClockTime& t, int drift) {
    return DateOf(t) + " " + TimeOf(t) + " drift " + std::to_string(drift) + "\n";
}

std::string ClockJson(const services::ClockTime& t, int drift) {
    JsonWriter j;
    j.BeginObject();
    j.Key("date").String(DateOf(t));
    j.Key("time").String(TimeOf(t));
    j.Key("drift").Int(drift);
    j.EndObject();
    return j.Text() + "\n";
}

std::optional<services::ClockTime> ParseClock(const std::string& date, const std::string& time) {
    services::ClockTime t;
    if (date.size() != 10 || date[4] != '-' || date[7] != '-' || time.size() != 8 ||
        time[2] != ':' || time[5] != ':')
        return std::nullopt;
    if (!Digits(date, 0, 4, t.year) || !Digits(date, 5, 2, t.month) || !Digits(date, 8, 2, t.day) ||
        !Digits(time, 0, 2, t.hour) || !Digits(time, 3, 2, t.minute) ||
        !Digits(time, 6, 2, t.second))
        return std::nullopt;
    return t;
}

std::optional<std::string> ClockRefusal(const services::ClockTime& t, int drift) {
    using namespace services;
    if (t.hour > kMaxHour)
        return RangeWarning(0, kMaxHour);
    if (t.minute > kMaxMinute)
        return RangeWarning(0, kMaxMinute);
    if (t.second > kMaxSecond)
        return RangeWarning(0, kMaxSecond);
    if (drift < kMinDrift || drift > kMaxDrift)
        return RangeWarning(kMinDrift, kMaxDrift);
    if (!IsValidClockTime(t))
        return std::string(kTextTimeConsistency);
    return std::nullopt;
}

} // namespace cli
