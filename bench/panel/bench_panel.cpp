// The live front panel against quorvel-sim over USB at --baud 115200, through the whole
// program path: transport library, core server, communication client, panel view.
//
// 1. Front-panel publications per second, over the line's limit for back-to-back 156-byte
//    reads (request and answer characters at 10 bits each). Goal >= 0.90.
// 2. Key-to-LCD latency: display reads taken by the view between the key mask write and
//    the view's text changing. Goal <= 2.
// 3. CPU of the whole process (core server thread and the view's paced idle pass),
//    connected with monitoring off, as a share of one core. Goal <= 1 %.
//
// Usage: bench_panel [program folder]   (default: QUORVEL_PROGRAM_DIR, else the folder of this
// benchmark)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include <QApplication>
#include <QTimer>

#include "bench/program_folder.h"
#include "cli/link_options.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "comm/Startup.h"
#include "panel/CIhmFaceAvantView.h"
#include "panel/IdlePacer.h"
#include "wire/frame_codec.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBaud = 115200;
constexpr int kIdlePassMs = panel::IdlePacer::kBusyMs;

// The simulator as a child process, started through the shell and stopped by its id.
class Simulator {
  public:
    Simulator(const std::string& program, const std::string& devDir, const std::string& port)
        : out_(devDir + "/sim.out"), pidFile_(devDir + "/sim.pid") {
        std::system(("mkdir -p '" + devDir + "'").c_str());
        const std::string cmd = "'" + program + "' --dev-dir '" + devDir + "' --usb-name " + port +
                                " --tcp-port -1 --baud " + std::to_string(kBaud) + " >'" + out_ +
                                "' 2>&1 & echo $! >'" + pidFile_ + "'";
        std::system(cmd.c_str());
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline && !ready_) {
            std::ifstream in(out_);
            std::string line;
            while (std::getline(in, line))
                ready_ = ready_ || line.rfind("READY", 0) == 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~Simulator() { Stop(); }
    void Stop() {
        std::ifstream in(pidFile_);
        long pid = 0;
        if (!stopped_ && in >> pid && pid > 0)
            std::system(("kill " + std::to_string(pid) + " 2>/dev/null").c_str());
        stopped_ = true;
    }
    bool Ready() const { return ready_; }

  private:
    std::string out_, pidFile_;
    bool ready_ = false;
    bool stopped_ = false;
};

// Characters on the line for one front-panel read: the request and the 156-byte answer.
int CharsPerRead() {
    const auto request = wire::BuildRequest(1, wire::kFnRead[0], 0x6000, 156);
    const std::vector<std::uint8_t> data(156, 0);
    const auto answer = wire::BuildReadAnswer(1, wire::kFnRead[0], data.data(), 156);
    return static_cast<int>(wire::EncodeAscii(request).size() + wire::EncodeAscii(answer).size());
}

int AnswerChars() {
    const std::vector<std::uint8_t> data(156, 0);
    return static_cast<int>(
        wire::EncodeAscii(wire::BuildReadAnswer(1, wire::kFnRead[0], data.data(), 156)).size());
}

// Runs the view's idle pass for `ms`, paced as the main dialog's timer is.
void RunIdle(QApplication& app, CIhmFaceAvantView& view, int ms) {
    QTimer idle;
    panel::IdlePacer pacer;
    QObject::connect(&idle, &QTimer::timeout, &view,
                     [&] { idle.setInterval(pacer.Next(view.Tick())); });
    idle.start(panel::IdlePacer::kBusyMs);
    QTimer::singleShot(ms, &app, &QApplication::quit);
    app.exec();
}

// Idle passes until `done` holds or `ms` pass; false on time-out.
template <class Pred> bool IdleUntil(CIhmFaceAvantView& view, Pred done, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < deadline) {
        view.Tick();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(kIdlePassMs));
    }
    return false;
}

