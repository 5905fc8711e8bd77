// Firmware update throughput: a package with a 256 KiB base image sent to quorvel-sim by the
// firmware transfer through the core server and the transport libraries, over USB at 115200
// baud and over Bluetooth at a 7.5 ms connection interval. The reboot countdowns and waits
// run on a virtual clock; the figure is the time the link needs to carry the image writes
// (requests and answers) over the time they took, with nothing else counted.
//
// Usage: bench_firmware [KiB] [usb|ble|both]   (default 256 both; from build/, or with
//        QUORVEL_PROGRAM_DIR naming the program folder)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <unistd.h>

#include "bench/bench_sim.h"
#include "comm/Startup.h"
#include "firmware/FirmwarePackageWriter.h"
#include "firmware/FirmwareUpdate.h"
#include "sim/firmware_image.h"
#include "transfer/CThreadTransfert.h"
#include "wire/t71.h"

namespace {

using Clock = std::chrono::steady_clock;

using bench::kBleIntervalMs;
using bench::kBlePiece;
using bench::kBlePieceGapMs;
using bench::kUsbCharsPerSecond;
constexpr std::uint32_t kImageLow = 0x08000000, kImageHigh = 0x08300000;

// A write of n data bytes as characters on the serial line: ':' + hex + CR LF.
std::size_t RequestChars(std::uint32_t n) {
    return 2 * std::size_t(n) + 21;
}
constexpr std::size_t kWriteAnswerChars = 21;

// Times the image writes that pass through it and what the link would need for them.
class TimingLink final : public comm::ForwardingLink {
  public:
    TimingLink(comm::IControllerLink& inner, bool ble) : ForwardingLink(inner), ble_(ble) {}
    int Write(const std::uint8_t* s, std::uint32_t a, std::uint32_t n, std::uint32_t t) override {
        if (a < kImageLow || a >= kImageHigh)
            return ForwardingLink::Write(s, a, n, t);
        const Clock::time_point start = Clock::now();
        const int rc = ForwardingLink::Write(s, a, n, t);
        spent_ += std::chrono::duration<double>(Clock::now() - start).count();
        limit_ += LimitSeconds(n);
        bytes_ += n;
        return rc;
    }

    double Spent() const { return spent_; }
    double Limit() const { return limit_; }
    std::uint64_t Bytes() const { return bytes_; }

  private:
    double LimitSeconds(std::uint32_t n) const {
        if (!ble_)
            return double(RequestChars(n) + kWriteAnswerChars) / kUsbCharsPerSecond;
        const std::size_t pieces = (RequestChars(n) + kBlePiece - 1) / kBlePiece;
        const std::size_t notes = (kWriteAnswerChars + kBlePiece - 1) / kBlePiece;
        return (double(pieces) * kBlePieceGapMs + double(notes) * kBleIntervalMs) / 1000.0;
    }
    bool ble_;
    double spent_ = 0, limit_ = 0;
    std::uint64_t bytes_ = 0;
};

// A Larch package (base firmware, base bootloader) with a base image of `kib` KiB.
std::string MakePackage(const std::string& dir, std::uint32_t kib) {
    transfer::fw::PackageContents c{0, "61410001", "Larch", "1.10.00", "", {}};
    c.images.push_back(
        sim::MakeFirmwareImage(sim::FirmwareImageKind::kBaseFirmware, 1, 10, 0, kib * 1024));
    c.images.push_back(
        sim::MakeFirmwareImage(sim::FirmwareImageKind::kBaseBootloader, 1, 10, 0, 2048));
    const std::string path = dir + "/bench.vqfw";
    std::ofstream(path, std::ios::binary) << transfer::fw::WritePackage(c);
    return path;
}

int Measure(bool ble, const std::string& package) {
    std::string error;
    const auto sim = bench::StartSimOnLink({"--code8", "61410001"},
                                           ble ? comm::kLinkBle : comm::kLinkUsb, error);
    if (!sim) {
        std::printf("%s: the simulator did not start: %s\n", ble ? "ble" : "usb", error.c_str());
        return 1;
    }
    CComClient& client = CComClient::Instance();
    client.Connect();

    TimingLink link(comm::ComClientLink(), ble);
    transfer::VirtualClock clock;
    auto update = transfer::CreateFirmwareTransfer(ConnectionKind().load(), package, link);
    update->SetClock(clock);
    const Clock::time_point start = Clock::now();
    transfer::CThreadTransfert worker;
    worker.Start(*update);
    worker.Join();
    const double total = std::chrono::duration<double>(Clock::now() - start).count();
    client.Deconnect();
    if (!update->IsFinished()) {
        std::printf("%s: the update failed: %s\n", ble ? "ble" : "usb",
                    update->LastAlertText().c_str());
        return 1;
    }
    std::printf("%s: %llu image bytes in %.1f s (whole update %.1f s, %.0f s of fixed waits "
                "apart); link limit %.1f s: %.3f of the link's limit (goal >= 0.85)\n",
                ble ? "ble at 7.5 ms" : "usb at 115200 baud",
                static_cast<unsigned long long>(link.Bytes()), link.Spent(), total,
                double(clock.ElapsedMs()) / 1000.0, link.Limit(), link.Limit() / link.Spent());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const long kib = argc > 1 ? std::atol(argv[1]) : 256;
    const std::string which = argc > 2 ? argv[2] : "both";
    if (kib < 1 || kib > 976 || (which != "usb" && which != "ble" && which != "both")) {
        std::fprintf(stderr, "usage: bench_firmware [KiB 1-976] [usb|ble|both]\n");
        return 2;
    }
    const std::string dir = bench::ProgramDir();
    char tmpl[] = "/tmp/bench-firmware-XXXXXX";
    const char* work = ::mkdtemp(tmpl);
    if (work == nullptr)
        return 1;
    const std::string package = MakePackage(work, std::uint32_t(kib));
    QuorvelStartup(dir + "/");
    int rc = 0;
    if (which != "ble")
        rc |= Measure(false, package);
    if (which != "usb")
        rc |= Measure(true, package);
    QuorvelShutdown();
    std::filesystem::remove_all(work);
    return rc;
}
