// The controller's real-time clock: a calendar time that runs from the last value set.
#pragma once

#include <cstdint>

namespace sim {

// The 7-byte clock record of 0x1000 and of datalog time stamps.
struct CivilTime {
    int second = 0, minute = 0, hour = 0, day = 1, month = 1, year = 2000;
};

// Seconds since 2000-01-01 00:00:00 and back (proleptic Gregorian, no leap seconds).
std::int64_t ToSeconds(const CivilTime& t);
CivilTime FromSeconds(std::int64_t seconds);
// A calendar date and time the program accepts (years 2000-2255, real month days).
bool IsValid(const CivilTime& t);
// Day of the week, 0 = Sunday.
int Weekday(std::int64_t seconds);

class Rtc {
  public:
    // Starts at `start` seconds (since 2000) at monotonic time `now_ms`.
    void Set(std::int64_t start, std::int64_t now_ms);
    std::int64_t Now(std::int64_t now_ms) const;

  private:
    std::int64_t base_ = 0;
    std::int64_t base_ms_ = 0;
};

} // namespace sim
