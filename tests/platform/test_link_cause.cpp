// Why a link does not open: the checks on a serial port of the device folder and on a TCP
// address, against real pseudo-terminals, processes and loopback sockets.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/device_folder.h"
#include "platform/link_cause.h"
#include "platform/net_adapters.h"
#include "platform/serial_port.h"
#include "tests/support/closed_tcp_port.h"
#include "tests/support/pty_port_folder.h"

namespace {

namespace fs = std::filesystem;

// The port folder as the device folder of this process (QUORVEL_DEV_DIR).
class PortFolder : public testsupport::PtyPortFolder {
  public:
    PortFolder() { ::setenv(platform::kDevDirVariable, Dir().c_str(), 1); }
    ~PortFolder() { ::unsetenv(platform::kDevDirVariable); }
};

// A child process that runs `body` and reports one line back through a pipe.
class Child {
  public:
    template <typename Body> explicit Child(Body body) {
        int p[2];
        if (::pipe(p) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(p[0]);
            std::string line = body();
            line += "\n";
            (void)!::write(p[1], line.data(), line.size());
            ::pause(); // until the test is done with it
            ::_exit(0);
        }
        ::close(p[1]);
        std::string text;
        char c;
        while (::read(p[0], &c, 1) == 1 && c != '\n')
            text += c;
        ::close(p[0]);
        report_ = text;
    }
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    pid_t Pid() const { return pid_; }
    const std::string& Report() const { return report_; }

