// The hex dump of the read command: 16 bytes a line, each line led by the controller address
// and closed by the printable characters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

std::string HexDump(std::uint32_t address, const std::vector<std::uint8_t>& bytes);

// A number as the read command takes it: "0x" hexadecimal or decimal; nothing when malformed
// or above `max`.
bool ParseNumber(const std::string& text, std::uint32_t max, std::uint32_t& value);

} // namespace cli
