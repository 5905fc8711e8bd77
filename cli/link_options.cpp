#include "cli/link_options.h"

#include <charconv>

#include "platform/link_cause.h"
#include "platform/net_adapters.h"

namespace cli {

namespace {

constexpr std::uint32_t kMediumSerial = 0, kMediumEthernet = 1, kMediumBle = 2;

bool ParseByteHex(std::string_view text, std::uint8_t& value) {
    if (text.size() != 2)
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + 2, value, 16);
    return ec == std::errc() && end == text.data() + 2;
}

bool ParseHost(std::string_view text, LinkOptions& out, std::string& error) {
    std::string_view host = text;
    std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        host = text.substr(0, colon);
        std::string_view port = text.substr(colon + 1);
        unsigned value = 0;
        auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (port.empty() || ec != std::errc() || end != port.data() + port.size() || value == 0 ||
            value > 65535) {
            error = "Invalid TCP port: " + std::string(port);
            return false;
        }
        out.tcpPort = std::uint16_t(value);
    }
    if (std::optional<std::uint32_t> dotted = ParseDottedIpv4(host)) {
        out.host = *dotted;
        return true;
    }
    std::optional<std::uint32_t> resolved;
    if (!host.empty())
        resolved = platform::ResolveIpv4(std::string(host));
    if (!resolved) {
        if (host.empty()) {
            error = "Unknown host: " + std::string(host);
            return false;
        }
        // Neither an address nor a host name: a controller label, looked up by discovery.
        out.label = std::string(host);
        return true;
    }
    out.host = *resolved;
    return true;
}

} // namespace

std::optional<std::array<std::uint8_t, 6>> ParseBleAddress(std::string_view text) {
    if (text.size() != 17)
        return std::nullopt;
    std::array<std::uint8_t, 6> address{};
    for (std::size_t i = 0; i < 6; ++i) {
        if (i > 0 && text[i * 3 - 1] != ':')
            return std::nullopt;
        if (!ParseByteHex(text.substr(i * 3, 2), address[5 - i]))
            return std::nullopt;
    }
    return address;
}

std::optional<std::uint32_t> ParseDottedIpv4(std::string_view text) {
    std::uint32_t host = 0;
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0) {
            if (p == end || *p != '.')
                return std::nullopt;
            ++p;
        }
        unsigned value = 0;
        auto [next, ec] = std::from_chars(p, end, value);
        if (ec != std::errc() || next == p || next - p > 3 || value > 255)
            return std::nullopt;
        host |= value << (8 * octet);
        p = next;
    }
    return p == end ? std::optional<std::uint32_t>(host) : std::nullopt;
}

bool IsValidPortName(std::string_view name) {
    return !name.empty() && name.size() <= paramcom::kMaxPortChars &&
           name.find('/') == std::string_view::npos && name != "." && name != "..";
}

bool ParseLinkOptions(std::vector<std::string>& args, LinkOptions& out, std::string& error) {
    std::size_t i = 0;
    bool haveAddress = false;
    auto value = [&](const char* option) -> const std::string* {
        if (i + 1 >= args.size()) {
            error = std::string("Missing value after ") + option;
            return nullptr;
        }
        return &args[++i];
    };
    auto chooseKind = [&](LinkKind kind) {
        if (out.kind != LinkKind::None && out.kind != kind) {
            error = "Choose one link: --usb, --ble or --eth";
            return false;
        }
        out.kind = kind;
        return true;
    };
    for (; i < args.size(); ++i) {
        const std::string& option = args[i];
        const std::string* v = nullptr;
        if (option == "--usb" || option == "--ble") {
            bool usb = option == "--usb";
            if (!chooseKind(usb ? LinkKind::Usb : LinkKind::Ble) || !(v = value(option.c_str())))
                return false;
            if (!IsValidPortName(*v)) {
                error = "Invalid port name (a device name of at most 7 characters): " + *v;
                return false;
            }
            out.port = *v;
        } else if (option == "--address") {
            if (!(v = value("--address")))
                return false;
            std::optional<std::array<std::uint8_t, 6>> address = ParseBleAddress(*v);
            if (!address) {
                error = "Invalid BLE address (AA:BB:CC:DD:EE:FF): " + *v;
                return false;
            }
            out.address = *address;
            haveAddress = true;
        } else if (option == "--traffic-log") {
            if (!(v = value("--traffic-log")))
                return false;
            out.trafficLog = *v;
        } else if (option == "--history") {
            if (!(v = value("--history")))
                return false;
            out.historyFile = *v;
        } else if (option == "--verbose") {
            out.verbose = true;
        } else if (option == "--eth") {
            if (!chooseKind(LinkKind::Ethernet) || !(v = value("--eth")) ||
                !ParseHost(*v, out, error))
                return false;
        } else {
            break;
        }
    }
    args.erase(args.begin(), args.begin() + std::ptrdiff_t(i));
    if (out.kind == LinkKind::Ble && !haveAddress) {
        error = "--ble needs --address AA:BB:CC:DD:EE:FF";
        return false;
    }
    if (out.kind != LinkKind::Ble && haveAddress) {
        error = "--address goes with --ble";
        return false;
    }
    return true;
}

PARAM_COM MakeParamCom(const LinkOptions& options) {
    PARAM_COM p = paramcom::Initial();
    switch (options.kind) {
    case LinkKind::Usb:
    case LinkKind::None:
        if (!options.port.empty())
            paramcom::SetString(p, paramcom::kPortName, paramcom::kPortNameSize, options.port,
                                paramcom::kMaxPortChars);
        paramcom::SetU32(p, paramcom::kMedium, kMediumSerial);
        break;
    case LinkKind::Ble:
        paramcom::SetU32(p, paramcom::kMedium, kMediumBle);
        paramcom::SetBleAddressRaw(p, options.address.data());
        paramcom::SetString(p, paramcom::kDonglePort, paramcom::kDonglePortSize, options.port,
                            paramcom::kMaxPortChars);
        break;
    case LinkKind::Ethernet:
        paramcom::SetU32(p, paramcom::kMedium, kMediumEthernet);
        paramcom::SetU32(p, paramcom::kIpAddress, options.host);
        paramcom::SetU32(p, paramcom::kTcpPort, options.tcpPort);
        break;
    }
    return p;
}

int ConnectionKindOf(LinkKind kind) {
    switch (kind) {
    case LinkKind::Ble:
        return 1;
    case LinkKind::Ethernet:
        return 2;
    default:
        return 0;
    }
}

std::string LinkOpenCause(const LinkOptions& options) {
    switch (options.kind) {
    case LinkKind::Usb:
        return platform::SerialPortCause(options.port);
    case LinkKind::Ble:
        return platform::BleLinkCause(options.address.data(), options.port);
    case LinkKind::Ethernet:
        return platform::TcpConnectCause(options.host, options.tcpPort, kCauseConnectTimeoutMs);
    case LinkKind::None:
        break;
    }
    return {};
}

} // namespace cli
