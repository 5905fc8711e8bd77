// Fleet figures, printed as ratios measured in one run against simulators on loopback that
// answer at a controller's pace (--eth-rate):
//  - fleet list of 64 controllers (8 at a time), against its goal of 3 s;
//  - fleet backup of 32 controllers with --jobs 8, over the time of 4 single backups one
//    after the other (the ideal with 8 at a time is 1; goal: at most 1.3).
// Usage: bench_fleet [PROGRAM_FOLDER]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/program_folder.h"
#include "tests/cli/process_runner.h"
#include "tests/support/sim_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kListed = 64, kBackedUp = 32, kJobs = 8;
// Bytes per second of a controller's Ethernet answers.
constexpr const char* kEthRate = "20000";

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

struct Timed {
    e2e::RunResult result;
    double seconds = 0;
};

Timed Time(const std::vector<std::string>& args) {
    const auto start = Clock::now();
    Timed t;
    t.result = e2e::Run("quorvel-cli", args, {{"QUORVEL_WAIT_SCALE", "0"}});
    t.seconds = Seconds(Clock::now() - start);
    return t;
}

bool Failed(const char* what, const Timed& t) {
    if (t.result.status == 0)
        return false;
    std::fprintf(stderr, "bench_fleet: %s failed (exit %d):\n%s\n", what, t.result.status,
                 t.result.err.c_str());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (!bench::FindProgramFolder("bench_fleet", {"quorvel-cli", "quorvel-sim", "Z9hb10_Comm.so", "Z9hb20_Comm.so"},
                                  argc > 1 ? argv[1] : ""))
        return 1;
    char dir[] = "/tmp/bench-fleet-XXXXXX";
    if (::mkdtemp(dir) == nullptr)
        return 1;
    const std::string hostsAll = std::string(dir) + "/all.txt";
    const std::string hostsHalf = std::string(dir) + "/half.txt";

    std::vector<std::unique_ptr<simtest::SimProcess>> sims;
    {
        std::ofstream all(hostsAll), half(hostsHalf);
        for (int k = 0; k < kListed; ++k) {
            simtest::SimConfig config;
            config.usb_name = "";
            config.args = {"--eth-rate", kEthRate, "--label", "SIM-" + std::to_string(k)};
            sims.push_back(std::make_unique<simtest::SimProcess>(config));
            std::string error;
            if (!sims.back()->Start(&error)) {
                std::fprintf(stderr, "bench_fleet: simulator %d: %s\n", k, error.c_str());
                return 1;
            }
            const std::string line = "127.0.0.1:" + std::to_string(sims.back()->tcp_port()) +
                                     " SIM-" + std::to_string(k) + "\n";
            all << line;
            if (k < kBackedUp)
                half << line;
        }
    }
    std::printf("%d simulators at %s bytes/s each\n", kListed, kEthRate);

    const Timed list = Time({"fleet", "list", "--hosts", hostsAll});
    if (Failed("fleet list", list))
        return 1;
    std::printf("fleet list, %d controllers: %.2f s; / goal 3 s = %.2f\n", kListed, list.seconds,
                list.seconds / 3.0);

    const std::string one = std::string(dir) + "/one", many = std::string(dir) + "/many";
    fs::create_directories(one);
    fs::create_directories(many);
    const Timed single =
        Time({"--eth", "127.0.0.1:" + std::to_string(sims[0]->tcp_port()), "backup", one, "--yes"});
    if (Failed("backup", single))
        return 1;
    const Timed fleet = Time(
        {"fleet", "backup", many, "--yes", "--jobs", std::to_string(kJobs), "--hosts", hostsHalf});
    if (Failed("fleet backup", fleet))
        return 1;
    std::printf("backup, one controller: %.2f s\n", single.seconds);
    std::printf("fleet backup, %d controllers, --jobs %d: %.2f s; / (4 x one backup) = %.2f "
                "(goal <= 1.3)\n",
                kBackedUp, kJobs, fleet.seconds, fleet.seconds / (4 * single.seconds));
    sims.clear();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