  private:
    pid_t pid_ = -1;
    std::string report_;
};

TEST(SerialPortCause, MissingPortsAndDevicesThatAreNoSerialLine) {
    PortFolder folder;
    EXPECT_EQ(platform::SerialPortCause("ttyQX0"), "ttyQX0: no such port in " + folder.Dir());
    // A link left behind by a program that has gone.
    fs::create_symlink("/dev/pts/999999", folder.Dir() + "/ttyQX1");
    EXPECT_EQ(platform::SerialPortCause("ttyQX1"), "ttyQX1: no such port in " + folder.Dir());
    std::ofstream(folder.Dir() + "/ttyQX2") << "not a device";
    EXPECT_EQ(platform::SerialPortCause("ttyQX2"), "ttyQX2: not a serial port");
    fs::create_symlink("/dev/null", folder.Dir() + "/ttyQX3");
    EXPECT_EQ(platform::SerialPortCause("ttyQX3"), "ttyQX3: not a serial port");
    EXPECT_EQ(platform::SerialPortCause("../tty"), "../tty: not a port name");
    // A free port opens: there is nothing to say, and it is left free.
    ASSERT_FALSE(folder.Publish("ttyQX4").empty());
    EXPECT_EQ(platform::SerialPortCause("ttyQX4"), "");
    platform::SerialPort port;
    EXPECT_TRUE(port.Open(folder.Dir() + "/ttyQX4"));
}

TEST(BleLinkCause, TheDonglesPortFirstThenTheConnection) {
    PortFolder folder;
    const std::uint8_t address[6] = {0xEF, 0xCD, 0xAB, 0x80, 0x07, 0x00};
    EXPECT_EQ(platform::BleLinkCause(address, "ttyQB0"), "ttyQB0: no such port in " + folder.Dir());
    // The dongle's port opens: the device did not connect through it.
    ASSERT_FALSE(folder.Publish("ttyQB0").empty());
    EXPECT_EQ(platform::BleLinkCause(address, "ttyQB0"),
              "00:07:80:AB:CD:EF: no connection through the dongle on ttyQB0 (the device is out "
              "of reach, switched off, or has another address)");
}

TEST(SerialPortCause, PortHeldByAnotherProgramNamesItsProcess) {
    PortFolder folder;
    ASSERT_FALSE(folder.Publish("ttyQX5").empty());
    const std::string path = folder.Dir() + "/ttyQX5";
    {
        Child holder([&] {
            ::prctl(PR_SET_NAME, "porthog");
            static platform::SerialPort port; // stays open until the child is killed
            return std::string(port.Open(path) ? "open" : "failed");
        });
        ASSERT_EQ(holder.Report(), "open");
        EXPECT_EQ(platform::SerialPortCause("ttyQX5"), "ttyQX5: in use by another program (pid " +
                                                           std::to_string(holder.Pid()) +
                                                           ", porthog)");
        platform::SerialPort port;
        EXPECT_FALSE(port.Open(path));
        EXPECT_EQ(port.LastOpenFailure().step, platform::OpenFailure::kLocked);
    }
    // Once the holder has gone the port is free again.
    EXPECT_EQ(platform::SerialPortCause("ttyQX5"), "");
}

TEST(SerialPortCause, PermissionDeniedNamesTheGroupToJoin) {
    PortFolder folder;
    const std::string line = folder.Publish("ttyQX6");
    ASSERT_FALSE(line.empty());
    if (::geteuid() != 0) {
        // An ordinary user: a line of our own with every permission taken away.
        ASSERT_EQ(::chmod(line.c_str(), 0), 0);
        EXPECT_EQ(platform::SerialPortCause("ttyQX6").rfind("ttyQX6: permission denied", 0), 0u);
        return;
    }
    // The superuser may open anything: the line is given to the dialout group (mode 0660)
    // and the check runs in a child that has become an ordinary user outside that group.
    group* dialout = ::getgrnam("dialout");
    ASSERT_NE(dialout, nullptr) << "no dialout group on this machine";
    ASSERT_EQ(::chown(line.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(line.c_str(), 0660), 0);
    Child nobody([] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            return std::string("cannot drop privileges");
        return platform::SerialPortCause("ttyQX6");
    });
    EXPECT_EQ(nobody.Report(), "ttyQX6: permission denied; add your user to the dialout group");
}

TEST(LinkCauseTexts, PartsOfTheLines) {
    EXPECT_EQ(platform::HostPortText(0x0700000Au, 42424), "10.0.0.7:42424");
    EXPECT_EQ(platform::ConnectErrorText(ECONNREFUSED), "connection refused");
    EXPECT_EQ(platform::ConnectErrorText(ENETUNREACH).rfind("unreachable address", 0), 0u);
    EXPECT_EQ(platform::ConnectErrorText(EHOSTUNREACH).rfind("unreachable address", 0), 0u);
    EXPECT_EQ(platform::ConnectErrorText(ETIMEDOUT).rfind("no answer", 0), 0u);
    EXPECT_EQ(platform::ConnectErrorText(ECONNRESET), "connection reset by peer");
    EXPECT_EQ(platform::PermissionText("dialout"),
              "permission denied; add your user to the dialout group");
    EXPECT_EQ(platform::PermissionText("root"), "permission denied");
    EXPECT_EQ(platform::PermissionText(std::nullopt), "permission denied");

    const char* locks = "1: POSIX  ADVISORY  WRITE 77 08:01:1234 0 EOF\n"
                        "2: FLOCK  ADVISORY  WRITE 4321 00:1a:5 0 EOF\n"
                        "3: FLOCK  ADVISORY  WRITE 99 00:1b:5 0 EOF\n";
    EXPECT_EQ(platform::LockHolder(locks, makedev(0, 0x1a), 5), 4321);
    EXPECT_EQ(platform::LockHolder(locks, makedev(0, 0x1b), 5), 99);
    EXPECT_EQ(platform::LockHolder(locks, makedev(8, 1), 1234), 77);
    EXPECT_EQ(platform::LockHolder(locks, makedev(0, 0x1a), 6), std::nullopt);
    EXPECT_EQ(platform::LockHolder("garbage\n", makedev(0, 0x1a), 5), std::nullopt);
    EXPECT_EQ(platform::InUseText(std::nullopt), "in use by another program");
}

constexpr std::uint32_t kLoopbackHost = 0x0100007Fu; // 127.0.0.1

TEST(TcpConnectCause, RefusedAndAcceptedOnLoopback) {
    testsupport::ClosedTcpPort closed;
    ASSERT_NE(closed.Port(), 0);
    EXPECT_EQ(platform::TcpConnectCause(kLoopbackHost, closed.Port(), 2000),
              closed.Address() + ": connection refused");
    ASSERT_TRUE(closed.Listen());
    EXPECT_EQ(platform::TcpConnectCause(kLoopbackHost, closed.Port(), 2000), "");
}

TEST(TcpConnectCause, AddressWithoutARoute) {
    // Only where no packet can leave the machine (a network namespace with loopback alone):
    // there the system knows at once that no network leads to 10.0.0.7.
    if (!platform::ListNetAdapters().empty())
        GTEST_SKIP() << "runs only inside a private network namespace";
    EXPECT_EQ(platform::TcpConnectCause(0x0700000Au, 42424, 2000),
              "10.0.0.7:42424: unreachable address (no route to its network)");
}

} // namespace
