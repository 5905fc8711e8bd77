#include "platform/net_adapters.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

// in_addr holds the bytes in network order; reading them one by one gives the host form
// on any byte order.
std::uint32_t HostFromInAddr(const in_addr& a) {
    std::uint8_t b[4];
    std::memcpy(b, &a.s_addr, 4);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}

in_addr InAddrFromHost(std::uint32_t host) {
    const std::uint8_t b[4] = {std::uint8_t(host), std::uint8_t(host >> 8),
                               std::uint8_t(host >> 16), std::uint8_t(host >> 24)};
    in_addr a{};
    std::memcpy(&a.s_addr, b, 4);
    return a;
}

std::string ErrnoText(const char* step) {
    return std::string(step) + ": " + std::strerror(errno);
}

} // namespace

std::vector<NetAdapter> ListNetAdapters(const std::vector<std::string>& onlyNames) {
    std::vector<NetAdapter> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return out;
    for (ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET)
            continue;
        if ((it->ifa_flags & IFF_UP) == 0 || (it->ifa_flags & IFF_LOOPBACK) != 0)
            continue;
        const std::string name = it->ifa_name ? it->ifa_name : "";
        if (!onlyNames.empty() &&
            std::find(onlyNames.begin(), onlyNames.end(), name) == onlyNames.end())
            continue;
        sockaddr_in sin{};
        std::memcpy(&sin, it->ifa_addr, sizeof sin);
        out.push_back({name, if_nametoindex(name.c_str()), HostFromInAddr(sin.sin_addr)});
    }
    freeifaddrs(list);
    return out;
}

std::optional<std::uint32_t> ResolveIpv4(const std::string& name) {
    if (name.empty())
        return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* res = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0 || res == nullptr)
        return std::nullopt;
    std::optional<std::uint32_t> found;
    for (addrinfo* it = res; it != nullptr && !found; it = it->ai_next) {
        if (it->ai_family != AF_INET || it->ai_addr == nullptr)
            continue;
        sockaddr_in sin{};
        std::memcpy(&sin, it->ai_addr, sizeof sin);
        found = HostFromInAddr(sin.sin_addr);
    }
    freeaddrinfo(res);
    return found;
}

std::optional<std::uint32_t> ResolveOwnHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return std::nullopt;
    return ResolveIpv4(name);
}

UdpSocket::~UdpSocket() {
    Close();
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept
    : fd_(other.fd_), host_(other.host_), port_(other.port_) {
    other.fd_ = -1;
}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        host_ = other.host_;
        port_ = other.port_;
        other.fd_ = -1;
    }
    return *this;
}

void UdpSocket::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

UdpSocket UdpSocket::Bind(std::uint32_t host, std::uint16_t port, Options options,
                          std::string& error) {
    UdpSocket s;
    s.fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s.fd_ < 0) {
        error = ErrnoText("socket");
        return s;
    }
    const int one = 1;
    if (::setsockopt(s.fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) {
        error = "reuse " + std::to_string(errno);
        s.Close();
        return s;
    }
    if (options.broadcast && ::setsockopt(s.fd_, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0) {
        error = ErrnoText("broadcast");
        s.Close();
        return s;
    }
    if (options.wantInterface &&
        ::setsockopt(s.fd_, IPPROTO_IP, IP_PKTINFO, &one, sizeof one) != 0) {
        error = ErrnoText("pktinfo");
        s.Close();
        return s;
    }
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(port);
    sin.sin_addr = InAddrFromHost(host);
    if (::bind(s.fd_, reinterpret_cast<const sockaddr*>(&sin), sizeof sin) != 0) {
        error = ErrnoText("bind");
        s.Close();
        return s;
    }
    s.host_ = host;
    s.port_ = port;
    return s;
}

bool UdpSocket::SendTo(const void* data, std::size_t size, std::uint32_t host, std::uint16_t port) {
    if (fd_ < 0)
        return false;
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(port);
    sin.sin_addr = InAddrFromHost(host);
    const ssize_t n = ::sendto(fd_, data, size, MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr*>(&sin), sizeof sin);
    return n == static_cast<ssize_t>(size);
}

std::optional<UdpSocket::Datagram> UdpSocket::Receive(std::uint8_t* buffer, std::size_t capacity) {
    if (fd_ < 0)
        return std::nullopt;
    sockaddr_in src{};
    iovec iov{buffer, capacity};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr msg{};
    msg.msg_name = &src;
    msg.msg_namelen = sizeof src;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(fd_, &msg, MSG_DONTWAIT);
    if (n < 0)
        return std::nullopt;
    Datagram d;
    d.size = static_cast<std::size_t>(n);
    d.truncated = (msg.msg_flags & MSG_TRUNC) != 0;
    d.srcHost = HostFromInAddr(src.sin_addr);
    d.srcPort = ntohs(src.sin_port);
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            d.ifIndex = info.ipi_ifindex;
        }
    }
    return d;
}

} // namespace platform
