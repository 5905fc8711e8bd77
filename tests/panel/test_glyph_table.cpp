// The glyph table against the rows the controller's LCD fixes, and every other entry
// against the script its range belongs to.
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "panel/GlyphTable.h"

using panel::GlyphTable;
using panel::kNoGlyph;

namespace {

std::uint16_t G(int page, int code) {
    return GlyphTable()[page * 256 + code];
}

bool InRange(std::uint16_t cp, std::uint16_t lo, std::uint16_t hi) {
    return cp >= lo && cp <= hi;
}

TEST(GlyphTable, PageZeroFixedRows) {
    EXPECT_EQ(G(0, 0x00), 0x2580);
    EXPECT_EQ(G(0, 0x01), 0x2585);
    EXPECT_EQ(G(0, 0x02), 0x25AE);
    EXPECT_EQ(G(0, 0x20), 0x0020);
    for (int c = 0x21; c <= 0x3F; ++c)
        EXPECT_EQ(G(0, c), c == 0x2A ? 0x002A : 0xFF01 + (c - 0x21)) << std::hex << c;
    for (int d = 0; d < 10; ++d)
        EXPECT_EQ(G(0, 0x30 + d), 0xFF10 + d);
    EXPECT_EQ(G(0, 0x40), 0xFF20);
    for (int c = 0x41; c <= 0x5B; ++c)
        EXPECT_EQ(G(0, c), c);
    EXPECT_EQ(G(0, 0x5C), 0x00A5);
    for (int c = 0x60; c <= 0x7D; ++c)
        EXPECT_EQ(G(0, c), c);
    EXPECT_EQ(G(0, 0x7E), 0x2192);
    EXPECT_EQ(G(0, 0x7F), 0x2190);
    for (int c = 0x03; c <= 0x1F; ++c)
        EXPECT_EQ(G(0, c), kNoGlyph);
    for (int c = 0x80; c <= 0x9F; ++c)
        EXPECT_EQ(G(0, c), kNoGlyph);
    // The letters of the katakana rows are U+30xx.
    for (int c = 0xA6; c <= 0xDF; ++c)
        EXPECT_TRUE(InRange(G(0, c), 0x3099, 0x30FF)) << std::hex << c;
}

TEST(GlyphTable, PageOneFixedRowsAndScripts) {
    for (int c = 0x20; c <= 0x3F; ++c)
        EXPECT_EQ(G(1, c), c == 0x2A ? 0xFF0A : c) << std::hex << c;
    for (int c = 0x41; c <= 0x5A; ++c)
        EXPECT_EQ(G(1, c), c == 0x47 ? 0x0047 : 0xFF21 + (c - 0x41)) << std::hex << c;
    for (int c = 0x80; c < 0xD4; ++c) {
        const std::uint16_t cp = G(1, c);
        EXPECT_TRUE(InRange(cp, 0x00C0, 0x017F) && cp != 0x00D7 && cp != 0x00F7) << std::hex << c;
    }
    for (int c = 0xD4; c <= 0xFF; ++c)
        EXPECT_TRUE(InRange(G(1, c), 0x0370, 0x03FF)) << std::hex << c;
}

TEST(GlyphTable, PagesTwoAndThreeScripts) {
    for (int page = 2; page <= 3; ++page)
        for (int c = 0x00; c <= 0x1F; ++c)
            EXPECT_EQ(G(page, c), kNoGlyph);
    for (int i = 0; i < 27; ++i)
        EXPECT_EQ(G(2, 0x80 + i), 0x05D0 + i); // alef .. tav
    for (int c = 0x9B; c < 0xD0; ++c) {
        const std::uint16_t cp = G(2, c);
        EXPECT_TRUE(InRange(cp, 0x0590, 0x05FF) || InRange(cp, 0xFB1D, 0xFB4F)) << std::hex << c;
    }
    for (int c = 0x40; c <= 0x7F; ++c)
        EXPECT_TRUE(InRange(G(2, c), 0x0100, 0x017F));
    for (int c = 0xA0; c <= 0xFF; ++c)
        EXPECT_TRUE(InRange(G(3, c), 0x0400, 0x04FF)) << std::hex << c;
    EXPECT_EQ(G(3, 0xA0), 0x0410); // А
    EXPECT_EQ(G(3, 0xDF), 0x044F); // я
}

// Every glyph the LCD can draw has one drawable code point: no control character, no
// surrogate, and no two glyphs of a page mapped to the same letter by an off-by-one (the
// descender letters g j p q x y of page 0's top row deliberately repeat their ASCII
// forms).
TEST(GlyphTable, EveryEntryDrawableAndPagesWithoutDuplicates) {
    for (int page = 0; page < 4; ++page) {
        std::vector<std::uint16_t> seen;
        for (int c = 0; c < 256; ++c) {
            const std::uint16_t cp = G(page, c);
            if (cp == kNoGlyph)
                continue;
            EXPECT_GE(cp, 0x20) << page << ":" << c;
            EXPECT_FALSE(InRange(cp, 0x7F, 0x9F)) << page << ":" << c;
            EXPECT_FALSE(InRange(cp, 0xD800, 0xDFFF)) << page << ":" << c;
            if (cp != 0x0020 && cp != 0x3000 && !(page == 0 && c >= 0xE0 && cp < 0x80)) {
                EXPECT_EQ(std::count(seen.begin(), seen.end(), cp), 0)
                    << "page " << page << " code " << std::hex << c;
                seen.push_back(cp);
            }
        }
    }
}

TEST(GlyphTable, CellIndexUsesOnlyPageBits) {
    EXPECT_EQ(panel::GlyphForCell(0x0031), 0xFF11);
    EXPECT_EQ(panel::GlyphForCell(0x0131), 0x0031);
    EXPECT_EQ(panel::GlyphForCell(0x0431), 0xFF11); // attribute 4: page 0
    EXPECT_EQ(panel::GlyphForCell(0xFF41), G(3, 0x41));
}

} // namespace
