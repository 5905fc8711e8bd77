// The simulator program behind the shared fixture: it publishes its USB port, answers on
// both links, logs what it served, cleans up at exit and keeps its memory across restarts.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include "discovery.pb.h"
#include "tests/support/sim_fixture.h"
#include "wire/frame_codec.h"

namespace {

using simtest::SimConfig;
using simtest::SimProcess;

// One exchange over the USB pty: sends the request body as an ASCII frame, returns the
// answer line ("" when nothing came within `timeout_ms`).
class UsbPort {
  public:
    explicit UsbPort(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ >= 0) {
            termios t{};
            ::tcgetattr(fd_, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~UsbPort() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    std::string Exchange(const std::string& text, int timeout_ms = 3000) {
        if (::write(fd_, text.data(), text.size()) != ssize_t(text.size()))
            return {};
        std::string line;
        while (line.find('\n') == std::string::npos) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, timeout_ms) <= 0)
                return {};
            char buf[4096];
            ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n <= 0)
                return {};
            line.append(buf, std::size_t(n));
        }
        return line;
    }

  private:
    int fd_ = -1;
};

wire::Bytes Read(std::uint32_t address, std::uint16_t count) {
    return wire::BuildRequest(0xF7, 0x03, address, count);
}
wire::Bytes Write(std::uint32_t address, wire::Bytes data) {
    return wire::BuildRequest(0xF7, 0x10, address, std::uint16_t(data.size()), data.data());
}

// One exchange over TCP.
wire::Bytes TcpExchange(int port, const wire::Bytes& body, std::uint16_t transaction = 7,
                        int timeout_ms = 3000) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    wire::Bytes answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        wire::Bytes frame = wire::EncodeTcp(transaction, body);
        if (::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL) == ssize_t(frame.size())) {
            std::uint8_t buf[8192];
            pollfd p{fd, POLLIN, 0};
            while (::poll(&p, 1, timeout_ms) > 0) {
                ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                answer.insert(answer.end(), buf, buf + n);
                if (answer.size() >= 6 &&
                    answer.size() >= 6u + wire::DecodeTcpHeader(answer.data()).length)
                    break;
            }
        }
    }
    ::close(fd);
    return answer;
}

TEST(SimProgram, PublishesItsPortAndAnswersOnBothLinks) {
    SimProcess sim;
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    // Further links (BLE) add their own fields.
    EXPECT_EQ(sim.ready_line().rfind("READY usb=" + sim.usb_path() + " ", 0), 0u)
        << sim.ready_line();
    EXPECT_NE(sim.ready_line().find(" tcp=" + std::to_string(sim.tcp_port())), std::string::npos);
    EXPECT_GT(sim.tcp_port(), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(sim.usb_path()));
    std::ifstream name(sim.usb_path() + ".name");
    std::string friendly;
    std::getline(name, friendly);
    // The port enumeration marks a port " (USB)" when its friendly name names the maker.
    EXPECT_EQ(friendly, "Vellmor kz9 Simulated Controller (ttySIM0)");

    UsbPort port(sim.usb_path());
    ASSERT_TRUE(port.ok());
    // The documented example: read 2 bytes at 0xE000, family code 4 and the first digit.
    EXPECT_EQ(port.Exchange(":F7030000E000000224\r\n"),
              wire::EncodeAscii({0xF7, 0x03, 0x00, 0x02, 0x04, '6'}));
    // The hello is echoed, the stop command too.
    EXPECT_EQ(port.Exchange(":F710000070000004140000145D\r\n"), ":F71000007000000485\r\n");
    EXPECT_EQ(port.Exchange(":F710000070000002010086\r\n"), ":F71000007000000287\r\n");
    // Stopped: the run state reads 0, as in the example answer but with bit 0 clear.
    EXPECT_EQ(port.Exchange(wire::EncodeAscii(Read(0x4000, 4))),
              wire::EncodeAscii({0xF7, 0x03, 0x00, 0x04, 0, 0, 0, 0}));

    wire::Bytes tcp = TcpExchange(sim.tcp_port(), Read(0xE000, 21), 0x1234);
    ASSERT_EQ(tcp.size(), 6u + 4u + 21u);
    EXPECT_EQ(tcp[0], 0x12);
    EXPECT_EQ(tcp[1], 0x34);
    EXPECT_EQ(std::string(tcp.begin() + 11, tcp.begin() + 19), "61410031");

    EXPECT_TRUE(sim.WaitForLog("cmd [1,0] stop"));
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(sim.usb_path()));
    EXPECT_FALSE(std::filesystem::exists(sim.usb_path() + ".name"));
}

