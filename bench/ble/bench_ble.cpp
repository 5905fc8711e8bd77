// Read throughput of 2048-byte frames through HB30 and the simulated dongle at an
// emulated connection interval of 7.5 ms, as a ratio to what the link allows: the
// request's pieces of 20 characters each after a 15 ms pause, and the answer at 20
// characters per connection interval.
//
// Usage: bench_ble [frames]   (HB30.so is taken from the program folder: QUORVEL_PROGRAM_DIR,
// else the folder of this benchmark)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/program_folder.h"
#include "sim/ble_dongle.h"
#include "wire/frame_codec.h"
#include "wire/t71.h"

namespace {

constexpr int kIntervalUs = 7500;
constexpr int kPieceGapMs = 15;
constexpr std::size_t kPiece = 20;
constexpr std::uint16_t kFrameBytes = 2048;

// The link's limit for one read of `count` bytes, in milliseconds.
double LimitMs(std::uint16_t count) {
    std::size_t requestChars = 21;
    std::size_t answerChars = 13 + 2 * std::size_t(count);
    std::size_t pieces = (requestChars + kPiece - 1) / kPiece;
    std::size_t notifications = (answerChars + kPiece - 1) / kPiece;
    return double(pieces * kPieceGapMs) + double(notifications) * kIntervalUs / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    int frames = argc > 1 ? std::atoi(argv[1]) : 10;
    if (frames < 1)
        frames = 1;
    const std::optional<std::string> folder = bench::FindProgramFolder("bench_ble", {"HB30.so"});
    if (!folder)
        return 1;

    char tmpl[] = "/tmp/hb30-bench-XXXXXX";
    const char* dir = ::mkdtemp(tmpl);
    if (dir == nullptr)
        return 1;
    ::setenv("QUORVEL_DEV_DIR", dir, 1);

    sim::BleDongleOptions options;
    options.dev_dir = dir;
    options.interval_us = kIntervalUs;
    std::vector<std::uint8_t> memory(kFrameBytes);
    for (std::size_t i = 0; i < memory.size(); ++i)
        memory[i] = std::uint8_t(i * 13);
    sim::BleDongle dongle(options, [&](const wire::Bytes& body, sim::AnswerFaults*) {
        return wire::BuildReadAnswer(body[0], body[1], memory.data(), wire::GetBE16(&body[6]));
    });
    std::string error;
    if (!dongle.Start(&error)) {
        std::fprintf(stderr, "bench_ble: %s\n", error.c_str());
        return 1;
    }

    std::string lib = *folder + "HB30.so";
    void* handle = ::dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto fn = handle ? reinterpret_cast<T71_COMM_Fn>(::dlsym(handle, "T71_COMM")) : nullptr;
    if (fn == nullptr) {
        std::fprintf(stderr, "bench_ble: cannot load %s\n", lib.c_str());
        return 1;
    }
    PARAM_COM p = paramcom::Initial();
    paramcom::SetU32(p, paramcom::kMedium, 2);
    paramcom::SetString(p, paramcom::kDonglePort, paramcom::kDonglePortSize, options.name,
                        paramcom::kMaxPortChars);
    paramcom::SetBleAddressRaw(p, options.controller.address.data());
    paramcom::SetU32(p, paramcom::kTimeout, 5000);
    if (fn(0, t71::kCmdOpen, nullptr, &p, 5000, 0, 0, 0, nullptr) != 0) {
        std::fprintf(stderr, "bench_ble: the connection failed\n");
        return 1;
    }

    std::vector<std::uint8_t> buffer(kFrameBytes);
    int failures = 0;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        if (fn(247, t71::kCmdRead, nullptr, &p, 5000, 0, kFrameBytes, 0x2000, buffer.data()) != 0 ||
            buffer != memory)
            ++failures;
    }
    double elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    fn(0, t71::kCmdClose, nullptr, &p, 500, 0, 0, 0, nullptr);
    dongle.Stop();
    ::rmdir(dir);

    double perFrame = elapsedMs / frames;
    double limit = LimitMs(kFrameBytes);
    std::printf(
        "BLE read of %u-byte frames at a %.1f ms connection interval: %d frames, %d failed\n",
        unsigned(kFrameBytes), kIntervalUs / 1000.0, frames, failures);
    std::printf("  per frame %.1f ms, link limit %.1f ms, throughput %.0f B/s\n", perFrame, limit,
                kFrameBytes * 1000.0 / perFrame);
    std::printf("  ratio to the link's limit: %.3f (goal >= 0.85)\n", limit / perFrame);
    return failures == 0 ? 0 : 1;
}
