// The two address forms of the discovery channel and their text.
// "host" form (datagrams, table lines, the Ethernet link): a.b.c.d is a + 256*b +
// 65536*c + 16777216*d. "MSB" form (request addresses, the address control): a.b.c.d is
// 16777216*a + 65536*b + 256*c + d. The two differ by a byte swap.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace discovery {

constexpr std::uint32_t SwapAddress(std::uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}
constexpr std::uint32_t HostFromMsb(std::uint32_t msb) {
    return SwapAddress(msb);
}
constexpr std::uint32_t MsbFromHost(std::uint32_t host) {
    return SwapAddress(host);
}

// "%d.%d.%d.%d" with the octets taken from a host-form address, least significant first.
std::string FormatHost(std::uint32_t host);

// A dotted IPv4 address "a.b.c.d" (four decimal octets 0-255, nothing else) in MSB form.
std::optional<std::uint32_t> ParseDotted(std::string_view text);

} // namespace discovery
