// The LCD glyph table: controller glyph (character page × 256 + character code) → the
// UTF-16 code unit the LCD font draws for it. 0xFFFF marks a glyph with nothing to draw
// (the controller's user-defined glyphs and unused codes).
#pragma once

#include <array>
#include <cstdint>

namespace panel {

constexpr std::uint16_t kNoGlyph = 0xFFFF;
constexpr std::size_t kGlyphCount = 1024;

// The whole table, built once.
const std::array<std::uint16_t, kGlyphCount>& GlyphTable();

// The code point for a screen cell ((attribute << 8) | code): its low 10 bits index the
// table, so only attribute bits 0-1 (the page) matter.
std::uint16_t GlyphForCell(std::uint16_t cell);

} // namespace panel
