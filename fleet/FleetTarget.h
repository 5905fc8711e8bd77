// The controllers a fleet operation reaches: each by its address (IPv4 and TCP port) and a
// label, from discovery or from a hosts file, kept or left by a shell-style pattern.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "publish_reply.pb.h"

namespace fleet {

constexpr std::uint16_t kDefaultTcpPort = 42424;

struct Target {
    std::string label; // may be empty (a hosts line without one)
    std::string host;  // dotted IPv4
    std::uint16_t port = kDefaultTcpPort;
    std::string code8; // known from discovery only

    // "HOST:PORT", as the link option --eth takes it.
    std::string Address() const;
    // The label, or the address when there is none.
    std::string Name() const;
};

// One `HOST[:PORT] [LABEL]` a line; '#' starts a comment, blank lines are skipped. A host
// name is resolved to its IPv4 address. False with the line's number and the reason in
// `error` for a line that is not of that form.
bool ParseHostsText(std::string_view text, std::vector<Target>& out, std::string& error);
bool ReadHostsFile(const std::string& path, std::vector<Target>& out, std::string& error);

// The controllers of a discovery table, on the controllers' TCP port.
std::vector<Target> TargetsFromTable(const DiscoveryTable& table);

// Whether the shell-style `pattern` matches the target's label, code8 or address (HOST or
// HOST:PORT).
bool Matches(const Target& target, const std::string& pattern);

// Adds the targets of `more` whose address is not already in `targets`. Two controllers with
// the same label at different addresses are both kept.
void Merge(std::vector<Target>& targets, const std::vector<Target>& more);

// The targets `pattern` matches, in order (all of them for an empty pattern).
std::vector<Target> Filter(const std::vector<Target>& targets, const std::string& pattern);

} // namespace fleet
