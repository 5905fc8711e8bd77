// Program read and write of a kz9 (61410031, with its communication board) against the
// simulator, over USB at an emulated 115200 baud and over BLE at an emulated 7.5 ms
// connection interval, through the whole program path (transfer, communication client, core
// server, transport library). For each, the time spent moving bytes is compared with the
// link's limit for the bytes those requests carry:
//   USB: 10 bits per character, request and answer characters counted (':' + hex + check +
//        CR LF: a read request is 21 characters, its answer 13 + 2n; a write request 21 + 2n,
//        its answer 21);
//   BLE: the request in pieces of 20 characters each after a 15 ms pause, the answer at 20
//        characters per connection interval.
// Fixed waits (the 150 ms pauses after framed writes, the 70 s datalog erase, the 5 s restart
// wait) run on a virtual clock and are reported apart.
//
// Usage: bench_transfer [usb|ble]   (both by default; BLE takes several minutes)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_sim.h"
#include "comm/Startup.h"
#include "program/ProgramTransfers.h"
#include "transfer/TransferClock.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

using bench::kBleIntervalMs;
using bench::kBlePiece;
using bench::kBlePieceGapMs;
using bench::kUsbCharsPerSecond;

std::size_t Pieces(std::size_t chars) {
    return (chars + kBlePiece - 1) / kBlePiece;
}

// The link's limit, in ms, for one request carrying `count` data bytes.
double LimitMs(int kind, bool read, std::uint32_t count) {
    const std::size_t request = read ? 21 : 21 + 2 * std::size_t(count);
    const std::size_t answer = read ? 13 + 2 * std::size_t(count) : 21;
    if (kind == comm::kLinkUsb)
        return double(request + answer) / kUsbCharsPerSecond * 1000.0;
    return double(Pieces(request)) * kBlePieceGapMs + double(Pieces(answer)) * kBleIntervalMs;
}

// The program's link, adding up the limit of every request that passes.
struct MeasuredLink : comm::ForwardingLink {
    MeasuredLink() : comm::ForwardingLink(comm::ComClientLink()) {}
    double limitMs = 0;
    std::uint64_t bytes = 0;
    void Count(bool read, std::uint32_t n) {
        limitMs += LimitMs(Kind(), read, n);
        bytes += n;
    }
    int Read(std::uint8_t* d, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        Count(true, c);
        return ForwardingLink::Read(d, a, c, t);
    }
    int ReadCF(std::uint8_t* d, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        Count(true, c);
        return ForwardingLink::ReadCF(d, a, c, t);
    }
    int Write(const std::uint8_t* s, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        Count(false, c);
        return ForwardingLink::Write(s, a, c, t);
    }
    int WriteCF(const std::uint8_t* s, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        Count(false, c);
        return ForwardingLink::WriteCF(s, a, c, t);
    }
    int CommandExt(std::uint8_t code, std::uint8_t arg, std::uint32_t t) override {
        Count(false, 2);
        return ForwardingLink::CommandExt(code, arg, t);
    }
};

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Runs `transfer` and prints its figures; false when it failed.
bool Measure(const char* what, transfer::ITransfert& job, MeasuredLink& link) {
    transfer::VirtualClock clock;
    job.SetClock(clock);
    link.limitMs = 0;
    link.bytes = 0;
    const Clock::time_point start = Clock::now();
    job.Run();
    const double elapsed = Seconds(Clock::now() - start);
    if (!job.IsFinished()) {
        std::printf("%s: failed (%s)\n", what, job.LastAlertText().c_str());
        return false;
    }
    std::printf("%-10s %8llu bytes  moving %7.2f s  link limit %7.2f s  ratio %.3f  "
                "(fixed waits apart: %.1f s)\n",
                what, static_cast<unsigned long long>(link.bytes), elapsed, link.limitMs / 1000,
                link.limitMs / 1000 / elapsed, double(clock.ElapsedMs()) / 1000);
    return true;
}

bool RunLink(int kind) {
    std::string error;
    const auto sim = bench::StartSimOnLink({"--code8", "61410031", "--stopped"}, kind, error);
    if (!sim) {
        std::printf("simulator: %s\n", error.c_str());
        return false;
    }
    CComClient& client = CComClient::Instance();
    std::uint8_t boot[21];
    if (client.SendRead(boot, 0xE000, 21, 40000) != 0) {
        std::printf("%s: the controller does not answer\n", kind == 0 ? "usb" : "ble");
        return false;
    }
    const fs::path folder = fs::path(sim->dev_dir()) / "bench";
    fs::create_directories(folder);
    MeasuredLink link;
    const std::string name = kind == comm::kLinkUsb ? "usb" : "ble";
    transfer::CTransfertReadAppByUSB read(folder.string(), link);
    if (!Measure((name + " read").c_str(), read, link))
        return false;
    transfer::CTransfertWriteAppByUSB write(read.FilePath(), link);
    const bool ok = Measure((name + " write").c_str(), write, link);
    client.Deconnect();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    const std::string which = argc > 1 ? argv[1] : "both";
    const std::string programDir = bench::ProgramDir();
    if (QuorvelStartup(programDir + "/") == 0)
        return 1;
    std::printf("Program read and write of a kz9 (61410031); ratio = link limit / time moving "
                "bytes (goal >= 0.85)\n");
    bool ok = true;
    if (which == "both" || which == "usb")
        ok = RunLink(comm::kLinkUsb) && ok;
    if (which == "both" || which == "ble")
        ok = RunLink(comm::kLinkBle) && ok;
    QuorvelShutdown();
    return ok ? 0 : 1;
}
