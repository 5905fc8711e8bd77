// The command line's shared helpers: questions answered by --yes/--no, on the terminal or
// left unanswered; the progress line on a terminal and as plain lines; passwords read.
#include <gtest/gtest.h>

#include <deque>
#include <sstream>

#include "cli/password_input.h"
#include "cli/progress.h"
#include "cli/questions.h"

namespace {

struct ScriptedInput : cli::IConsoleInput {
    bool terminal = false;
    std::deque<std::string> lines;
    int hiddenReads = 0;
    bool IsTerminal() const override { return terminal; }
    std::optional<std::string> ReadLine() override {
        if (lines.empty())
            return std::nullopt;
        std::string l = lines.front();
        lines.pop_front();
        return l;
    }
    std::optional<std::string> ReadHiddenLine() override {
        ++hiddenReads;
        return ReadLine();
    }
};

TEST(CliQuestions, FlagsTerminalAndNoTerminal) {
    std::vector<std::string> args = {"x", "--yes"};
    cli::Answering mode;
    std::string error;
    ASSERT_TRUE(cli::TakeAnswerFlags(args, mode, error));
    EXPECT_EQ(mode, cli::Answering::AllYes);
    EXPECT_EQ(args, std::vector<std::string>{"x"});
    args = {"--no", "--yes"};
    EXPECT_FALSE(cli::TakeAnswerFlags(args, mode, error));

    ScriptedInput input;
    std::ostringstream err;
    cli::Questions yes(cli::Answering::AllYes, input, err);
    EXPECT_EQ(yes.Ask("Go?"), cli::Reply::Yes);
    cli::Questions no(cli::Answering::AllNo, input, err);
    EXPECT_EQ(no.Ask("Go?"), cli::Reply::No);
    EXPECT_EQ(err.str(), "");

    cli::Questions piped(cli::Answering::Ask, input, err);
    EXPECT_EQ(piped.Ask("Stop it?"), cli::Reply::Unanswered);
    EXPECT_TRUE(piped.Unanswered());
    EXPECT_EQ(err.str().rfind("Stop it?\n", 0), 0u);

    input.terminal = true;
    input.lines = {"Y", "nope"};
    cli::Questions asked(cli::Answering::Ask, input, err);
    EXPECT_EQ(asked.Ask("Stop it?"), cli::Reply::Yes);
    EXPECT_EQ(asked.Ask("Read them?"), cli::Reply::No);
    EXPECT_EQ(asked.Ask("Again?"), cli::Reply::Unanswered); // end of input
}

TEST(CliProgress, RedrawnLineOnATerminalPlainLinesOtherwise) {
    transfer::TransferProgress p;
    p.stepText = "Erasing datalogs";
    p.percent = 50;
    EXPECT_EQ(cli::ProgressText(p, 10), "Erasing datalogs [#####     ] 50%");
    p.warningVisible = true;
    p.warningText = "Writing update on target and daughter board 12s";
    EXPECT_EQ(cli::ProgressText(p, 4), "Erasing datalogs [##  ] 50% " + p.warningText);

    std::ostringstream term;
    {
        cli::ProgressLine line(term, true);
        line.Show(p);
        p.warningVisible = false;
        line.Show(p);
    }
    const std::string t = term.str();
    EXPECT_EQ(t.front(), '\r');
    EXPECT_EQ(std::count(t.begin(), t.end(), '\r'), 2);
    EXPECT_EQ(t.back(), '\n');
    // The shorter second line blanks what the first left.
    EXPECT_NE(t.find("50%                "), std::string::npos);

    std::ostringstream plain;
    cli::ProgressLine lines(plain, false);
    lines.Show(p);
    lines.Step("Reading init area");
    lines.Step("Reading init area");
    lines.Step("Gathers target data's\nto verify");
    EXPECT_EQ(plain.str(), "Reading init area\nGathers target data's to verify\n");
}

TEST(CliPassword, PromptOnlyOnATerminal) {
    ScriptedInput input;
    input.lines = {"secret"};
    std::ostringstream err;
    EXPECT_EQ(cli::ReadPassword(input, err, "Password : "), "secret");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(input.hiddenReads, 1);
    input.terminal = true;
    input.lines = {"other"};
    EXPECT_EQ(cli::ReadPassword(input, err, "Password : "), "other");
    EXPECT_EQ(err.str(), "Password : ");
    EXPECT_EQ(cli::ReadPassword(input, err, "Password : "), std::nullopt);
}

} // namespace
