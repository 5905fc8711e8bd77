#include "platform/terminal_password.h"

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace platform {

namespace {

// Echo off for the life of the object, on a terminal; the settings come back on every path.
class EchoOff {
  public:
    EchoOff() {
        if (::tcgetattr(STDIN_FILENO, &saved_) != 0)
            return;
        termios quiet = saved_;
        quiet.c_lflag &= ~tcflag_t(ECHO | ECHONL);
        quiet.c_lflag |= ICANON;
        active_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (active_)
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    termios saved_{};
    bool active_ = false;
};

// One line read a byte at a time, so that nothing past it is taken from the input: the next
// question reads the next line.
bool ReadLine(std::string& line) {
    line.clear();
    line.reserve(256); // no reallocation leaves a copy of a password behind
    bool any = false;
    char c = 0;
    while (true) {
        ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n <= 0)
            return any;
        any = true;
        if (c == '\n')
            break;
        line.push_back(c);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

} // namespace

bool StdinIsTerminal() {
    return ::isatty(STDIN_FILENO) == 1;
}

bool ReadHiddenLine(const std::string& prompt, std::string& line) {
    if (!StdinIsTerminal())
        return ReadLine(line);
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    bool read = false;
    {
        EchoOff quiet;
        read = ReadLine(line);
    }
    std::fputs("\n", stderr); // the end of line the terminal did not echo
    return read;
}

} // namespace platform
