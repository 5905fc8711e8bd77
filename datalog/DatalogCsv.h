// The CSV text of one datalog range: a header line naming the channels, then one line per
// record that holds at least one of them. The text keeps the controller's single-byte
// characters (names and units in Windows-1252) and is built without any size limit.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "datalog/DatalogConfig.h"
#include "datalog/DatalogWalker.h"

namespace transfer {

// Channels of a range that get a column: 4 in a 32-bit range, otherwise 8.
int ChannelsOfRange(const DatalogConfig& config, int range);

// "DATE(DD/MM/YY);TIME(hh:mm:ss);" then, per logged channel, its name (or "DATALOG_n"),
// " (unit)" when it has one, and a separator; "\r\n" at the end.
std::string DatalogCsvHeader(const DatalogConfig& config, const LabelTable& labels, int range);

// `value` in decimal with `decimals` digits after the separator: 5 with two decimals is
// "0.05", -1234 with one is "-123.4". Appended to `out`.
void AppendDatalogValue(std::string& out, std::int32_t value, int decimals, char separator);

// Header and data lines of `range`; nullopt when the range is dropped (a communication-board
// memory that could not be resynchronised after a damaged record).
std::optional<std::string> BuildDatalogCsv(std::span<const std::uint8_t> memory,
                                           DatalogMemoryKind kind, const DatalogConfig& config,
                                           const LabelTable& labels, int range);

} // namespace transfer
