// Reading a password on the standard input: on a terminal the prompt goes to the terminal
// and the typed line is not echoed; from a pipe or a file the next line is taken as it is.
#pragma once

#include <string>

namespace platform {

// Whether the standard input is a terminal.
bool StdinIsTerminal();

// Reads one line into `line` (without its end of line). On a terminal `prompt` is written to
// standard error first and echo is off while the line is typed. False at the end of the
// input, with `line` empty.
bool ReadHiddenLine(const std::string& prompt, std::string& line);

} // namespace platform
