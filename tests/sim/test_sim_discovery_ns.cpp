// Discovery on a private network: in a network namespace of its own with a veth pair
// (the PC at 10.77.0.1, the controller at 10.77.0.2), a broadcast SEARCH is answered to
// its source and the NOTIFY broadcasts are heard. Skipped where namespaces cannot be made.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "discovery.pb.h"
#include "tests/support/sim_fixture.h"

namespace {

constexpr int kSkip = 77;

int Udp(const char* address, int port, bool broadcast) {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (broadcast)
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    ::inet_pton(AF_INET, address, &a.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Waits for a datagram carrying the given kind; returns its message.
bool Receive(int fd, bool want_notify, DiscoveryMessage* out, sockaddr_in* from) {
    for (int i = 0; i < 20; ++i) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 500) <= 0)
            continue;
        char buf[4000];
        socklen_t len = sizeof *from;
        ssize_t n = ::recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(from), &len);
        if (n < 4 || std::string(buf, 4) != "Dkz9" || !out->ParseFromArray(buf + 4, int(n - 4)))
            continue;
        if (want_notify ? out->has_notify() : out->has_searchresp())
            return true;
    }
    return false;
}

// Runs in the child, inside its own network namespace. Exit code 0 = all seen.
int RunInNamespace() {
    if (::unshare(CLONE_NEWNET) != 0)
        return kSkip;
    if (std::system("ip link set lo up && ip link add qv0 type veth peer name qv1 && "
                    "ip addr add 10.77.0.1/24 dev qv0 && ip addr add 10.77.0.2/24 dev qv1 && "
                    "ip link set qv0 up && ip link set qv1 up") != 0)
        return kSkip;
    simtest::SimProcess sim(
        simtest::SimConfig{{"--bind", "10.77.0.2", "--discovery", "--notify-period", "1", "--label",
                            "NSBOX", "--product-id", "5"}});
    std::string error;
    if (!sim.Start(&error))
        return 10;
    int listener = Udp("255.255.255.255", 35007, false); // hears the NOTIFY broadcasts
    int pc = Udp("10.77.0.1", 0, true);
    if (listener < 0 || pc < 0)
        return 11;
    DiscoveryMessage search;
    search.set_host(1);
    search.set_productid(999);
    search.set_code8(0);
    search.mutable_search()->set_type(KZ9);
    search.mutable_search()->set_label("");
    const std::string d = "Dkz9" + search.SerializeAsString();
    sockaddr_in all{};
    all.sin_family = AF_INET;
    all.sin_port = htons(35007);
    all.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    if (::sendto(pc, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&all), sizeof all) < 0)
        return 12;
    DiscoveryMessage m;
    sockaddr_in from{};
    if (!Receive(pc, false, &m, &from))
        return 13;
    char who[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &from.sin_addr, who, sizeof who);
    if (std::string(who) != "10.77.0.2" || m.searchresp().label() != "NSBOX" || m.productid() != 5)
        return 14;
    if (!Receive(listener, true, &m, &from) || m.notify().label() != "NSBOX" ||
        m.code8() != 61410031u)
        return 15;
    return 0;
}

TEST(SimDiscoveryNamespace, BroadcastSearchIsAnsweredAndNotifyIsHeard) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(RunInNamespace());
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kSkip)
        GTEST_SKIP() << "no private network namespace here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "step that failed: " << WEXITSTATUS(status);
}

} // namespace
