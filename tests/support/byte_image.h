// Byte-image builders for scripted controller memory: fields written one byte at a time at
// their documented offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

inline void PutText(std::vector<std::uint8_t>& image, std::size_t offset, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        image.at(offset + i) = std::uint8_t(text[i]);
}

inline void PutBytes(std::vector<std::uint8_t>& image, std::size_t offset,
                     std::initializer_list<int> bytes) {
    for (int b : bytes)
        image.at(offset++) = std::uint8_t(b);
}

inline void PutU16(std::vector<std::uint8_t>& image, std::size_t offset, unsigned value) {
    image.at(offset) = std::uint8_t(value);
    image.at(offset + 1) = std::uint8_t(value >> 8);
}
