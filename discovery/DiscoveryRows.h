// How a discovery-table line reads in the Ethernet dialog and on the command line.
#pragma once

#include <cstdint>
#include <string>

#include "publish_reply.pb.h"

namespace discovery {

// U+25DB, the clock-reference mark.
inline constexpr const char* kClockRefMark = "\xE2\x97\x9B";

struct DiscoveryRow {
    std::string label;    // first 18 characters, trimmed
    std::string clockRef; // kClockRefMark or ""
    std::string address;  // "a.b.c.d"
    std::string peer;     // "%07d" code8 then "%07d" productId
    std::string manual;   // "y" or ""
};

DiscoveryRow MakeRow(const Entry& line);
bool IsManual(const Entry& line);

// The peer name of a controller: "%07d" of code8 followed by "%07d" of productId.
std::string PeerText(std::uint32_t code8, std::uint32_t productId);

// A list control shows "&" as a mnemonic marker: the label is written with each "&" doubled
// and read back with the doubling undone.
std::string EscapeAmpersands(const std::string& text);
std::string UnescapeAmpersands(const std::string& text);

} // namespace discovery
