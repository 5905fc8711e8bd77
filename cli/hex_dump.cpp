#include "cli/hex_dump.h"

#include <charconv>
#include <cstdio>

namespace cli {

std::string HexDump(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char cell[16];
    for (std::size_t line = 0; line < bytes.size(); line += 16) {
        std::snprintf(cell, sizeof cell, "%08X ", unsigned(address + line));
        text += cell;
        std::string printable;
        for (std::size_t i = line; i < line + 16; ++i) {
            if (i < bytes.size()) {
                std::snprintf(cell, sizeof cell, " %02X", bytes[i]);
                text += cell;
                printable += bytes[i] >= 0x20 && bytes[i] < 0x7F ? char(bytes[i]) : '.';
            } else {
                text += "   ";
            }
        }
        text += "  |" + printable + "|\n";
    }
    return text;
}

bool ParseNumber(const std::string& text, std::uint32_t max, std::uint32_t& value) {
    int base = 10;
    std::size_t start = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        start = 2;
    }
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    std::uint64_t parsed = 0;
    auto [end, ec] = std::from_chars(first, last, parsed, base);
    if (first == last || ec != std::errc() || end != last || parsed > max)
        return false;
    value = std::uint32_t(parsed);
    return true;
}

} // namespace cli
