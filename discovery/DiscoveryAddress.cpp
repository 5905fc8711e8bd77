#include "discovery/DiscoveryAddress.h"

namespace discovery {

std::string FormatHost(std::uint32_t host) {
    return std::to_string(host & 0xFF) + "." + std::to_string((host >> 8) & 0xFF) + "." +
           std::to_string((host >> 16) & 0xFF) + "." + std::to_string(host >> 24);
}

std::optional<std::uint32_t> ParseDotted(std::string_view text) {
    std::uint32_t result = 0;
    std::size_t pos = 0;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
        std::size_t digits = 0;
        std::uint32_t value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
            value = value * 10 + std::uint32_t(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255)
            return std::nullopt;
        result = (result << 8) | value;
    }
    if (pos != text.size())
        return std::nullopt;
    return result;
}

} // namespace discovery
