// What the command line reads from its user: questions and passwords. Commands take it as an
// interface so that tests can play the user.
#pragma once

#include <optional>
#include <string>

namespace cli {

class IConsoleInput {
  public:
    virtual ~IConsoleInput() = default;
    // Whether questions can be asked (standard input is a terminal).
    virtual bool IsTerminal() const = 0;
    virtual std::optional<std::string> ReadLine() = 0;
    // A line typed without echo on a terminal; the first line of a pipe otherwise.
    virtual std::optional<std::string> ReadHiddenLine() = 0;
};

// Standard input of the process.
IConsoleInput& StandardInput();

} // namespace cli
