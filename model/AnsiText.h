// Texts stored by the controller: single-byte ANSI (Windows-1252), fixed width, padded with
// spaces or zeros and not terminated. They are read up to the first zero byte, converted to
// UTF-8 and trimmed, so that nothing read from a controller reaches a caller as raw bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace model {

// The bytes up to the first zero (at most `size`) converted from Windows-1252 to UTF-8.
std::string AnsiToUtf8(const std::uint8_t* bytes, std::size_t size);

// Removes trailing spaces only.
std::string TrimTrailingSpaces(std::string text);
// Removes trailing white space (space, tab, line feed, vertical tab, form feed, return).
std::string TrimTrailingWhiteSpace(std::string text);

// A fixed-width field as text with trailing spaces removed (type and expansion names).
inline std::string FieldText(const std::uint8_t* bytes, std::size_t size) {
    return TrimTrailingSpaces(AnsiToUtf8(bytes, size));
}
// A fixed-width field as text with trailing white space removed (codes, paths).
inline std::string FieldCode(const std::uint8_t* bytes, std::size_t size) {
    return TrimTrailingWhiteSpace(AnsiToUtf8(bytes, size));
}

} // namespace model
