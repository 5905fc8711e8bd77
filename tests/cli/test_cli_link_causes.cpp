// quorvel-cli names the cause when a link does not open, under the program's own message, and
// keeps the core's diagnostic lines for --verbose.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include "process_runner.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kNotReacting =
    "The target peripheral is not reacting.\nCheck the connection.\n";

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A device folder of the test's own, with pseudo-terminals published in it as ports.
class Ports {
  public:
    Ports() {
        dir_ = (fs::temp_directory_path() / ("quorvel-cli-cause-" + std::to_string(::getpid())))
                   .string();
        fs::create_directories(dir_);
    }
    ~Ports() {
        for (int fd : fds_)
            ::close(fd);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    // A terminal nobody answers on, published as `name`; returns its line's path.
    std::string Publish(const std::string& name) {
        int master = -1, slave = -1;
        char line[256];
        if (::openpty(&master, &slave, line, nullptr, nullptr) != 0)
            return {};
        fds_.push_back(master);
        fds_.push_back(slave);
        fs::create_symlink(line, dir_ + "/" + name);
        return line;
    }
    // Opens the port as another program would, with its lock held.
    bool Hold(const std::string& name) {
        int fd = ::open((dir_ + "/" + name).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        fds_.push_back(fd);
        return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    }
    e2e::RunResult Cli(const std::vector<std::string>& args) const {
        return e2e::Run("quorvel-cli", args, {{"QUORVEL_DEV_DIR", dir_}});
    }
    const std::string& Dir() const { return dir_; }

  private:
    std::string dir_;
    std::vector<int> fds_;
};

std::string OwnProgramName() {
    std::string name;
    std::getline(std::ifstream("/proc/self/comm"), name);
    return name;
}

TEST(CliLinkCauses, MissingPortsOfTheControllerAndOfTheDongle) {
    Ports ports;
    e2e::RunResult r = ports.Cli({"--usb", "ttyQZ9", "status"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(
        Has(r.err, std::string(kNotReacting) + "ttyQZ9: no such port in " + ports.Dir() + "\n"))
        << r.err;
    r = ports.Cli({"--ble", "ttyQZ8", "--address", "00:07:80:AB:CD:EF", "identity"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(
        Has(r.err, std::string(kNotReacting) + "ttyQZ8: no such port in " + ports.Dir() + "\n"))
        << r.err;
}

TEST(CliLinkCauses, PortHeldByAnotherProgramNamesIt) {
    Ports ports;
    ASSERT_FALSE(ports.Publish("ttyQZ1").empty());
    ASSERT_TRUE(ports.Hold("ttyQZ1"));
    e2e::RunResult r = ports.Cli({"--usb", "ttyQZ1", "identity", "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(Has(r.err, std::string(kNotReacting) + "ttyQZ1: in use by another program (pid " +
                               std::to_string(::getpid()) + ", " + OwnProgramName() + ")\n"))
        << r.err;
}

TEST(CliLinkCauses, RefusedTcpConnection) {
    // A loopback port bound, so that nobody else takes it, but not listening.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len), 0);
    const std::string address = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    e2e::RunResult r = e2e::Run("quorvel-cli", {"--eth", address, "status"});
    ::close(fd);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, std::string(kNotReacting) + address + ": connection refused\n"))
        << r.err;
}

TEST(CliLinkCauses, SilentPortOpensSoNoCauseAndDiagnosticsOnlyWhenVerbose) {
    Ports ports;
    ASSERT_FALSE(ports.Publish("ttyQZ2").empty());
    // The port opens; nobody answers: the message alone, no cause to name.
    e2e::RunResult r = ports.Cli({"--usb", "ttyQZ2", "status"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, kNotReacting);
    EXPECT_FALSE(Has(r.err, "Lancement du thread"));
    // --verbose, alone or among the link options, shows the core's lines on standard error.
    for (std::vector<std::string> args :
         {std::vector<std::string>{"--verbose", "--usb", "ttyQZ2"},
          std::vector<std::string>{"--usb", "ttyQZ2", "--verbose"}}) {
        args.push_back("status");
        r = ports.Cli(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(Has(r.err, "Lancement du thread\n")) << r.err;
        EXPECT_TRUE(Has(r.err, kNotReacting)) << r.err;
        EXPECT_EQ(r.out, "");
    }
    r = e2e::Run("quorvel-cli", {"--verbose", "help", "status"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(Has(r.out, "--verbose")) << r.out;
}

} // namespace
