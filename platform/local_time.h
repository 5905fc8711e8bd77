// The wall clock in local time, for names and clock comparisons made from it.
#pragma once

#include <ctime>

namespace platform {

// The current local time, broken down.
std::tm LocalNow();

} // namespace platform
