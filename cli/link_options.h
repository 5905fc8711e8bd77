// The options given before a command (the link, and --verbose), the link parameter block
// they make, and why their link did not open.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "wire/t71.h"

namespace cli {

constexpr std::uint16_t kDefaultTcpPort = 42424;

enum class LinkKind { None, Usb, Ble, Ethernet };

struct LinkOptions {
    LinkKind kind = LinkKind::None;
    std::string port;                      // USB port, or the BLE dongle's port
    std::array<std::uint8_t, 6> address{}; // BLE device address, least significant byte first
    std::uint32_t host = 0;                // IPv4, first octet in the least significant byte
    std::uint16_t tcpPort = kDefaultTcpPort;
    std::string label;       // --eth LABEL: a controller label, its address found by discovery
    bool verbose = false;    // --verbose: the core's diagnostic lines are shown on standard error
    std::string trafficLog;  // --traffic-log FILE: every transport call of the run, one line each
    std::string historyFile; // --history FILE: the service history to record into and read
};

// How long the check of an Ethernet link waits for the connection: as long as the link's
// own open.
constexpr int kCauseConnectTimeoutMs = 5000;

// Takes the link options from the front of `args` (stopping at the first argument that is not
// one) and removes them. On error returns false with the reason in `error`.
bool ParseLinkOptions(std::vector<std::string>& args, LinkOptions& out, std::string& error);

// "AA:BB:CC:DD:EE:FF", most significant byte first as the connection dialog shows it.
std::optional<std::array<std::uint8_t, 6>> ParseBleAddress(std::string_view text);
// "a.b.c.d" in the host form; nothing for anything else.
std::optional<std::uint32_t> ParseDottedIpv4(std::string_view text);
// A device name the link parameter block can carry: 1 to 7 characters, no '/'.
bool IsValidPortName(std::string_view name);

// The link parameter block for the options (medium, port, address, TCP port).
PARAM_COM MakeParamCom(const LinkOptions& options);
// The program's link kind: 0 USB, 1 BLE, 2 Ethernet.
int ConnectionKindOf(LinkKind kind);

// Why the link of `options` did not open, as one line naming the cause ("ttyACM0: no such
// port in /dev", "10.0.0.7:42424: connection refused"): the USB port or the BLE dongle's
// port is checked, or a TCP connection tried. Empty when the check finds nothing wrong.
std::string LinkOpenCause(const LinkOptions& options);

} // namespace cli