TEST(SimProgram, MemoryImageSurvivesARestart) {
    SimProcess sim(SimConfig{{"--code8", "61420001"}});
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    const int port = sim.tcp_port();
    wire::Bytes program(300);
    for (std::size_t i = 0; i < program.size(); ++i)
        program[i] = std::uint8_t(i * 13 + 5);
    wire::Bytes erase = TcpExchange(port, Write(0x7000, {5, 2}));
    ASSERT_EQ(erase.size(), 6u + 8u);
    ASSERT_EQ(TcpExchange(port, Write(0x70100, program)).size(), 6u + 8u);
    ASSERT_EQ(TcpExchange(port, Write(0x0F00, {'P', 'U', 'M', 'P'})).size(), 6u + 8u);

    ASSERT_TRUE(sim.Restart(&error)) << error;
    EXPECT_EQ(sim.tcp_port(), port);
    wire::Bytes back = TcpExchange(port, Read(0x70100, 300));
    ASSERT_EQ(back.size(), 6u + 4u + 300u);
    EXPECT_EQ(wire::Bytes(back.begin() + 10, back.end()), program);
    wire::Bytes label = TcpExchange(port, Read(0x0F00, 18));
    ASSERT_EQ(label.size(), 6u + 4u + 18u);
    EXPECT_EQ(std::string(label.begin() + 10, label.begin() + 14), "PUMP");
}

TEST(SimProgram, StateThatCannotBeSavedIsReportedAndFailsTheExit) {
    // A state file in a folder that does not exist: the memory image cannot be kept.
    SimProcess sim(SimConfig{{"--state", "/nonexistent-quorvel-folder/sim.state"}});
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    ASSERT_EQ(TcpExchange(sim.tcp_port(), Write(0x0F00, {'L', 'O', 'S', 'T'})).size(), 6u + 8u);
    EXPECT_EQ(sim.Stop(), 1);
    const std::string err = sim.ReadStderr();
    EXPECT_NE(err.find("cannot save the state to /nonexistent-quorvel-folder/sim.state"),
              std::string::npos)
        << err;
}

TEST(SimProgram, UsbLinkSurvivesNoiseOversizedLinesAndBadCheckBytes) {
    SimProcess sim(SimConfig{{"--fault-bad-check-nth", "2", "--fault-drop-after", "3"}});
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    const std::string identify = wire::EncodeAscii(Read(0xE000, 2));
    {
        UsbPort port(sim.usb_path());
        ASSERT_TRUE(port.ok());
        // Noise, then a line longer than any request, then a frame with a wrong check byte:
        // none is answered, and the next good frame is.
        EXPECT_EQ(port.Exchange("garbage\r\n\x01\x02", 300), "");
        EXPECT_EQ(port.Exchange(":" + std::string(100000, 'A'), 300), "");
        EXPECT_EQ(port.Exchange(":F7030000E000000225\r\n", 300), "");
        std::string first = port.Exchange(identify);
        EXPECT_EQ(first, ":F70300020436CA\r\n");
        // The second answer carries a wrong check byte, the third drops the link.
        std::string second = port.Exchange(identify);
        ASSERT_EQ(second.size(), first.size());
        EXPECT_NE(second, first);
        EXPECT_EQ(second.substr(0, 13), first.substr(0, 13));
        EXPECT_EQ(port.Exchange(identify), first);
        EXPECT_EQ(port.Exchange(identify, 500), ""); // hung up
    }
    EXPECT_TRUE(sim.WaitForLog("USB: link dropped"));
    EXPECT_TRUE(sim.WaitForLog("wrong check byte, frame ignored"));
    // The port comes back under the same name.
    UsbPort again(sim.usb_path());
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.Exchange(identify), ":F70300020436CA\r\n");
}

