// Network adapters, host-name resolution and UDP sockets for the discovery service.
// Addresses cross this interface in the discovery "host" form: the four address bytes in
// network order read as a little-endian integer, so a.b.c.d is a + 256*b + 65536*c +
// 16777216*d whatever the machine's byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct NetAdapter {
    std::string name;   // interface name, e.g. "eth0"
    unsigned index = 0; // interface index
    std::uint32_t host = 0;
};

// IPv4 unicast addresses of every interface that is up and is not a loopback, in the order
// the system lists them. When `onlyNames` is not empty, only interfaces named there count.
std::vector<NetAdapter> ListNetAdapters(const std::vector<std::string>& onlyNames = {});

// First IPv4 address of a host name (or dotted address) by the system resolver.
std::optional<std::uint32_t> ResolveIpv4(const std::string& name);

// First IPv4 address of this machine's own host name.
std::optional<std::uint32_t> ResolveOwnHostName();

// A non-blocking UDP/IPv4 socket with the reuse-address option. Move-only; closes itself.
class UdpSocket {
  public:
    struct Options {
        bool broadcast = false;     // allow sending to broadcast addresses
        bool wantInterface = false; // report the arrival interface of each datagram
    };
    struct Datagram {
        std::size_t size = 0;   // bytes stored in the buffer
        bool truncated = false; // the datagram was longer than the buffer
        std::uint32_t srcHost = 0;
        std::uint16_t srcPort = 0;
        int ifIndex = 0; // arrival interface when asked for, else 0
    };

    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Creates and binds to (host, port); host 0 is the wildcard address. On failure the
    // socket is closed and `error` says which step failed and why.
    static UdpSocket Bind(std::uint32_t host, std::uint16_t port, Options options,
                          std::string& error);

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    std::uint32_t BoundHost() const { return host_; }
    std::uint16_t BoundPort() const { return port_; }

    bool SendTo(const void* data, std::size_t size, std::uint32_t host, std::uint16_t port);
    // One waiting datagram, or nothing when none waits (or the read failed).
    std::optional<Datagram> Receive(std::uint8_t* buffer, std::size_t capacity);
    void Close();

  private:
    int fd_ = -1;
    std::uint32_t host_ = 0;
    std::uint16_t port_ = 0;
};

} // namespace platform
