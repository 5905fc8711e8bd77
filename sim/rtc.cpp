#include "sim/rtc.h"

namespace sim {

namespace {
constexpr std::int64_t kDaysFrom1970To2000 = 10957;

// Days since 1970-01-01 of a civil date (Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(std::int64_t(yoe) + era * 400 + (m <= 2));
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}
} // namespace

std::int64_t ToSeconds(const CivilTime& t) {
    std::int64_t days =
        DaysFromCivil(t.year, unsigned(t.month), unsigned(t.day)) - kDaysFrom1970To2000;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

CivilTime FromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    std::int64_t rest = seconds - days * 86400;
    CivilTime t;
    CivilFromDays(days + kDaysFrom1970To2000, t.year, t.month, t.day);
    t.hour = int(rest / 3600);
    t.minute = int(rest / 60 % 60);
    t.second = int(rest % 60);
    return t;
}

bool IsValid(const CivilTime& t) {
    if (t.year < 2000 || t.year > 2255 || t.month < 1 || t.month > 12)
        return false;
    if (t.day < 1 || t.day > DaysInMonth(t.year, t.month))
        return false;
    return t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 &&
           t.second < 60;
}

int Weekday(std::int64_t seconds) {
    std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    // 2000-01-01 was a Saturday.
    return int(((days + 6) % 7 + 7) % 7);
}

void Rtc::Set(std::int64_t start, std::int64_t now_ms) {
    base_ = start;
    base_ms_ = now_ms;
}

std::int64_t Rtc::Now(std::int64_t now_ms) const {
    std::int64_t elapsed = now_ms - base_ms_;
    return base_ + (elapsed >= 0 ? elapsed / 1000 : 0);
}

} // namespace sim
