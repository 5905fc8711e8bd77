// The datalog configuration and the channel label table, as the datalog transfers use them.
//
// Configuration, communication-board form (read at 0x481191AC; the own-memory models keep
// the 34-byte form at offset 256 of the configuration record):
//   offset 34-byte / 31-byte
//    0-19 / 0-19   header data (kept, not interpreted)
//   20-22 / 20-22  channel masks of ranges 1-8, 9-16, 17-24 (bit k = channel k + 1)
//   23-25 / -      width flags (1 = the range holds 32-bit values; the short form has none)
//   26-29 / 23-26  32-bit value, big-endian (kept, not interpreted)
//   30    / 27     CSV field separator
//   31    / 28     decimal separator
//
// Label table (0x48123A68, 24 entries of 37 bytes, entry n for channel n + 1):
//    0-25  name, zero-terminated, at most 24 characters used
//   26-30  unit, zero-terminated (none when byte 26 is 0)
//   31     decimal places of the channel's values
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace transfer {

constexpr int kDatalogRanges = 3;
constexpr std::size_t kDatalogConfigLong = 34;
constexpr std::size_t kDatalogConfigShort = 31;
constexpr std::size_t kLabelEntrySize = 37;
constexpr std::size_t kLabelTableSize = 24 * kLabelEntrySize;

struct DatalogConfig {
    std::array<std::uint8_t, 20> header{};
    std::array<std::uint8_t, kDatalogRanges> mask{};  // non-zero: the range is present
    std::array<std::int32_t, kDatalogRanges> width{}; // 1: the range holds 32-bit values
    std::uint32_t value = 0;
    char fieldSeparator = ';';
    char decimalSeparator = ',';
    std::uint16_t tail = 0;

    bool RangePresent(int range) const { return mask[std::size_t(range)] != 0; }
    bool RangeWide(int range) const { return width[std::size_t(range)] == 1; }
    bool AnyRange() const { return mask[0] != 0 || mask[1] != 0 || mask[2] != 0; }
};

// The configuration from its 34- or 31-byte form; nullopt for any other size. A zero
// separator (an unset configuration) is replaced by ';' or ',', so that no NUL byte ever
// reaches a text file.
std::optional<DatalogConfig> DecodeDatalogConfig(std::span<const std::uint8_t> bytes);

// Size of the configuration read from a communication board of software V.I.
std::size_t DatalogConfigSize(int softwareV, int softwareI);

// One channel's label: name and unit kept as the controller's single-byte text.
struct ChannelLabel {
    std::string name;
    std::string unit;
    int decimals = 0;
};
using LabelTable = std::array<ChannelLabel, 24>;

// The 888-byte table; a shorter span gives empty labels for the entries it does not hold.
LabelTable DecodeLabelTable(std::span<const std::uint8_t> bytes);

} // namespace transfer
