// The questions a command asks before it changes anything (stop the running controller?
// read the datalogs first?), answered the same way by every command group:
//   --yes answers every question Yes, --no every question No; without either the question
//   is asked on the terminal ("y" or "yes" is Yes, anything else No); when standard input is
//   not a terminal, the question is printed on standard error and stays unanswered: the
//   command then ends with exit status 2 having changed nothing.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/console_input.h"

namespace cli {

enum class Answering { Ask, AllYes, AllNo };

// Takes --yes and --no out of `args`. Both given: false with the reason in `error`.
bool TakeAnswerFlags(std::vector<std::string>& args, Answering& mode, std::string& error);

enum class Reply { Yes, No, Unanswered };

class Questions {
  public:
    Questions(Answering mode, IConsoleInput& input, std::ostream& err)
        : mode_(mode), input_(input), err_(err) {}

    Reply Ask(const std::string& question);
    // Whether a question was left unanswered (the command must exit with status 2).
    bool Unanswered() const { return unanswered_; }

  private:
    Answering mode_;
    IConsoleInput& input_;
    std::ostream& err_;
    bool unanswered_ = false;
};

} // namespace cli
