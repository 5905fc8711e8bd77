#include "platform/user_notices.h"

#include <utility>

namespace platform {
namespace {

UserNotices& Installed() {
    static UserNotices notices;
    return notices;
}

} // namespace

void SetUserNotices(UserNotices notices) {
    Installed() = std::move(notices);
}

const UserNotices& CurrentUserNotices() {
    return Installed();
}

} // namespace platform
