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

#include "QRL_protocole.pb.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "comm/Startup.h"
#include "firmware/FirmwarePackageWriter.h"
#include "firmware/FirmwareUpdate.h"
#include "sim/firmware_image.h"
#include "tests/support/sim_fixture.h"
#include "transfer/CThreadTransfert.h"
#include "wire/t71.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kUsbCharsPerSecond = 115200 / 10.0;
constexpr double kBleIntervalMs = 7.5;
constexpr double kBlePieceGapMs = 15;
constexpr std::size_t kBlePiece = 20;
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

std::string ProgramDir() {
    if (const char* d = std::getenv("QUORVEL_PROGRAM_DIR"))
        return d;
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    const std::string path(exe, n > 0 ? std::size_t(n) : 0);
    return path.substr(0, path.rfind('/'));
}

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
    simtest::SimConfig config;
    config.args = {"--code8", "61410001"};
    if (ble)
        config.args.insert(config.args.end(), {"--ble-interval-ms", "7.5"});
    else
        config.args.insert(config.args.end(), {"--baud", "115200"});
    simtest::SimProcess sim(config);
    std::string error;
    if (!sim.Start(&error)) {
        std::printf("%s: the simulator did not start: %s\n", ble ? "ble" : "usb", error.c_str());
        return 1;
    }
    ::setenv("QUORVEL_DEV_DIR", sim.dev_dir().c_str(), 1);
    PARAM_COM block = paramcom::Initial();
    if (ble) {
        const std::uint8_t address[6] = {0x00, 0x5E, 0x1D, 0xC4, 0x7B, 0xA2};
        paramcom::SetU32(block, paramcom::kMedium, BLTH);
        paramcom::SetString(block, paramcom::kDonglePort, paramcom::kDonglePortSize, "ttySIM1",
                            paramcom::kMaxPortChars);
        paramcom::SetBleAddressRaw(block, address);
        ConnectionKind().store(comm::kLinkBle);
    } else {
        paramcom::SetString(block, paramcom::kPortName, paramcom::kPortNameSize, sim.usb_name(),
                            paramcom::kMaxPortChars);
        ConnectionKind().store(comm::kLinkUsb);
    }
    CComClient& client = CComClient::Instance();
    client.SetCommParam(block);
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
    const std::string dir = ProgramDir();
    ::setenv("QUORVEL_PROGRAM_DIR", dir.c_str(), 1);
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
