#include "datalog/DatalogConfig.h"

#include <algorithm>

namespace transfer {

namespace {

// The text of `size` bytes at `p`, up to the first zero.
std::string ZeroTerminated(const std::uint8_t* p, std::size_t size) {
    const std::uint8_t* end = std::find(p, p + size, std::uint8_t(0));
    return std::string(p, end);
}

char SeparatorOr(std::uint8_t byte, char fallback) {
    return byte == 0 ? fallback : char(byte);
}

} // namespace

std::optional<DatalogConfig> DecodeDatalogConfig(std::span<const std::uint8_t> b) {
    const bool longForm = b.size() == kDatalogConfigLong;
    if (!longForm && b.size() != kDatalogConfigShort)
        return std::nullopt;
    DatalogConfig c;
    std::copy_n(b.begin(), c.header.size(), c.header.begin());
    std::size_t at = 20;
    for (int r = 0; r < kDatalogRanges; ++r)
        c.mask[std::size_t(r)] = b[at++];
    if (longForm)
        for (int r = 0; r < kDatalogRanges; ++r)
            c.width[std::size_t(r)] = b[at++];
    c.value = std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 |
              std::uint32_t(b[at + 2]) << 8 | std::uint32_t(b[at + 3]);
    at += 4;
    c.fieldSeparator = SeparatorOr(b[at], ';');
    c.decimalSeparator = SeparatorOr(b[at + 1], ',');
    c.tail = std::uint16_t(b[at + 2] << 8 | b[at + 3]);
    return c;
}

std::size_t DatalogConfigSize(int softwareV, int softwareI) {
    return softwareV == 1 && softwareI > 8 ? kDatalogConfigLong : kDatalogConfigShort;
}

LabelTable DecodeLabelTable(std::span<const std::uint8_t> bytes) {
    LabelTable table;
    for (std::size_t n = 0; n < table.size(); ++n) {
        const std::size_t at = n * kLabelEntrySize;
        if (at + kLabelEntrySize > bytes.size())
            break;
        const std::uint8_t* e = bytes.data() + at;
        table[n].name = ZeroTerminated(e, 24);
        table[n].unit = ZeroTerminated(e + 26, 5);
        table[n].decimals = e[31];
    }
    return table;
}

} // namespace transfer
