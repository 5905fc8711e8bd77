// Keys of the front panel and the bit each one sets in the key mask written at 0x6000.
#pragma once

#include <array>
#include <cstdint>

namespace panel {

// Key order everywhere: A, B, -, +, Esc, Enter, then the Esc+Enter chord.
enum Key : int { kKeyA = 0, kKeyB, kKeyMinus, kKeyPlus, kKeyEsc, kKeyEnter, kKeyChord };
constexpr int kKeyCount = 7;
constexpr int kButtonCount = 6;

using KeyBitRow = std::array<std::uint8_t, kKeyCount>;

// The key bit table: family 0 (kz9) 0x20 0x10 0x08 0x04 0x02 0x01 0x03; families 1 and 2
// (Pask, Trel) 0x20 0x10 0x04 0x02 0x08 0x01 0x09; any other family: all zero.
KeyBitRow KeyBitsForFamily(int family);

// Picture file names of key i (0-5) in the style folder, normal and pressed.
const char* KeyPictureName(int key, bool pressed);
// Style folder of a family below the program folder: "res/kz9Style/", "res/trelStyle/",
// "res/paskStyle/" (family 1 and any other value).
const char* StyleFolder(int family);

} // namespace panel
