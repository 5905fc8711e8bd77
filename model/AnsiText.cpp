#include "model/AnsiText.h"

namespace model {

namespace {

// Code points of Windows-1252 bytes 0x80-0x9F; the five unassigned bytes keep their own value,
// as the platform's conversion does.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::string AnsiToUtf8(const std::uint8_t* bytes, std::size_t size) {
    std::string out;
    for (std::size_t i = 0; i < size && bytes[i] != 0; ++i) {
        std::uint8_t b = bytes[i];
        AppendUtf8(out, b >= 0x80 && b <= 0x9F ? kHighControls[b - 0x80] : char32_t(b));
    }
    return out;
}

std::string TrimTrailingSpaces(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::string TrimTrailingWhiteSpace(std::string text) {
    while (!text.empty() && IsWhiteSpace(text.back()))
        text.pop_back();
    return text;
}

} // namespace model
