#include "panel/FrontPanelBlock.h"

#include <string_view>

#include "panel/GlyphTable.h"

namespace panel {
namespace {

constexpr std::size_t kAttributeOffset = 72;
constexpr std::size_t kCopyOffset = 144;
constexpr std::size_t kIconByteOffset = 145;
constexpr std::size_t kIconWordOffset = 146;

void PutText(ScreenRecord& screen, int firstCell, std::string_view text) {
    for (char c : text)
        screen.cells[firstCell++] = static_cast<std::uint16_t>(static_cast<unsigned char>(c));
}

} // namespace

std::optional<ScreenRecord> DecodeBlock(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < kBlockBytesUsed)
        return std::nullopt;
    ScreenRecord r;
    for (int k = 0; k < kLcdCells; ++k)
        r.cells[k] = static_cast<std::uint16_t>((data[kAttributeOffset + k] << 8) | data[k]);
    r.copy144 = data[kCopyOffset];
    r.iconByte = data[kIconByteOffset];
    const std::uint8_t* w = data + kIconWordOffset;
    r.iconWord = static_cast<std::uint32_t>(w[0]) | (static_cast<std::uint32_t>(w[1]) << 8) |
                 (static_cast<std::uint32_t>(w[2]) << 16) |
                 (static_cast<std::uint32_t>(w[3]) << 24);
    r.constant = 3;
    return r;
}

bool KeepsPreviousScreen(const ScreenRecord& raw) {
    return (raw.cells[0] >> 8) == 0xFF;
}

ScreenRecord MapThroughGlyphTable(const ScreenRecord& raw) {
    ScreenRecord mapped = raw;
    for (auto& cell : mapped.cells)
        cell = GlyphForCell(cell);
    return mapped;
}

ScreenRecord ErrorScreen() {
    ScreenRecord r;
    r.cells.fill(0x0020);
    PutText(r, 1 * kLcdColumns + 3, "COMMUNICATION");
    PutText(r, 2 * kLcdColumns + 6, "ERROR");
    r.copy144 = 0xFF;
    r.iconByte = 0xFF;
    r.iconWord = 0;
    return r;
}

std::uint32_t IconMask(std::uint8_t iconByte, std::uint32_t iconWord) {
    const std::uint32_t b = iconByte;
    return (((b * 8) | b) * 2) | iconWord;
}

bool IconShown(std::uint32_t mask, int icon) {
    return icon >= 0 && icon < 32 && ((mask >> icon) & 1u) != 0;
}

std::u16string LcdText(const ScreenRecord& mapped) {
    std::u16string text;
    text.reserve(kLcdCells + 2 * (kLcdRows - 1));
    for (int row = 0; row < kLcdRows; ++row) {
        if (row > 0)
            text += u" \n";
        for (int col = 0; col < kLcdColumns; ++col)
            text += static_cast<char16_t>(mapped.cells[row * kLcdColumns + col]);
    }
    return text;
}

std::string Utf8Of(std::uint16_t cu) {
    std::string out;
    if (cu == kNoGlyph || (cu >= 0xD800 && cu <= 0xDFFF) || cu < 0x20) {
        out += ' ';
    } else if (cu < 0x80) {
        out += static_cast<char>(cu);
    } else if (cu < 0x800) {
        out += static_cast<char>(0xC0 | (cu >> 6));
        out += static_cast<char>(0x80 | (cu & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cu >> 12));
        out += static_cast<char>(0x80 | ((cu >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cu & 0x3F));
    }
    return out;
}

std::string LcdRowUtf8(const ScreenRecord& mapped, int row) {
    std::string out;
    if (row < 0 || row >= kLcdRows)
        return out;
    for (int col = 0; col < kLcdColumns; ++col)
        out += Utf8Of(mapped.cells[row * kLcdColumns + col]);
    return out;
}

} // namespace panel
