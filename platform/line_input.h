// Lines typed by the user of a command-line tool: whether standard input and standard error
// are terminals, a line from standard input, and a line read without echo (passwords).
#pragma once

#include <optional>
#include <string>

namespace platform {

bool StdinIsTerminal();
bool StderrIsTerminal();
// One line of standard input without its line end; nothing at end of input.
std::optional<std::string> ReadInputLine();
// As ReadInputLine, with the terminal's echo off while the line is typed (restored after).
std::optional<std::string> ReadHiddenInputLine();

} // namespace platform
