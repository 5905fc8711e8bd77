// Datalog read figures, printed as ratios measured in one run:
//  - a 64 KiB datalog (own memory of a Pask) read by the datalog transfer through the whole
//    program stack (transfer, communication client, core server, USB library) against
//    quorvel-sim emulating a 115200-baud line: characters carried per second, requests and
//    answers counted, over the line's limit (10 bits per character);
//  - the CSV decoding rate of a 4 MiB memory, in MB/s, and as a ratio to the rate at which
//    a 115200-baud line delivers datalog bytes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "QRL_protocole.pb.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "comm/Startup.h"
#include "datalog/CTransfertReadDatalogBase.h"
#include "datalog/DatalogCsv.h"
#include "platform/device_folder.h"
#include "platform/program_folder.h"
#include "tests/support/sim_fixture.h"
#include "wire/t71.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBaud = 115200;
constexpr double kCharsPerSecond = kBaud / 10.0;
// One frame read on the ASCII line: request ':' + 9 bytes in hex + CR LF, answer ':' +
// (5 + 2048) bytes in hex + CR LF.
constexpr double kCharsPerFrame = 21.0 + 13.0 + 2.0 * 2048;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// An own memory of `size` bytes of records of channels 1-3 (17 bytes each).
std::vector<std::uint8_t> OwnMemory(std::size_t size) {
    std::vector<std::uint8_t> m;
    for (std::uint32_t i = 0; m.size() + 17 <= size; ++i) {
        const std::uint8_t rec[17] = {0x0A,
                                      std::uint8_t(i % 60),
                                      std::uint8_t(i / 60 % 60),
                                      std::uint8_t(i / 3600 % 24),
                                      0,
                                      std::uint8_t(1 + i / 86400 % 28),
                                      std::uint8_t(1 + i / (86400 * 28) % 12),
                                      26,
                                      0x07,
                                      0x00,
                                      std::uint8_t(i),
                                      std::uint8_t(i >> 8),
                                      std::uint8_t(i * 7),
                                      std::uint8_t(0x80 | i >> 4),
                                      std::uint8_t(i * 13),
                                      std::uint8_t(i >> 3),
                                      0x00};
        m.insert(m.end(), rec, rec + sizeof rec);
    }
    return m;
}

transfer::DatalogConfig ThreeChannels() {
    transfer::DatalogConfig config;
    config.mask = {0x07, 0, 0};
    return config;
}

int BenchRead(const std::string& programDir) {
    const std::vector<std::uint8_t> memory = OwnMemory(64 * 1024);
    const std::string prepared = std::filesystem::temp_directory_path() / "quorvel-bench-dl.bin";
    std::ofstream(prepared, std::ios::binary)
        .write(reinterpret_cast<const char*>(memory.data()), std::streamsize(memory.size()));
    simtest::SimConfig config;
    config.args = {"--code8",   "61420001", "--stopped", "--baud", std::to_string(kBaud),
                   "--datalog", prepared};
    simtest::SimProcess sim(config);
    std::string error;
    if (!sim.Start(&error)) {
        std::printf("read: the simulator did not come up: %s\n", error.c_str());
        return 1;
    }
    setenv(platform::kDevDirVariable, sim.dev_dir().c_str(), 1);
    if (QuorvelStartup(programDir) == 0) {
        std::printf("read: the communication core did not start\n");
        return 1;
    }
    CComClient& client = CComClient::Instance();
    PARAM_COM block = paramcom::Initial();
    paramcom::SetString(block, paramcom::kPortName, paramcom::kPortNameSize, sim.usb_name(),
                        paramcom::kMaxPortChars);
    client.SetCommParam(block);
    ConnectionKind().store(0);
    std::uint8_t boot[21];
    if (client.SendRead(boot, 0xE000, sizeof boot, 6000) != 0) {
        std::printf("read: the simulator did not answer the link opening\n");
        return 1;
    }

    const std::string folder = std::filesystem::temp_directory_path() / "quorvel-bench-dl";
    std::filesystem::create_directories(folder);
    transfer::DatalogReadJob job;
    job.folder = folder;
    job.config = ThreeChannels();
    job.fileNames[0] = transfer::DatalogFileName("bench", 0);
    job.size = std::uint32_t(memory.size());
    transfer::CTransfertReadDatalogBase read(job);
    transfer::SilentTransferUi ui;
    read.SetUi(&ui);
    const Clock::time_point start = Clock::now();
    read.Run();
    const double elapsed = Seconds(Clock::now() - start);
    const int frames = int((memory.size() + 2047) / 2048);
    const bool ok = read.IsFinished() && read.Outcomes()[0].generated;
    std::printf("read: %zu-byte datalog (%d frames) over USB at %d baud through the program stack "
                "against quorvel-sim: %.2f s, %.0f data bytes/s, %.3f of the line's limit (goal "
                ">= 0.85)%s\n",
                memory.size(), frames, kBaud, elapsed, double(memory.size()) / elapsed,
                frames * kCharsPerFrame / elapsed / kCharsPerSecond, ok ? "" : " [READ FAILED]");
    std::filesystem::remove_all(folder);
    std::filesystem::remove(prepared);
    QuorvelShutdown();
    return ok ? 0 : 1;
}

int BenchDecode() {
    const std::vector<std::uint8_t> memory = OwnMemory(4 * 1024 * 1024);
    const transfer::DatalogConfig config = ThreeChannels();
    std::size_t textSize = 0;
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const Clock::time_point start = Clock::now();
        auto text =
            transfer::BuildDatalogCsv(memory, transfer::DatalogMemoryKind::kOwn, config, {}, 0);
        best = std::min(best, Seconds(Clock::now() - start));
        textSize = text ? text->size() : 0;
    }
    const double mbps = double(memory.size()) / best / 1e6;
    // Datalog bytes a 115200-baud line delivers per second (two characters per byte).
    const double lineBytes = kCharsPerSecond / (kCharsPerFrame / 2048);
    std::printf("decode: %zu-byte memory (%zu records) into %zu bytes of CSV: %.1f MB/s (best of "
                "5), %.0f times the rate a %d-baud line delivers datalog bytes\n",
                memory.size(), memory.size() / 17, textSize, mbps, mbps * 1e6 / lineBytes, kBaud);
    return textSize > 0 ? 0 : 1;
}

} // namespace

int main() {
    std::string dir = platform::ProgramFolder();
    if (const char* env = std::getenv("QUORVEL_PROGRAM_DIR"))
        dir = std::string(env) + "/";
    else
        setenv("QUORVEL_PROGRAM_DIR", dir.c_str(), 1);
    int rc = BenchDecode();
    if (!std::filesystem::exists(simtest::SimProcess::ProgramPath())) {
        std::printf("read: no quorvel-sim in the program folder, read figure skipped\n");
        return rc;
    }
    return BenchRead(dir) | rc;
}
