// What the person at the program was shown, for the layers below the dialogs that need it:
// the service history keeps the last alert of an operation as its row's message, and shows
// its first warning of a session in an alert. The program's alerts install these; a process
// without them (the command line, the logic tests) shows nothing beyond its own output.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

struct UserNotices {
    // How many modal requests have been shown so far: a mark for lastShownSince.
    std::function<std::size_t()> shownCount;
    // The text of the last alert or note shown after the first `mark`; empty when none.
    std::function<std::string(std::size_t mark)> lastShownSince;
    // Shows a warning to the user.
    std::function<void(const std::string& text)> warn;
};

void SetUserNotices(UserNotices notices);
// The installed notices; every member empty when none were installed.
const UserNotices& CurrentUserNotices();

} // namespace platform
