// The progress of a long operation on standard error. On a terminal: one line redrawn in
// place (step text, a bar, the percentage and, during a countdown, its warning text);
// otherwise one plain line per new step text, without carriage returns, so logs stay
// readable.
#pragma once

#include <iosfwd>
#include <string>

#include "transfer/ITransfert.h"

namespace cli {

class ProgressLine {
  public:
    ProgressLine(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}
    ~ProgressLine() { Break(); }

    // Terminal: redraws the line. Otherwise nothing: steps are printed by Step.
    void Show(const transfer::TransferProgress& progress);
    // Otherwise (not a terminal): prints `text` on a line of its own when it is a new step.
    void Step(const std::string& text);
    bool IsTerminal() const { return terminal_; }
    // Ends a redrawn line so that a message can be printed below it.
    void Break();

  private:
    std::ostream& err_;
    bool terminal_;
    bool lineOpen_ = false;
    std::string lastStep_;
    std::size_t lastWidth_ = 0;
};

// The redrawn line's text: "STEP [#####     ] 42%" and, when shown, " WARNING".
std::string ProgressText(const transfer::TransferProgress& progress, int barWidth = 20);

} // namespace cli
