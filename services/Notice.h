// A message for the user, as the service logic decides it: the dialogs show it in the
// program's alert of that kind, the command line prints its text.
#pragma once

#include <string>

namespace services {

enum class NoticeKind { Error, Warning, Information };

struct Notice {
    NoticeKind kind = NoticeKind::Information;
    std::string text;

    bool operator==(const Notice&) const = default;
};

} // namespace services
