// The images the simulated controller recognises in its firmware areas. A real image is
// opaque to the PC; the simulator reads a small signature at its start so that an update
// really changes the versions it reports, and so that a cut-short image is noticed.
//
// Image content (offsets from the content start):
//    0  4  "QVIM"
//    4  1  kind (FirmwareImageKind)
//    5  3  version V, I, R
//    8  4  content length in bytes, big-endian (signature included)
//   12  …  filler
// Over Ethernet the whole package block is written (its 11-byte header first), and its last
// 4 bytes carry an integrity word: the signature is looked for in the first 32 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

enum class FirmwareImageKind : std::uint8_t {
    kBaseFirmware = 1,
    kBaseBootloader = 2,
    kTransitionFirmware = 3,
    kBoardFirmware = 4,
    kBoardBootloader = 5,
    kTrelPart1 = 6,
    kTrelPart2 = 7,
};

constexpr std::size_t kImageSignatureSize = 12;
constexpr std::size_t kImageSignatureWindow = 32;

struct ImageSignature {
    FirmwareImageKind kind;
    std::uint8_t v, i, r;
    std::uint32_t length;   // content length, signature included
    std::uint32_t position; // where the signature starts in the written area
};

// An image of `length` bytes (at least the signature) carrying `kind` and the version.
inline std::vector<std::uint8_t> MakeFirmwareImage(FirmwareImageKind kind, std::uint8_t v,
                                                   std::uint8_t i, std::uint8_t r,
                                                   std::uint32_t length) {
    if (length < kImageSignatureSize)
        length = kImageSignatureSize;
    std::vector<std::uint8_t> image(length);
    const std::uint8_t head[kImageSignatureSize] = {'Q',
                                                    'V',
                                                    'I',
                                                    'M',
                                                    std::uint8_t(kind),
                                                    v,
                                                    i,
                                                    r,
                                                    std::uint8_t(length >> 24),
                                                    std::uint8_t(length >> 16),
                                                    std::uint8_t(length >> 8),
                                                    std::uint8_t(length)};
    for (std::size_t k = 0; k < kImageSignatureSize; ++k)
        image[k] = head[k];
    for (std::size_t k = kImageSignatureSize; k < length; ++k)
        image[k] = std::uint8_t(k * 7 + std::size_t(kind));
    return image;
}

// The signature within the first kImageSignatureWindow bytes of `data`, if any.
inline std::optional<ImageSignature> FindImageSignature(const std::uint8_t* data,
                                                        std::size_t size) {
    for (std::size_t at = 0; at + kImageSignatureSize <= size && at < kImageSignatureWindow; ++at) {
        const std::uint8_t* s = data + at;
        if (s[0] != 'Q' || s[1] != 'V' || s[2] != 'I' || s[3] != 'M' || s[4] < 1 || s[4] > 7)
            continue;
        const std::uint32_t length = std::uint32_t(s[8]) << 24 | std::uint32_t(s[9]) << 16 |
                                     std::uint32_t(s[10]) << 8 | s[11];
        return ImageSignature{FirmwareImageKind(s[4]), s[5], s[6], s[7], length, std::uint32_t(at)};
    }
    return std::nullopt;
}

} // namespace sim
