#include "cli/progress.h"

#include <algorithm>
#include <ostream>

#include "transfer/ProgressPoll.h"

namespace cli {

std::string ProgressText(const transfer::TransferProgress& p, int barWidth) {
    const int filled = std::min<int>(barWidth, p.percent * barWidth / 100);
    std::string text = p.stepText;
    // Step texts of the program may carry a trailing space or a line break.
    std::replace(text.begin(), text.end(), '\n', ' ');
    text += " [" + std::string(std::size_t(filled), '#') +
            std::string(std::size_t(barWidth - filled), ' ') + "] " +
            transfer::PercentText(p.percent);
    if (p.warningVisible && !p.warningText.empty())
        text += " " + p.warningText;
    return text;
}

void ProgressLine::Show(const transfer::TransferProgress& p) {
    if (!terminal_)
        return;
    std::string text = ProgressText(p);
    const std::size_t width = text.size();
    // Blank out what a longer previous line left behind.
    if (width < lastWidth_)
        text += std::string(lastWidth_ - width, ' ');
    lastWidth_ = width;
    err_ << "\r" << text;
    err_.flush();
    lineOpen_ = true;
}

void ProgressLine::Step(const std::string& text) {
    if (terminal_ || text.empty() || text == lastStep_)
        return;
    lastStep_ = text;
    std::string line = text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    err_ << line << "\n";
    err_.flush();
}

void ProgressLine::Break() {
    if (lineOpen_) {
        err_ << "\n";
        err_.flush();
        lineOpen_ = false;
        lastWidth_ = 0;
    }
}

} // namespace cli
