// The clock on the command line: "YYYY-MM-DD HH:MM:SS drift N", its JSON form, and the
// date and time a technician types.
#pragma once

#include <optional>
#include <string>

#include "services/DateTime.h"

namespace cli {

// "2026-12-08" and "06:55:00".
std::string DateOf(const services::ClockTime& t);
std::string TimeOf(const services::ClockTime& t);

std::string ClockText(const services::ClockTime& t, int drift);
// {"date": "2026-12-08", "time": "06:55:00", "drift": -3}
std::string ClockJson(const services::ClockTime& t, int drift);

// Splits "YYYY-MM-DD" and "HH:MM:SS" into numbers without judging them; nothing when they do
// not have that form.
std::optional<services::ClockTime> ParseClock(const std::string& date, const std::string& time);

// The program's message for a time or drift it would not write: the range warning of the
// first field out of range, or "Error time consistency" for a date that does not exist.
// Nothing when both can be written.
std::optional<std::string> ClockRefusal(const services::ClockTime& t, int drift);

} // namespace cli
