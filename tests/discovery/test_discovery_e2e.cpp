// End to end over real UDP and TCP: simulated controllers live in network namespaces of their
// own, joined to this test's private namespace by veth pairs; nothing leaves the machine.
//   this test  qv0 10.77.0.1/24 <-> qv1 10.77.0.2/24  quorvel-sim "PLC-ALPHA", port 35007
//              qv2 10.78.0.1/24 <-> qv3 10.78.0.3/24  quorvel-sim "PLC-BRAVO", port 40001
// PLC-ALPHA is found by the broadcast SEARCH; PLC-BRAVO, on another subnet and another
// discovery port, only by its address. Both send NOTIFY rarely, so what is found was found
// by a SEARCH. Needs root (network namespaces); skipped otherwise.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "discovery/CDiscoveryClient.h"
#include "discovery/CDiscoveryTableHolder.h"
#include "discovery/DiscoveryAddress.h"
#include "discovery/DiscoveryWait.h"

extern char** environ;

namespace discovery {
namespace {

std::string ProgramDir() {
    const char* dir = std::getenv("QUORVEL_PROGRAM_DIR");
    return dir ? dir : "";
}

bool Shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

std::string Capture(const std::string& command, int& status) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        status = -1;
        return out;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    const int raw = ::pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

std::string NetNamespace(pid_t pid) {
    char link[128] = {};
    const std::string path = "/proc/" + (pid ? std::to_string(pid) : "self") + "/ns/net";
    const ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
    return n > 0 ? std::string(link, std::size_t(n)) : "";
}

// One simulated controller in a namespace of its own, reached through a veth pair.
class SimulatedController {
  public:
    bool Start(const std::string& localIf, const std::string& localCidr, const std::string& peerIf,
               const std::string& peerAddress, const std::string& simOptions) {
        if (!Shell("ip link add " + localIf + " type veth peer name " + peerIf) ||
            !Shell("ip addr add " + localCidr + " dev " + localIf) ||
            !Shell("ip link set " + localIf + " up"))
            return false;
        const std::string devDir = "/tmp/quorvel-e2e-" + peerIf;
        Shell("rm -f " + devDir + "/sim.out");
        const std::string script =
            "while ! ip link show " + peerIf + " >/dev/null 2>&1; do sleep 0.02; done; " +
            "ip link set lo up && ip addr add " + peerAddress + "/24 dev " + peerIf +
            " && ip link set " + peerIf + " up && mkdir -p " + devDir + " && exec '" +
            ProgramDir() + "/quorvel-sim' --dev-dir " + devDir + " --bind " + peerAddress +
            " --tcp-port 42424 --notify-period 3600 " + simOptions + " >" + devDir +
            "/sim.out 2>&1";
        const char* argv[] = {"unshare", "-n", "--", "bash", "-c", script.c_str(), nullptr};
        if (::posix_spawnp(&pid_, "unshare", nullptr, nullptr, const_cast<char**>(argv), environ) !=
            0) {
            pid_ = 0;
            return false;
        }
        // Move the peer end only once the child has its own namespace.
        const std::string mine = NetNamespace(0);
        for (int i = 0; i < 500 && NetNamespace(pid_) == mine; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (NetNamespace(pid_) == mine ||
            !Shell("ip link set " + peerIf + " netns " + std::to_string(pid_)))
            return false;
        readyFile_ = devDir + "/sim.out";
        return true;
    }
    // Whether the simulator has said READY (its links, discovery included, are up).
    bool WaitReady() const {
        for (int i = 0; i < 300; ++i) {
            std::ifstream in(readyFile_);
            std::string text((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
            if (text.find("READY") != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    ~SimulatedController() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }

  private:
    pid_t pid_ = 0;
    std::string readyFile_;
};

bool HasLine(const DiscoveryTable& table, std::uint32_t host, const Entry** found = nullptr) {
    for (const Entry& e : table.ligne())
        if (e.host() == host) {
            if (found)
                *found = &e;
            return true;
        }
    return false;
}

constexpr std::uint32_t kAlpha = 0x0A4D0002; // 10.77.0.2, first octet most significant
constexpr std::uint32_t kBravo = 0x0A4E0003; // 10.78.0.3

TEST(DiscoveryEndToEnd, BroadcastFindsOneAddressFindsTheOtherThenTcpIdentifies) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "network namespaces need root";
    const std::string dir = ProgramDir();
    if (dir.empty() || ::access((dir + "/quorvel-sim").c_str(), X_OK) != 0 ||
        ::access((dir + "/quorvel-cli").c_str(), X_OK) != 0)
        GTEST_SKIP() << "quorvel-sim and quorvel-cli are not built in " << dir;
    if (!Shell("ip -V >/dev/null 2>&1"))
        GTEST_SKIP() << "the ip command is missing";
    // A namespace of this test process alone: this thread has started no other yet.
    if (::unshare(CLONE_NEWNET) != 0)
        GTEST_SKIP() << "cannot create a network namespace";
    ASSERT_TRUE(Shell("ip link set lo up"));

    SimulatedController alpha, bravo;
    ASSERT_TRUE(alpha.Start("qv0", "10.77.0.1/24", "qv1", "10.77.0.2",
                            "--discovery --label PLC-ALPHA --product-id 11"));
    ASSERT_TRUE(bravo.Start("qv2", "10.78.0.1/24", "qv3", "10.78.0.3",
                            "--discovery-port 40001 --label PLC-BRAVO --product-id 12 "
                            "--code8 61420011"));
    ASSERT_TRUE(alpha.WaitReady());
    ASSERT_TRUE(bravo.WaitReady());

    CDiscoveryClient client({{"qv0", "qv2"}, {}, nullptr});
    ASSERT_TRUE(client.Init());
    ASSERT_TRUE(client.Search());
    DiscoveryTable table;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < deadline) {
        if (auto t = client.GetTable(); t && HasLine(*t, HostFromMsb(kAlpha))) {
            table = *t;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const Entry* a = nullptr;
    ASSERT_TRUE(HasLine(table, HostFromMsb(kAlpha), &a)) << "no answer to the broadcast";
    EXPECT_EQ(a->label(), "PLC-ALPHA");
    EXPECT_EQ(a->productid(), 11u);
    EXPECT_FALSE(a->has_ajoutmanuel() && a->ajoutmanuel());
    EXPECT_FALSE(HasLine(table, HostFromMsb(kBravo))); // another port: deaf to the broadcast

    ASSERT_TRUE(WaitForController(client, kBravo, 40001));
    auto after = client.GetTable();
    ASSERT_TRUE(after);
    const Entry* b = nullptr;
    ASSERT_TRUE(HasLine(*after, HostFromMsb(kBravo), &b));
    EXPECT_EQ(b->label(), "PLC-BRAVO");
    EXPECT_EQ(b->code8(), 61420011u);
    EXPECT_TRUE(b->ajoutmanuel());
    // The publications reach a subscriber as the dialogs take them.
    CDiscoveryTableHolder holder(client);
    int lines = -1;
    for (int i = 0; i < 40 && lines < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        while (holder.Refresh() >= 0)
            lines = holder.Table().ligne_size();
    }
    EXPECT_EQ(lines, 2);
    // A manual line can be removed; an ordinary one cannot.
    EXPECT_FALSE(client.RemoveController(HostFromMsb(kAlpha)));
    EXPECT_TRUE(client.RemoveController(HostFromMsb(kBravo)));
    EXPECT_TRUE(client.Shutdown());

    // The command line: the table, the add attempt, then TCP by address and by label.
    int status = 0;
    std::string out =
        Capture("'" + dir + "/quorvel-cli' discover --wait 1 --iface qv0,qv2", status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("PLC-ALPHA"), std::string::npos) << out;
    // Restricted to the other interface, the search never reaches PLC-ALPHA.
    out =
        Capture("QUORVEL_DISCOVERY_IFACES=qv2 '" + dir + "/quorvel-cli' discover --wait 1", status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out.find("PLC-ALPHA"), std::string::npos) << out;
    EXPECT_NE(out.find("No kz9 controller found on the net."), std::string::npos) << out;
    out = Capture("'" + dir + "/quorvel-cli' add 10.78.0.3:40001 --json", status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("Communication Succeed"), std::string::npos) << out;
    EXPECT_NE(out.find("\"manual\":true"), std::string::npos) << out;
    out = Capture("'" + dir + "/quorvel-cli' add 10.78.0.3", status); // wrong port
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find("The target peripheral is not reacting."), std::string::npos) << out;

    out = Capture("'" + dir + "/quorvel-cli' --eth 10.78.0.3 identity", status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("61420011"), std::string::npos) << out;
    out = Capture("QUORVEL_DISCOVERY_IFACES=qv0 '" + dir + "/quorvel-cli' --eth PLC-ALPHA identity",
                  status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("61410031"), std::string::npos) << out;
    // The fleet over the controllers that answer discovery.
    out = Capture(
        "'" + dir + "/quorvel-cli' fleet list --wait 1 --iface qv0 --match 'PLC-*' --json", status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("{\"label\":\"PLC-ALPHA\",\"address\":\"10.77.0.2:42424\",\"result\":"
                       "\"done\",\"message\":\"\",\"model\":\"KZ9 TCP/IP\""),
              std::string::npos)
        << out;
}

} // namespace
} // namespace discovery
