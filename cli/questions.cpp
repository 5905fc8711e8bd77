#include "cli/questions.h"

#include <algorithm>
#include <cctype>
#include <ostream>

#include "cli/commands.h"
#include "platform/line_input.h"

namespace cli {

namespace {

class StdConsoleInput final : public IConsoleInput {
  public:
    bool IsTerminal() const override { return platform::StdinIsTerminal(); }
    std::optional<std::string> ReadLine() override { return platform::ReadInputLine(); }
    std::optional<std::string> ReadHiddenLine() override { return platform::ReadHiddenInputLine(); }
};

} // namespace

IConsoleInput& StandardInput() {
    static StdConsoleInput input;
    return input;
}

bool TakeAnswerFlags(std::vector<std::string>& args, Answering& mode, std::string& error) {
    const bool yes = TakeFlag(args, "--yes");
    const bool no = TakeFlag(args, "--no");
    if (yes && no) {
        error = "Give --yes or --no, not both.";
        return false;
    }
    mode = yes ? Answering::AllYes : no ? Answering::AllNo : Answering::Ask;
    return true;
}

Reply Questions::Ask(const std::string& question) {
    if (mode_ == Answering::AllYes)
        return Reply::Yes;
    if (mode_ == Answering::AllNo)
        return Reply::No;
    if (!input_.IsTerminal()) {
        err_ << question << "\n(no terminal to answer: give --yes or --no)\n";
        err_.flush();
        unanswered_ = true;
        return Reply::Unanswered;
    }
    err_ << question << " [y/N] ";
    err_.flush();
    std::optional<std::string> line = input_.ReadLine();
    if (!line) {
        unanswered_ = true;
        return Reply::Unanswered;
    }
    std::string answer = *line;
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return answer == "y" || answer == "yes" ? Reply::Yes : Reply::No;
}

} // namespace cli
