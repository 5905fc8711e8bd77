#include "comm/PortEnumeration.h"

#include "platform/port_scan.h"

namespace comm {

namespace {

constexpr std::size_t kMaxPortChars = 7;

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::string_view InnerText(std::string_view name) {
    std::size_t open = name.find('(');
    std::size_t close = name.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return name;
    return name.substr(open + 1, close - open - 1);
}

bool IsPortNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

} // namespace

void AnnotatePortList(std::vector<std::string>& entries,
                      const std::vector<std::string>& friendlyNames) {
    for (const std::string& name : friendlyNames) {
        std::string_view inner = InnerText(name);
        for (std::string& entry : entries) {
            if (!Contains(name, entry) || !Contains(entry, inner))
                continue;
            if (Contains(name, "kz9") || Contains(name, "Vellmor "))
                entry += kUsbMark;
            else if (Contains(name, "Bluegiga Bluetooth Low Energy"))
                entry += kBleMark;
            break;
        }
    }
}

std::vector<std::string> BuildPortList(const std::vector<std::string>& portNames,
                                       const std::vector<std::string>& friendlyNames) {
    std::vector<std::string> entries = portNames;
    if (entries.empty())
        entries.push_back(kNoActivePorts);
    AnnotatePortList(entries, friendlyNames);
    return entries;
}

std::string PortNameFromEntry(std::string_view entry) {
    std::size_t n = 0;
    while (n < entry.size() && n < kMaxPortChars && IsPortNameChar(entry[n]))
        ++n;
    return std::string(entry.substr(0, n));
}

std::vector<std::string>& PortList() {
    static std::vector<std::string> list;
    return list;
}

const std::vector<std::string>& EnumeratePorts() {
    std::vector<std::string> names, friendly;
    for (const platform::SerialPortInfo& port : platform::ScanSerialPorts()) {
        names.push_back(port.name);
        if (!port.friendlyName.empty())
            friendly.push_back(port.friendlyName);
    }
    PortList() = BuildPortList(names, friendly);
    return PortList();
}

} // namespace comm
