// The terminal rendering of the front panel: the box keeps its right edge aligned whatever
// mix of narrow and wide glyphs the rows hold, and the icon line names what is shown.
#include <gtest/gtest.h>

#include "FakePanelLink.h"
#include "panel/TextPanel.h"

using namespace panel;

namespace {

// Terminal columns of a UTF-8 line, by decoding it.
int Columns(const std::string& s) {
    int columns = 0;
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::uint32_t cp = c;
        int len = 1;
        if (c >= 0xE0) {
            cp = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
            len = 3;
        } else if (c >= 0xC0) {
            cp = ((c & 0x1F) << 6) | (s[i + 1] & 0x3F);
            len = 2;
        }
        columns += TerminalColumns(static_cast<std::uint16_t>(cp));
        i += static_cast<std::size_t>(len);
    }
    return columns;
}

TEST(TextPanel, BoxRowsLineUpWithWideGlyphs) {
    auto block = paneltest::Block({"12:30", "RUN", "", "ABC"}, 0);
    block[72 + 18] = 1; // row 1 cell 0 on page 1
    const auto raw = DecodeBlock(block.data(), block.size());
    ASSERT_TRUE(raw);
    const auto lines = LcdBox(MapThroughGlyphTable(*raw));
    ASSERT_EQ(lines.size(), 6u);
    const int width = Columns(lines[0]);
    // Five fullwidth characters make the widest row 23 columns: 18 + 5.
    EXPECT_EQ(width, 23 + 4);
    for (const auto& line : lines)
        EXPECT_EQ(Columns(line), width) << line;
    EXPECT_NE(lines[1].find("\xEF\xBC\x91"), std::string::npos); // U+FF11
}

TEST(TextPanel, GlyphWidthsAndIconLine) {
    EXPECT_EQ(TerminalColumns(0xFF10), 2);
    EXPECT_EQ(TerminalColumns(0x30A2), 2);
    EXPECT_EQ(TerminalColumns(0x0041), 1);
    EXPECT_EQ(TerminalColumns(0x05D0), 1);
    EXPECT_EQ(TerminalColumns(0x2192), 1);
    EXPECT_EQ(IconLine(0), "Icons: none");
    EXPECT_EQ(IconLine(IconMask(1, 0)), "Icons: key wheel-nw");
    EXPECT_EQ(IconLine(IconMask(0xFF, 0)),
              "Icons: key screen line wheel-nw wheel-w wheel-sw wheel-se wheel-e wheel-ne");
    EXPECT_EQ(IconLine(1u << 0 | 1u << 12), "Icons: warning");
}

} // namespace