QString FirstRow(const CIhmFaceAvantView& view) {
    return view.LcdText().section('\n', 0, 0);
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<std::string> found = bench::FindProgramFolder(
        "bench_panel", {"quorvel-sim", "Z9hb10_Comm.so", "res"}, argc > 1 ? argv[1] : "");
    if (!found)
        return 1;
    const std::string& folder = *found;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string devDir = "/tmp/quorvel-bench-panel-" + std::to_string(std::time(nullptr));
    setenv("QUORVEL_DEV_DIR", devDir.c_str(), 1);

    Simulator sim(folder + "quorvel-sim", devDir, "ttyPNL0");
    if (!sim.Ready()) {
        std::printf("bench_panel: the simulator did not start (%squorvel-sim)\n", folder.c_str());
        return 1;
    }
    QApplication app(argc, argv);
    if (QuorvelStartup(folder) == 0) {
        std::printf("bench_panel: the communication core did not start\n");
        return 1;
    }
    cli::LinkOptions usb;
    usb.kind = cli::LinkKind::Usb;
    usb.port = "ttyPNL0";
    ConnectionKind() = 0;
    CComClient& client = CComClient::Instance();
    client.SetCommParam(cli::MakeParamCom(usb));
    client.Connect();

    CIhmFaceAvantView view;
    view.SetFamily(ControllerFamily());
    view.SetWaitHook([](int) {});
    client.StartMonitor();
    IdleUntil(
        view, [&] { return view.HasScreen(); }, 5000);

    // 1. Publications per second, the view's idle pass running as in the program.
    const double limit = kBaud / 10.0 / CharsPerRead();
    std::uint64_t start = view.PublicationsTaken();
    auto t0 = Clock::now();
    RunIdle(app, view, 6000);
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    const double rate = double(view.PublicationsTaken() - start) / seconds;
    std::printf("publications: %.1f/s, line limit %.1f/s (%d characters a read): ratio %.3f "
                "(goal >= 0.90)\n",
                rate, limit, CharsPerRead(), rate / limit);
    // A line emulation that paces only the controller's answers allows a little more.
    const double answerOnly = kBaud / 10.0 / AnswerChars();
    std::printf("  (limit counting the answer characters only: %.1f/s, ratio %.3f)\n", answerOnly,
                rate / answerOnly);

    // 2. Key to LCD: Enter opens the menu from the home screen, Esc closes it again. Each
    //    key write is made as the view makes it; then count the display reads taken until
    //    the first row changes.
    int worst = 0, total = 0, trials = 0, lost = 0;
    for (int round = 0; round < 10; ++round) {
        for (int key : {panel::kKeyEnter, panel::kKeyEsc}) {
            view.Tick(); // the LCD as it stands before the key
            const QString row = FirstRow(view);
            const std::uint64_t before = view.PublicationsTaken();
            view.ToggleKey(key); // the key mask with the key down
            const bool changed = IdleUntil(
                view, [&] { return FirstRow(view) != row; }, 3000);
            const int reads = int(view.PublicationsTaken() - before);
            view.ToggleKey(key); // released
            if (!changed) {
                ++lost;
                continue;
            }
            worst = std::max(worst, reads);
            total += reads;
            ++trials;
        }
    }
    std::printf("key to LCD: %d presses, mean %.2f display reads, worst %d (goal <= 2)%s\n", trials,
                trials ? double(total) / trials : 0.0, worst,
                lost ? " -- some presses never showed" : "");

    // 3. CPU, connected with monitoring off, the idle pass still running.
    client.StopMonitor();
    RunIdle(app, view, 500); // let the last publications drain
    const std::clock_t c0 = std::clock();
    t0 = Clock::now();
    RunIdle(app, view, 5000);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = double(std::clock() - c0) / CLOCKS_PER_SEC;
    std::printf("CPU connected, monitoring off: %.2f %% of one core (goal <= 1 %%)\n",
                100.0 * cpu / wall);
    client.StartMonitor();
    const std::clock_t c1 = std::clock();
    t0 = Clock::now();
    RunIdle(app, view, 3000);
    std::printf("CPU connected, monitoring on (for reference): %.2f %% of one core\n",
                100.0 * double(std::clock() - c1) / CLOCKS_PER_SEC /
                    std::chrono::duration<double>(Clock::now() - t0).count());
    client.StopMonitor();
    QuorvelShutdown();
    sim.Stop();
    std::system(("rm -rf '" + devDir + "'").c_str());
    return 0;
}
