#include "tcp_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace testpeer {

TcpPeer::TcpPeer(FakeController& controller, std::chrono::milliseconds lateDelay)
    : controller_(controller), lateDelay_(lateDelay) {
    listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (listen_ < 0 || bind(listen_, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        listen(listen_, 4) != 0 || getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len))
        throw std::runtime_error("cannot listen on loopback");
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Run(); });
}

TcpPeer::~TcpPeer() {
    stop_ = true;
    thread_.join();
    CloseConnection();
    close(listen_);
}

std::vector<wire::TcpHeader> TcpPeer::Headers() const {
    std::lock_guard lock(mu_);
    return headers_;
}

void TcpPeer::CloseConnection() {
    if (conn_ >= 0)
        close(conn_);
    conn_ = -1;
}

void TcpPeer::Run() {
    wire::Bytes pending;
    std::uint8_t buf[8192];
    while (!stop_) {
        if (dropNow_.exchange(false))
            CloseConnection();
        pollfd p[2] = {{listen_, POLLIN, 0}, {conn_, POLLIN, 0}};
        if (poll(p, conn_ >= 0 ? 2 : 1, 20) <= 0)
            continue;
        if (p[0].revents & POLLIN) {
            CloseConnection();
            conn_ = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            pending.clear();
            ++accepted_;
            continue;
        }
        if (conn_ < 0 || (p[1].revents & (POLLIN | POLLHUP)) == 0)
            continue;
        ssize_t n = recv(conn_, buf, sizeof buf, 0);
        if (n <= 0) {
            CloseConnection();
            continue;
        }
        pending.insert(pending.end(), buf, buf + n);
        while (pending.size() >= 6) {
            wire::TcpHeader h = wire::DecodeTcpHeader(pending.data());
            if (pending.size() < 6u + h.length)
                break;
            wire::Bytes body(pending.begin() + 6, pending.begin() + 6 + h.length);
            pending.erase(pending.begin(), pending.begin() + 6 + h.length);
            Serve(h, body);
            if (conn_ < 0)
                break;
        }
    }
}

void TcpPeer::Serve(const wire::TcpHeader& header, const wire::Bytes& body) {
    {
        std::lock_guard lock(mu_);
        headers_.push_back(header);
    }
    Reply reply = controller_.Handle(body);
    if (reply.drop) {
        CloseConnection();
        return;
    }
    if (reply.late && !reply.bodies.empty())
        std::this_thread::sleep_for(lateDelay_);
    for (std::size_t i = 0; i < reply.bodies.size(); ++i) {
        bool stale = reply.staleTransaction && i == 0;
        std::uint16_t id = stale ? std::uint16_t(header.transaction - 1) : header.transaction;
        SendAll(wire::EncodeTcp(id, reply.bodies[i]));
    }
}

void TcpPeer::SendAll(const wire::Bytes& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(conn_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += std::size_t(n);
    }
}

RawTcpClient::RawTcpClient(std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int one = 1;
    if (fd < 0 || setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (fd >= 0)
            close(fd);
        return;
    }
    fd_ = fd;
}

RawTcpClient::~RawTcpClient() {
    if (fd_ >= 0)
        close(fd_);
}

bool RawTcpClient::Exchange(const wire::Bytes& frame, wire::Bytes& answer, std::size_t answerSize) {
    if (send(fd_, frame.data(), frame.size(), MSG_NOSIGNAL) != ssize_t(frame.size()))
        return false;
    answer.resize(answerSize);
    std::size_t got = 0;
    while (got < answerSize) {
        ssize_t n = recv(fd_, answer.data() + got, answerSize - got, 0);
        if (n <= 0)
            return false;
        got += std::size_t(n);
    }
    return true;
}

} // namespace testpeer
