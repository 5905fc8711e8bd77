#include "platform/line_input.h"

#include <cstdio>

#include <termios.h>
#include <unistd.h>

namespace platform {

bool StdinIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

std::optional<std::string> ReadInputLine() {
    std::string line;
    int c = 0;
    bool any = false;
    // Byte by byte from the descriptor: nothing beyond the line is taken from the input.
    char ch = 0;
    while ((c = int(read(STDIN_FILENO, &ch, 1))) == 1) {
        any = true;
        if (ch == '\n')
            break;
        line.push_back(ch);
    }
    if (!any)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::optional<std::string> ReadHiddenInputLine() {
    termios saved{};
    const bool terminal = isatty(STDIN_FILENO) == 1 && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::optional<std::string> line = ReadInputLine();
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputc('\n', stderr); // the Enter the user typed was not echoed
    }
    return line;
}

} // namespace platform
