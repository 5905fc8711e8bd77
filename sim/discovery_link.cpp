#include "sim/discovery_link.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "discovery.pb.h"
#include "sim/rtc.h"

namespace sim {

namespace {
constexpr char kMagic[] = "Dkz9";
constexpr std::size_t kMaxDatagram = 4000;

bool MakeAddress(const std::string& dotted, int port, sockaddr_in* out) {
    *out = sockaddr_in{};
    out->sin_family = AF_INET;
    out->sin_port = htons(std::uint16_t(port));
    return ::inet_pton(AF_INET, dotted.c_str(), &out->sin_addr) == 1;
}

int BoundSocket(const sockaddr_in& a, bool broadcast) {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (broadcast)
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}
} // namespace

std::uint32_t HostField(const std::string& dotted) {
    in_addr a{};
    if (::inet_pton(AF_INET, dotted.c_str(), &a) != 1)
        return 0;
    const auto* b = reinterpret_cast<const std::uint8_t*>(&a.s_addr);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}

std::string BuildDiscoveryDatagram(const Controller& controller, std::uint32_t host, bool notify) {
    DiscoveryMessage m;
    m.set_host(host);
    m.set_productid(controller.ProductId());
    m.set_code8(controller.Code8());
    Notify* n = notify ? m.mutable_notify() : m.mutable_searchresp();
    n->set_label(controller.Label().substr(0, 18));
    n->set_type(KZ9);
    n->set_securitylevel(ADMIN);
    if (notify) {
        // The controller's own clock, as a NOTIFY may carry it.
        const std::int64_t seconds = controller.ClockSeconds();
        const CivilTime t = FromSeconds(seconds);
        DateTime* d = n->mutable_datetime();
        d->set_timezone(0);
        d->set_annee(std::uint32_t(t.year));
        d->set_mois(std::uint32_t(t.month));
        d->set_date(std::uint32_t(t.day));
        d->set_jour(std::uint32_t(Weekday(seconds)));
        d->set_heure(std::uint32_t(t.hour));
        d->set_minute(std::uint32_t(t.minute));
        d->set_seconde(std::uint32_t(t.second));
    }
    return std::string(kMagic) + m.SerializeAsString();
}

bool IsSearchForUs(const std::string& datagram, const std::string& label) {
    if (datagram.size() < 4 || datagram.compare(0, 4, kMagic) != 0)
        return false;
    DiscoveryMessage m;
    if (!m.ParseFromArray(datagram.data() + 4, int(datagram.size() - 4)) || !m.has_search())
        return false;
    const Search& s = m.search();
    if (s.type() != KZ9)
        return false;
    return !s.has_label() || s.label().empty() || s.label() == label;
}

DiscoveryLink::DiscoveryLink(Controller& controller, std::string bind, int port,
                             std::string notify_to, int period_s)
    : controller_(controller), bind_(std::move(bind)), port_(port),
      notify_to_(std::move(notify_to)), period_s_(period_s) {
    // By default NOTIFY is broadcast, except from a loopback address, whose broadcast
    // could only be routed out of this machine: it then goes to the bind address itself.
    if (notify_to_.empty())
        notify_to_ = bind_.rfind("127.", 0) == 0 ? bind_ : "255.255.255.255";
}

DiscoveryLink::~DiscoveryLink() {
    Stop();
}

bool DiscoveryLink::Start(std::string* error) {
    sockaddr_in a{};
    if (!MakeAddress(bind_, port_, &a) || a.sin_addr.s_addr == htonl(INADDR_ANY)) {
        *error = "discovery needs a unicast bind address, not " + bind_;
        return false;
    }
    sock_ = BoundSocket(a, true);
    if (sock_ < 0) {
        *error = "cannot bind discovery to " + bind_ + ":" + std::to_string(port_);
        return false;
    }
    // The PC broadcasts its SEARCH to 255.255.255.255, which only a socket bound to that
    // address (or the wildcard) hears. Optional: absent when nothing may bind there.
    sockaddr_in b{};
    MakeAddress("255.255.255.255", port_, &b);
    broadcast_ = BoundSocket(b, false);
    thread_.Start([this] { Run(); });
    return true;
}

void DiscoveryLink::Stop() {
    thread_.Stop();
    for (int* fd : {&sock_, &broadcast_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

std::string DiscoveryLink::ReadyText() const {
    return "discovery=" + std::to_string(port_);
}

void DiscoveryLink::Receive(int fd) {
    char buf[kMaxDatagram];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n = ::recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n <= 0)
        return;
    if (!IsSearchForUs(std::string(buf, std::size_t(n)), controller_.Label()))
        return;
    const std::string answer = BuildDiscoveryDatagram(controller_, HostField(bind_), false);
    ::sendto(sock_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
    char who[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &from.sin_addr, who, sizeof who);
    controller_.LogNote("discovery: SEARCH from " + std::string(who) + ":" +
                        std::to_string(ntohs(from.sin_port)) + " answered");
}

void DiscoveryLink::Notify() {
    sockaddr_in to{};
    if (!MakeAddress(notify_to_, port_, &to))
        return;
    const std::string d = BuildDiscoveryDatagram(controller_, HostField(bind_), true);
    ::sendto(sock_, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

void DiscoveryLink::Run() {
    using Clock = std::chrono::steady_clock;
    auto next = Clock::now();
    while (!thread_.stopping()) {
        if (Clock::now() >= next) {
            Notify();
            next = Clock::now() + std::chrono::seconds(period_s_);
        }
        pollfd fds[3] = {
            {thread_.wake_fd(), POLLIN, 0}, {sock_, POLLIN, 0}, {broadcast_, POLLIN, 0}};
        if (::poll(fds, 3, 250) < 0 && errno != EINTR)
            break;
        if (fds[0].revents != 0)
            break;
        if (fds[1].revents & POLLIN)
            Receive(sock_);
        if (broadcast_ >= 0 && (fds[2].revents & POLLIN))
            Receive(broadcast_);
    }
}

} // namespace sim
