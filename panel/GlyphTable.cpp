#include "panel/GlyphTable.h"

#include <algorithm>
#include <initializer_list>

namespace panel {
namespace {

using Page = std::array<std::uint16_t, 256>;

// Each writer below fills codes from `code` on and returns the code after the last it filled.

// `count` consecutive code points starting at `first`.
int Run(Page& p, int code, std::uint16_t first, int count) {
    for (int i = 0; i < count; ++i)
        p[code + i] = static_cast<std::uint16_t>(first + i);
    return code + count;
}

// The code points from `first` to `last` (both included) but those in `skipped`.
int RunWithout(Page& p, int code, std::uint16_t first, std::uint16_t last,
               std::initializer_list<std::uint16_t> skipped) {
    for (std::uint16_t cp = first; cp <= last; ++cp)
        if (std::find(skipped.begin(), skipped.end(), cp) == skipped.end())
            p[code++] = cp;
    return code;
}

// A list of code points.
int List(Page& p, int code, std::initializer_list<std::uint16_t> points) {
    for (std::uint16_t cp : points)
        p[code++] = cp;
    return code;
}

Page EmptyPage() {
    Page p;
    p.fill(kNoGlyph);
    return p;
}

// Page 0: the LCD's native set. Latin letters in ASCII, digits and punctuation in their
// fullwidth forms, a yen sign, two arrows, katakana (JIS X 0201 order, given as the
// U+30xx letters) and a row of Greek and mathematical symbols at the top.
Page BuildPage0() {
    Page p = EmptyPage();
    List(p, 0x00, {0x2580, 0x2585, 0x25AE}); // bar-graph glyphs
    p[0x20] = 0x0020;
    Run(p, 0x21, 0xFF01, 0x1F);
    p[0x2A] = 0x002A;
    p[0x40] = 0xFF20;
    Run(p, 0x41, 0x0041, 0x1B);
    p[0x5C] = 0x00A5;
    Run(p, 0x5D, 0x005D, 3);
    Run(p, 0x60, 0x0060, 0x1E);
    p[0x7E] = 0x2192;
    p[0x7F] = 0x2190;
    List(p, 0xA0,
         {0x3000, 0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7,
          0x30A9, 0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA,
          0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF,
          0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2,
          0x30D5, 0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8,
          0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C});
    List(p, 0xE0,
         {0x03B1, 0x00E4, 0x03B2, 0x03B5, 0x03BC, 0x03C3, 0x03C1, 0x0067, 0x221A, 0x207B, 0x006A,
          0x02E3, 0x00A2, 0x00A3, 0x00F1, 0x00F6, 0x0070, 0x0071, 0x03B8, 0x221E, 0x03A9, 0x00FC,
          0x03A3, 0x03C0, 0x0078, 0x0079, 0x5343, 0x4E07, 0x5186, 0x00F7, 0x3000, 0x2588});
    return p;
}

// Page 1: plain ASCII punctuation and digits, fullwidth capitals, then accented Latin
// letters from 0x80 and Greek letters from 0xD4. 0x10-0x1F hold the arrows and marks of
// the European character set; 0x00-0x0F stay the user-defined glyphs.
Page BuildPage1() {
    Page p = EmptyPage();
    List(p, 0x10,
         {0x25B6, 0x25C0, 0x201C, 0x201D, 0x219F, 0x21A1, 0x25CF, 0x21B5, 0x2191, 0x2193, 0x2192,
          0x2190, 0x2264, 0x2265, 0x25B2, 0x25BC});
    Run(p, 0x20, 0x0020, 0x20);
    p[0x2A] = 0xFF0A;
    p[0x40] = 0xFF20;
    Run(p, 0x41, 0xFF21, 0x1A);
    p[0x47] = 0x0047;
    Run(p, 0x5B, 0xFF3B, 5);
    Run(p, 0x60, 0x0060, 0x1F);
    p[0x7F] = 0x2302;
    // À..ÿ without × and ÷ (62 letters), then 22 letters of Latin Extended-A.
    int code = RunWithout(p, 0x80, 0x00C0, 0x00FF, {0x00D7, 0x00F7});
    List(p, code,
         {0x0152, 0x0153, 0x0160, 0x0161, 0x017D, 0x017E, 0x0178, 0x0104, 0x0105, 0x0106, 0x0107,
          0x0118, 0x0119, 0x0141, 0x0142, 0x0143, 0x0144, 0x015A, 0x015B, 0x0179, 0x017A, 0x017B});
    // α..ω without ς, the capitals unlike Latin ones, then final sigma, the accented
    // lowercase vowels and two variant forms.
    code = RunWithout(p, 0xD4, 0x03B1, 0x03C9, {0x03C2});
    List(p, code, {0x0393, 0x0394, 0x0398, 0x039B, 0x039E, 0x03A0, 0x03A3, 0x03A6, 0x03A8, 0x03A9,
                   0x03C2, 0x03AC, 0x03AD, 0x03AE, 0x03AF, 0x03CC, 0x03CD, 0x03CE, 0x03D1, 0x03D5});
    return p;
}

// Page 2: Latin-1 symbols, Latin Extended-A letters, then Hebrew from 0x80 (letters,
// ligatures and marks, pointed presentation forms, the sheqel sign) and box drawing.
Page BuildPage2() {
    Page p = EmptyPage();
    p[0x20] = 0x0020;
    Run(p, 0x21, 0x00A1, 0x1F);
    p[0x2C] = 0x2011; // the soft hyphen draws nothing; a hard hyphen stands in for it
    Run(p, 0x40, 0x0100, 0x40);
    int code = Run(p, 0x80, 0x05D0, 27);
    code = List(p, code, {0x05F0, 0x05F1, 0x05F2, 0x05F3, 0x05F4, 0x05BE, 0x05C0, 0x05C3, 0xFB1D});
    code = Run(p, code, 0xFB1F, 0x18); // FB1F..FB36
    code = Run(p, code, 0xFB38, 5);
    code = List(p, code, {0xFB3E, 0xFB40, 0xFB41, 0xFB43, 0xFB44});
    code = Run(p, code, 0xFB46, 10);
    p[code++] = 0x20AA;
    code = List(
        p, code,
        {0x2500, 0x2502, 0x250C, 0x2510, 0x2514, 0x2518, 0x251C, 0x2524, 0x252C, 0x2534, 0x253C});
    code = Run(p, code, 0x2550, 29);
    Run(p, code, 0x2581, 7);
    return p;
}

// Page 3: mathematical operators, arrows, geometric shapes and miscellaneous symbols,
// then Cyrillic from 0xA0 (А..я, then Ё, the letters of the other Cyrillic alphabets
// and Ґ).
Page BuildPage3() {
    Page p = EmptyPage();
    p[0x20] = 0x0020;
    Run(p, 0x21, 0x2200, 0x1F);
    Run(p, 0x40, 0x2190, 0x20);
    Run(p, 0x60, 0x25A0, 0x20);
    Run(p, 0x80, 0x2600, 0x20);
    Run(p, 0xA0, 0x0410, 0x40);
    p[0xE0] = 0x0401;
    Run(p, 0xE1, 0x0402, 14);
    p[0xEF] = 0x0451;
    Run(p, 0xF0, 0x0452, 14);
    p[0xFE] = 0x0490;
    p[0xFF] = 0x0491;
    return p;
}

std::array<std::uint16_t, kGlyphCount> BuildTable() {
    std::array<std::uint16_t, kGlyphCount> table{};
    const Page pages[4] = {BuildPage0(), BuildPage1(), BuildPage2(), BuildPage3()};
    for (int page = 0; page < 4; ++page)
        for (int code = 0; code < 256; ++code)
            table[page * 256 + code] = pages[page][code];
    return table;
}

} // namespace

const std::array<std::uint16_t, kGlyphCount>& GlyphTable() {
    static const std::array<std::uint16_t, kGlyphCount> table = BuildTable();
    return table;
}

std::uint16_t GlyphForCell(std::uint16_t cell) {
    return GlyphTable()[cell & 0x3FF];
}

} // namespace panel
