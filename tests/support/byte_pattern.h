// Test data for reads and writes: bytes that differ from their neighbours and from the
// bytes 256 places away, so a shifted, truncated or repeated block shows in a comparison.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

// `n` bytes starting at `seed`.
inline std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = std::uint8_t(seed + 31 * i + (i >> 8));
    return v;
}

} // namespace testsupport
