#include "sim/tcp_link.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace sim {

namespace {
constexpr std::size_t kHeader = 6;
constexpr std::size_t kMaxBody = 8 + 40000;
constexpr std::size_t kMaxClients = 16;

bool SendAll(int fd, const wire::Bytes& data) {
    std::size_t at = 0;
    while (at < data.size()) {
        ssize_t n = ::send(fd, data.data() + at, data.size() - at, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                pollfd p{fd, POLLOUT, 0};
                if (::poll(&p, 1, 1000) <= 0)
                    return false;
                continue;
            }
            return false;
        }
        at += std::size_t(n);
    }
    return true;
}
} // namespace

TcpLink::TcpLink(Controller& controller, std::string bind, int port, int rate)
    : controller_(controller), bind_(std::move(bind)), port_(port), rate_(rate) {}

TcpLink::~TcpLink() {
    Stop();
}

bool TcpLink::Start(std::string* error) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port_));
    if (::inet_pton(AF_INET, bind_.c_str(), &a.sin_addr) != 1) {
        *error = "bad bind address " + bind_;
        return false;
    }
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener_, 4) != 0) {
        *error = "cannot listen on " + bind_ + ":" + std::to_string(port_);
        return false;
    }
    socklen_t len = sizeof a;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_.Start([this] { Run(); });
    return true;
}

void TcpLink::Stop() {
    thread_.Stop();
    for (Client& c : clients_)
        ::close(c.fd);
    clients_.clear();
    if (listener_ >= 0) {
        ::close(listener_);
        listener_ = -1;
    }
}

std::string TcpLink::ReadyText() const {
    return "tcp=" + std::to_string(port_);
}

void TcpLink::Accept() {
    int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return;
    if (clients_.size() >= kMaxClients) {
        ::close(fd);
        return;
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    clients_.push_back(Client{fd, {}});
}

bool TcpLink::Serve(Client& c) {
    std::uint8_t buf[8192];
    ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
    if (n == 0)
        return false;
    if (n < 0)
        return errno == EAGAIN || errno == EINTR;
    // Frames that arrived together are paced one after the other.
    auto start = std::chrono::steady_clock::now();
    c.in.insert(c.in.end(), buf, buf + n);
    while (c.in.size() >= kHeader) {
        wire::TcpHeader h = wire::DecodeTcpHeader(c.in.data());
        if (h.length > kMaxBody) {
            // No way to find the next frame in the stream: close the connection.
            controller_.LogNote("TCP: frame longer than any request, connection closed");
            return false;
        }
        if (c.in.size() < kHeader + h.length)
            break;
        wire::Bytes body(c.in.begin() + kHeader, c.in.begin() + std::ptrdiff_t(kHeader + h.length));
        c.in.erase(c.in.begin(), c.in.begin() + std::ptrdiff_t(kHeader + h.length));
        if (h.protocol != 0) {
            controller_.LogNote("TCP: frame of another protocol ignored");
            continue;
        }
        AnswerFaults faults;
        wire::Bytes answer = controller_.HandleRequest(body, &faults);
        if (answer.empty())
            continue;
        // At an emulated rate the answer leaves when both frames would have crossed the
        // link, counted from the request's arrival.
        if (rate_ > 0) {
            start += std::chrono::microseconds(
                std::int64_t(2 * kHeader + h.length + answer.size()) * 1'000'000 / rate_);
            std::this_thread::sleep_until(start);
        }
        if (!SendAll(c.fd, wire::EncodeTcp(h.transaction, answer)))
            return false;
        if (faults.drop_link) {
            controller_.LogNote("TCP: connection dropped");
            return false;
        }
    }
    return true;
}

void TcpLink::Run() {
    while (!thread_.stopping()) {
        std::vector<pollfd> fds;
        fds.push_back({thread_.wake_fd(), POLLIN, 0});
        fds.push_back({listener_, POLLIN, 0});
        for (const Client& c : clients_)
            fds.push_back({c.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), 500) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents != 0)
            break;
        if (fds[1].revents & POLLIN)
            Accept();
        // Serve in reverse so that closing one client keeps the others' indices.
        for (std::size_t i = fds.size(); i-- > 2;) {
            if (fds[i].revents == 0)
                continue;
            const std::size_t k = i - 2;
            if (!Serve(clients_[k])) {
                ::close(clients_[k].fd);
                clients_.erase(clients_.begin() + std::ptrdiff_t(k));
                controller_.LinkClosed();
            }
        }
    }
}

} // namespace sim
