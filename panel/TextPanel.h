// The front panel as terminal text: the LCD rows in UTF-8 framed in a box that keeps its
// shape whatever the glyphs' terminal widths, and the names of the icons shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "panel/FrontPanelBlock.h"

namespace panel {

// Terminal columns a code point takes: 2 for East Asian wide forms (fullwidth digits,
// katakana, ideographs), else 1.
int TerminalColumns(std::uint16_t codePoint);

// The four rows of a mapped screen, each padded with spaces to the widest row's columns,
// inside a box drawn with box-drawing characters.
std::vector<std::string> LcdBox(const ScreenRecord& mapped);

// "Icons: key wheel-nw", or "Icons: none".
std::string IconLine(std::uint32_t shownMask);

} // namespace panel
