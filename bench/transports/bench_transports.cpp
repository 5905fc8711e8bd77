// Read throughput of the USB and Ethernet transport libraries with 2048-byte frames.
//
// USB: the library talks to the test pseudo-terminal peer emulating a 115200-baud line
// (10 bits per character, each direction paced on its own); the figure is the characters
// carried per second, request and answer counted, over the line's limit.
// When the simulator (quorvel-sim) sits in the program folder, the same USB figure is also
// taken against it, with its own line emulation (--baud 115200).
// Ethernet: the library against a loopback TCP peer, over a raw TCP exchange of the same
// frames with the same peer measured in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/program_folder.h"
#include "fake_controller.h"
#include "platform/device_folder.h"
#include "pty_peer.h"
#include "tcp_peer.h"
#include "tests/support/sim_fixture.h"
#include "transport_loader.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint16_t kFrame = 2048;
constexpr int kBaud = 115200;
constexpr double kCharsPerSecond = kBaud / 10.0;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Reads `frames` frames of kFrame bytes from `base` on and prints the line ratio.
int MeasureUsb(testpeer::Transport& usb, std::uint32_t base, std::uint32_t span, int frames,
               const char* peerText) {
    std::vector<std::uint8_t> out(kFrame);
    Clock::time_point start = Clock::now();
    for (int i = 0; i < frames; ++i) {
        std::uint32_t address = base + std::uint32_t(i) * kFrame % span;
        if (int r = usb.Read(t71::kCmdRead, address, out, 6000)) {
            std::printf("usb: read %d failed with %d\n", i, r);
            return 1;
        }
    }
    double elapsed = Seconds(Clock::now() - start);
    const double charsPerExchange = 21.0 + 2.0 * kFrame + 13.0;
    double lineRatio = frames * charsPerExchange / elapsed / kCharsPerSecond;
    std::printf("usb: %d reads of %u bytes at %d baud (%s): %.0f data bytes/s, %.3f of the "
                "line's limit (goal >= 0.90)\n",
                frames, unsigned(kFrame), kBaud, peerText, frames * double(kFrame) / elapsed,
                lineRatio);
    return 0;
}

void UsePort(testpeer::Transport& usb, const char* name) {
    paramcom::SetString(usb.params, paramcom::kPortName, paramcom::kPortNameSize, name,
                        paramcom::kMaxPortChars);
}

int BenchUsb(int frames) {
    testpeer::TempDevDir dev;
    testpeer::FakeController controller;
    testpeer::PtyPeer peer(controller, dev.Path(), "ttyQVB", std::chrono::milliseconds(0), kBaud);
    testpeer::Transport usb("Z9hb10_Comm");
    UsePort(usb, "ttyQVB");
    if (usb.Open() != t71::kOk) {
        std::printf("usb: cannot open the emulated port\n");
        return 1;
    }
    int rc = MeasureUsb(usb, 0, 0x10000, frames, "line emulated by the test pty peer");
    usb.Close();
    return rc;
}

int BenchUsbSimulator(int frames) {
    if (!std::filesystem::exists(simtest::SimProcess::ProgramPath())) {
        std::printf("usb: no quorvel-sim in the program folder, simulator figure skipped\n");
        return 0;
    }
    simtest::SimConfig config;
    config.args = {"--baud", std::to_string(kBaud)};
    simtest::SimProcess simulator(config);
    std::string error;
    if (!simulator.Start(&error)) {
        std::printf("usb: the simulator did not come up: %s\n", error.c_str());
        return 1;
    }
    setenv(platform::kDevDirVariable, simulator.dev_dir().c_str(), 1);
    testpeer::Transport usb("Z9hb10_Comm");
    UsePort(usb, simulator.usb_name().c_str());
    if (usb.Open() != t71::kOk) {
        std::printf("usb: cannot open the simulator's port\n");
        return 1;
    }
    // Open the session as the program does (hello, identification), then read the
    // program area, 0x70000, in frames.
    std::vector<std::uint8_t> identity(21);
    if (usb.Write(t71::kCmdWrite, 0x7000, {0x14, 0x00, 0x00, 0x14}, 5000) != t71::kOk ||
        usb.Read(t71::kCmdRead, 0xE000, identity, 5000) != t71::kOk) {
        std::printf("usb: the simulator did not answer the link opening\n");
        return 1;
    }
    int rc = MeasureUsb(usb, 0x70000, 0x4000, frames, "line emulated by quorvel-sim --baud");
    usb.Close();
    return rc;
}

