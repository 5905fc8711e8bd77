#include "discovery/DiscoveryRows.h"

#include <cstdio>

#include "discovery/CDiscoveryTableHolder.h"
#include "discovery/DiscoveryAddress.h"

namespace discovery {

bool IsManual(const Entry& line) {
    return line.has_ajoutmanuel() && line.ajoutmanuel();
}

std::string PeerText(std::uint32_t code8, std::uint32_t productId) {
    char text[32];
    std::snprintf(text, sizeof text, "%07u%07u", code8, productId);
    return text;
}

DiscoveryRow MakeRow(const Entry& line) {
    DiscoveryRow row;
    row.label = TrimmedLabel(line.label());
    row.clockRef = line.has_isclockref() && line.isclockref() ? kClockRefMark : "";
    row.address = FormatHost(line.host());
    row.peer = PeerText(line.code8(), line.productid());
    row.manual = IsManual(line) ? "y" : "";
    return row;
}

std::string EscapeAmpersands(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '&')
            out += '&';
    }
    return out;
}

std::string UnescapeAmpersands(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&')
            ++i;
    }
    return out;
}

} // namespace discovery
