// The controller's 156-byte front-panel block (read at 0x6000) and its decoded form.
//
//   offset size  meaning
//   0      72    character codes, 4 rows of 18 cells (cell k: row k / 18, column k % 18)
//   72     72    attribute of each cell; bits 0-1 = character page; 0xFF in cell 0 marks
//                a block that must not replace the screen
//   144    1     copied, not interpreted
//   145    1     icon byte
//   146    4     icon word, unsigned 32-bit little-endian
//   150    6     not used
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace panel {

constexpr int kLcdRows = 4;
constexpr int kLcdColumns = 18;
constexpr int kLcdCells = kLcdRows * kLcdColumns;
constexpr std::size_t kBlockSize = 156;
// The decoder needs the bytes up to the icon word; the last six are not used.
constexpr std::size_t kBlockBytesUsed = 150;
constexpr int kIconCount = 10;

// The decoded screen: cells as (attribute << 8) | code, or, once stored by the view,
// as the glyph table's code points.
struct ScreenRecord {
    std::array<std::uint16_t, kLcdCells> cells{};
    std::uint8_t copy144 = 0;
    std::uint8_t iconByte = 0;
    std::uint32_t iconWord = 0;
    std::uint32_t constant = 3;
};

// Decodes a block; nullopt when fewer than kBlockBytesUsed bytes are given (a short
// answer is never read past its end).
std::optional<ScreenRecord> DecodeBlock(const std::uint8_t* data, std::size_t size);

// Whether the block must not replace the displayed screen (attribute 0xFF in cell 0).
bool KeepsPreviousScreen(const ScreenRecord& raw);

// The record with each cell replaced by the glyph table's code point for it.
ScreenRecord MapThroughGlyphTable(const ScreenRecord& raw);

// The "COMMUNICATION" / "ERROR" screen shown when the front-panel read failed; its cells
// are already code points.
ScreenRecord ErrorScreen();

// Icons shown: ((iconByte × 8) | iconByte) × 2 | iconWord, bit i = icon i.
std::uint32_t IconMask(std::uint8_t iconByte, std::uint32_t iconWord);
bool IconShown(std::uint32_t mask, int icon);

// The LCD text of a mapped record as the view draws it: the four rows joined by " \n".
std::u16string LcdText(const ScreenRecord& mapped);
// One row of a mapped record in UTF-8; cells without a glyph become spaces.
std::string LcdRowUtf8(const ScreenRecord& mapped, int row);

// UTF-8 of one UTF-16 code unit (surrogates and the no-glyph mark become a space).
std::string Utf8Of(std::uint16_t codeUnit);

} // namespace panel
