#include "panel/TextPanel.h"

#include <algorithm>

#include "panel/GlyphTable.h"
#include "panel/PanelLook.h"

namespace panel {

int TerminalColumns(std::uint16_t cp) {
    const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                      (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                      (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                      (cp >= 0xFFE0 && cp <= 0xFFE6);
    return wide ? 2 : 1;
}

namespace {

int RowColumns(const ScreenRecord& mapped, int row) {
    int columns = 0;
    for (int col = 0; col < kLcdColumns; ++col) {
        const std::uint16_t cp = mapped.cells[row * kLcdColumns + col];
        columns += cp == kNoGlyph ? 1 : TerminalColumns(cp);
    }
    return columns;
}

std::string Repeat(const char* piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

} // namespace

std::vector<std::string> LcdBox(const ScreenRecord& mapped) {
    int width = kLcdColumns;
    for (int row = 0; row < kLcdRows; ++row)
        width = std::max(width, RowColumns(mapped, row));
    std::vector<std::string> lines;
    lines.push_back("\u250C" + Repeat("\u2500", width + 2) + "\u2510");
    for (int row = 0; row < kLcdRows; ++row)
        lines.push_back(
            "\u2502 " + LcdRowUtf8(mapped, row) +
            std::string(static_cast<std::size_t>(width - RowColumns(mapped, row)), ' ') +
            " \u2502");
    lines.push_back("\u2514" + Repeat("\u2500", width + 2) + "\u2518");
    return lines;
}

std::string IconLine(std::uint32_t shownMask) {
    std::string line = "Icons:";
    bool any = false;
    for (int i = 0; i < kIconCount; ++i) {
        if (!IconShown(shownMask, i))
            continue;
        line += ' ';
        line += IconTable()[i].meaning;
        any = true;
    }
    if (!any)
        line += " none";
    return line;
}

} // namespace panel
