#include "fleet/FleetTarget.h"

#include <algorithm>
#include <charconv>
#include <fnmatch.h>
#include <fstream>
#include <sstream>

#include "discovery/DiscoveryAddress.h"
#include "discovery/DiscoveryRows.h"
#include "discovery/DiscoveryWait.h"

namespace fleet {

namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// HOST[:PORT] into `target`; the reason in `error` otherwise.
bool ParseAddress(std::string_view text, Target& target, std::string& error) {
    std::string_view host = text;
    target.port = kDefaultTcpPort;
    if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        const std::string_view p = text.substr(colon + 1);
        unsigned value = 0;
        auto [end, ec] = std::from_chars(p.data(), p.data() + p.size(), value);
        if (p.empty() || ec != std::errc() || end != p.data() + p.size() || value == 0 ||
            value > 65535) {
            error = "invalid TCP port \"" + std::string(p) + "\"";
            return false;
        }
        target.port = std::uint16_t(value);
    }
    const std::string name(host);
    std::optional<std::uint32_t> address = discovery::ParseDotted(name);
    if (!address && !name.empty())
        address = discovery::ResolveHostName(name);
    if (!address) {
        error = "unknown host \"" + name + "\"";
        return false;
    }
    target.host = discovery::FormatHost(discovery::HostFromMsb(*address));
    return true;
}

} // namespace

std::string Target::Address() const {
    return host + ":" + std::to_string(port);
}

std::string Target::Name() const {
    return label.empty() ? Address() : label;
}

bool ParseHostsText(std::string_view text, std::vector<Target>& out, std::string& error) {
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++lineNumber;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        line = Trim(line);
        if (line.empty())
            continue;
        const std::size_t space = line.find_first_of(" \t");
        Target target;
        std::string reason;
        if (!ParseAddress(line.substr(0, space), target, reason)) {
            error = "line " + std::to_string(lineNumber) + ": " + reason;
            return false;
        }
        if (space != std::string_view::npos)
            target.label = std::string(Trim(line.substr(space)));
        out.push_back(std::move(target));
    }
    return true;
}

bool ReadHostsFile(const std::string& path, std::vector<Target>& out, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the hosts file " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!ParseHostsText(text.str(), out, error)) {
        error = path + ", " + error;
        return false;
    }
    return true;
}

bool Matches(const Target& target, const std::string& pattern) {
    for (const std::string& text : {target.label, target.code8, target.host, target.Address()})
        if (!text.empty() && ::fnmatch(pattern.c_str(), text.c_str(), 0) == 0)
            return true;
    return false;
}

void Merge(std::vector<Target>& targets, const std::vector<Target>& more) {
    for (const Target& t : more) {
        const bool known = std::any_of(targets.begin(), targets.end(), [&](const Target& k) {
            return k.host == t.host && k.port == t.port;
        });
        if (!known)
            targets.push_back(t);
    }
}

std::vector<Target> Filter(const std::vector<Target>& targets, const std::string& pattern) {
    std::vector<Target> kept;
    for (const Target& t : targets)
        if (pattern.empty() || Matches(t, pattern))
            kept.push_back(t);
    return kept;
}

std::vector<Target> TargetsFromTable(const DiscoveryTable& table) {
    std::vector<Target> targets;
    for (const Entry& e : table.ligne()) {
        const discovery::DiscoveryRow row = discovery::MakeRow(e);
        targets.push_back(
            Target{row.label, row.address, kDefaultTcpPort, std::to_string(e.code8())});
    }
    return targets;
}

} // namespace fleet
