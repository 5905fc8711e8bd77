#include "platform/terminal_keys.h"

#include <cstring>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

static_assert(sizeof(termios) <= 64, "saved terminal settings do not fit");

RawKeyboard::RawKeyboard() {
    termios mode{};
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &mode) != 0)
        return;
    std::memcpy(saved_, &mode, sizeof mode);
    mode.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ISIG));
    mode.c_cc[VMIN] = 0;
    mode.c_cc[VTIME] = 0;
    raw_ = tcsetattr(STDIN_FILENO, TCSANOW, &mode) == 0;
}

RawKeyboard::~RawKeyboard() {
    if (!raw_)
        return;
    termios mode{};
    std::memcpy(&mode, saved_, sizeof mode);
    tcsetattr(STDIN_FILENO, TCSANOW, &mode);
}

std::string RawKeyboard::Read(int timeoutMs, bool& closed) {
    pollfd pfd{STDIN_FILENO, POLLIN, 0};
    std::string out;
    if (poll(&pfd, 1, timeoutMs) <= 0)
        return out;
    char buf[64];
    const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
    if (n > 0)
        out.assign(buf, static_cast<std::size_t>(n));
    else if (n == 0 || (pfd.revents & (POLLHUP | POLLERR)) != 0)
        closed = true;
    return out;
}

} // namespace platform