TEST(SimProgram, TcpLinkFramesTransactionsAndOversizedHeaders) {
    SimProcess sim;
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    // A header announcing more than any request: the connection is closed, the next works.
    wire::Bytes huge = {0, 1, 0, 0, 0xFF, 0xFF, 0xF7, 0x03};
    {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(std::uint16_t(sim.tcp_port()));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ASSERT_EQ(::send(fd, huge.data(), huge.size(), MSG_NOSIGNAL), ssize_t(huge.size()));
        pollfd p{fd, POLLIN, 0};
        ASSERT_GT(::poll(&p, 1, 3000), 0);
        char c;
        EXPECT_EQ(::recv(fd, &c, 1, 0), 0); // closed by the simulator
        ::close(fd);
    }
    wire::Bytes answer = TcpExchange(sim.tcp_port(), Read(0x4000, 4), 0xBEEF);
    ASSERT_EQ(answer.size(), 6u + 4u + 4u);
    EXPECT_EQ(answer[0], 0xBE);
    EXPECT_EQ(answer[1], 0xEF);
    EXPECT_EQ(answer[5], 8);
    // The command that restarts the controller is never answered.
    EXPECT_TRUE(TcpExchange(sim.tcp_port(), Write(0x7000, {7, 0}), 8, 300).empty());
    EXPECT_TRUE(sim.WaitForLog("leave loader, restart"));
}

TEST(SimProgram, DiscoveryAnswersASearchOnLoopback) {
    // A free UDP port on loopback; nothing leaves this machine.
    int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&a), &len);
    const int port = ntohs(a.sin_port);
    ::close(probe);

    SimProcess sim(SimConfig{{"--discovery-port", std::to_string(port), "--notify-to", "127.0.0.1",
                              "--label", "BOILER", "--product-id", "42"}});
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    EXPECT_NE(sim.ready_line().find("discovery=" + std::to_string(port)), std::string::npos);

    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in me{};
    me.sin_family = AF_INET;
    me.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&me), sizeof me), 0);
    // The PC's SEARCH: type KZ9, an empty label.
    DiscoveryMessage m;
    m.set_host(1);
    m.set_productid(999);
    m.set_code8(0);
    m.mutable_search()->set_type(KZ9);
    m.mutable_search()->set_label("");
    const std::string search = "Dkz9" + m.SerializeAsString();
    sockaddr_in to = a;
    ASSERT_EQ(
        ::sendto(fd, search.data(), search.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
        ssize_t(search.size()));
    pollfd p{fd, POLLIN, 0};
    ASSERT_GT(::poll(&p, 1, 3000), 0);
    char buf[512];
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    ::close(fd);
    ASSERT_GT(n, 4);
    const std::string reply(buf, std::size_t(n));
    EXPECT_EQ(reply.substr(0, 4), "Dkz9");
    DiscoveryMessage r;
    ASSERT_TRUE(r.ParseFromString(reply.substr(4)));
    ASSERT_TRUE(r.has_searchresp());
    EXPECT_EQ(r.searchresp().label(), "BOILER");
    EXPECT_EQ(r.productid(), 42u);
    EXPECT_EQ(r.code8(), 61410031u);
    EXPECT_EQ(r.host(), 0x0100007Fu); // 127.0.0.1, first octet least significant
    EXPECT_TRUE(sim.WaitForLog("discovery: SEARCH from 127.0.0.1"));
}

TEST(SimProgram, RejectsBadOptionsWithUsage) {
    SimProcess sim(SimConfig{{"--no-such-option"}, "ttySIM0", 3000});
    std::string error;
    EXPECT_FALSE(sim.Start(&error));
    EXPECT_NE(error.find("unknown option --no-such-option"), std::string::npos) << error;
}

} // namespace