// The same exchanges straight over a socket: request frame out, answer frame in.
double RawTcpSeconds(std::uint16_t port, int frames) {
    testpeer::RawTcpClient raw(port);
    if (!raw.Connected())
        return -1;
    wire::Bytes answer;
    const std::size_t answerSize = 6 + 4 + kFrame;
    Clock::time_point start = Clock::now();
    for (int i = 0; i < frames; ++i) {
        std::uint32_t address = std::uint32_t(i) * kFrame % 0x10000;
        wire::Bytes req =
            wire::EncodeTcp(std::uint16_t(i), wire::BuildRequest(247, 0x03, address, kFrame));
        if (!raw.Exchange(req, answer, answerSize))
            return -1;
    }
    return Seconds(Clock::now() - start);
}

double LibraryTcpSeconds(testpeer::Transport& eth, int frames) {
    if (eth.Open() != t71::kOk)
        return -1;
    std::vector<std::uint8_t> out(kFrame);
    Clock::time_point start = Clock::now();
    for (int i = 0; i < frames; ++i) {
        if (eth.Read(t71::kCmdRead, std::uint32_t(i) * kFrame % 0x10000, out, 10000) != 0)
            return -1;
    }
    double elapsed = Seconds(Clock::now() - start);
    eth.Close();
    return elapsed;
}

int BenchEthernet(int frames) {
    testpeer::FakeController controller;
    testpeer::TcpPeer peer(controller);
    testpeer::Transport eth("Z9hb20_Comm");
    paramcom::SetU32(eth.params, paramcom::kIpAddress, 0x0100007F);
    paramcom::SetU32(eth.params, paramcom::kTcpPort, peer.Port());
    // Alternate the two in short rounds and take the median of the per-round ratios:
    // the machine is shared and its load changes from one second to the next.
    constexpr int kRounds = 9;
    std::vector<double> ratios;
    double lib = 0, raw = 0;
    for (int round = 0; round < kRounds; ++round) {
        double l = LibraryTcpSeconds(eth, frames);
        double r = RawTcpSeconds(peer.Port(), frames);
        if (l < 0 || r < 0) {
            std::printf("ethernet: exchange failed\n");
            return 1;
        }
        ratios.push_back(r / l);
        lib += l;
        raw += r;
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("ethernet: %d x %d reads of %u bytes on loopback: library %.0f frames/s, raw TCP "
                "%.0f frames/s, library / raw = %.3f (median of rounds; min %.3f, max %.3f)\n",
                kRounds, frames, unsigned(kFrame), kRounds * frames / lib, kRounds * frames / raw,
                ratios[kRounds / 2], ratios.front(), ratios.back());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int usbFrames = argc > 1 ? std::atoi(argv[1]) : 20;
    int ethFrames = argc > 2 ? std::atoi(argv[2]) : 500;
    if (!bench::FindProgramFolder("bench_transports", {"Z9hb10_Comm.so", "Z9hb20_Comm.so"}))
        return 1;
    // The test peers report a failure to set themselves up (a pseudo-terminal, a socket, a
    // library that does not load) by an exception: a message, not an abort.
    try {
        int rc = BenchUsb(usbFrames);
        rc |= BenchUsbSimulator(usbFrames);
        return BenchEthernet(ethFrames) | rc;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_transports: %s\n", e.what());
        return 1;
    }
}
