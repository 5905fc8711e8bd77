// quorvel-sim: one simulated controller served on all its links at once.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <string>
#include <vector>

#include <google/protobuf/stubs/logging.h>

#include "sim/ble_dongle.h"
#include "sim/ble_options.h"
#include "sim/controller.h"
#include "sim/discovery_link.h"
#include "sim/link.h"
#include "sim/sim_options.h"
#include "sim/tcp_link.h"
#include "sim/usb_link.h"

namespace {

// Blocks the stop signals in every thread; the main thread waits for them with sigtimedwait.
sigset_t BlockStopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return set;
}

// Saves the memory image; the first failure is reported, so that a state file that cannot
// be kept does not go unnoticed while the simulator runs on.
bool SaveState(const sim::Controller& controller, const std::string& path, bool* reported) {
    if (controller.SaveState(path))
        return true;
    if (!*reported)
        std::fprintf(stderr, "quorvel-sim: cannot save the state to %s\n", path.c_str());
    *reported = true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    sim::SimOptions options;
    sim::BleSimOptions ble;
    std::string error;
    auto bleOption = [&](const std::vector<std::string>& args, std::size_t* i, std::string* e) {
        return sim::ParseBleOption(args, i, &ble, e) && e->empty();
    };
    if (!sim::ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error,
                              bleOption)) {
        std::fprintf(stderr, "quorvel-sim: %s\n%s%s", error.c_str(), sim::SimUsage(),
                     sim::BleUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(sim::SimUsage(), stdout);
        std::fputs(sim::BleUsage(), stdout);
        return 0;
    }
    // Garbage datagrams must not fill standard error.
    google::protobuf::SetLogHandler(nullptr);
    const sigset_t stop_signals = BlockStopSignals();

    if (!options.datalog_file.empty()) {
        std::ifstream in(options.datalog_file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "quorvel-sim: cannot read the datalog memory %s\n",
                         options.datalog_file.c_str());
            return 2;
        }
        options.controller.datalog_image.emplace((std::istreambuf_iterator<char>(in)),
                                                 std::istreambuf_iterator<char>());
    }
    sim::Controller controller(options.controller);
    if (!options.state_file.empty()) {
        if (controller.LoadState(options.state_file))
            std::fprintf(stderr, "quorvel-sim: state loaded from %s\n", options.state_file.c_str());
        else if (std::ifstream(options.state_file))
            std::fprintf(stderr,
                         "quorvel-sim: %s is not a state of this controller; starting fresh "
                         "(it will be overwritten)\n",
                         options.state_file.c_str());
    }

    std::ofstream log_file;
    std::mutex log_mutex;
    if (!options.log_file.empty()) {
        log_file.open(options.log_file, std::ios::app);
        if (!log_file) {
            std::fprintf(stderr, "quorvel-sim: cannot open the log %s\n", options.log_file.c_str());
            return 1;
        }
        controller.SetLogSink([&](const std::string& line) {
            std::lock_guard<std::mutex> lock(log_mutex);
            log_file << line << '\n';
            log_file.flush();
        });
    }

    // The links, started in order and stopped in reverse.
    std::vector<std::unique_ptr<sim::Link>> links;
    if (!options.usb_name.empty())
        links.push_back(std::make_unique<sim::UsbLink>(controller, options.dev_dir,
                                                       options.usb_name, options.baud));
    if (!ble.name.empty()) {
        auto dongle = std::make_unique<sim::BleDongle>(
            sim::MakeDongleOptions(ble, options.dev_dir, controller.Label()),
            [&controller](const wire::Bytes& body, sim::AnswerFaults* faults) {
                return controller.HandleRequest(body, faults);
            });
        dongle->SetLinkClosedHandler([&controller] { controller.LinkClosed(); });
        links.push_back(std::move(dongle));
    }
    if (options.tcp_port >= 0)
        links.push_back(std::make_unique<sim::TcpLink>(controller, options.bind, options.tcp_port,
                                                       options.eth_rate));
    if (options.discovery_port > 0)
        links.push_back(std::make_unique<sim::DiscoveryLink>(
            controller, options.bind, options.discovery_port, options.discovery_notify_to,
            options.notify_period_s));

    int status = 0;
    bool save_failure_reported = false;
    std::string ready = "READY";
    for (auto& link : links) {
        if (!link->Start(&error)) {
            std::fprintf(stderr, "quorvel-sim: %s\n", error.c_str());
            status = 1;
            break;
        }
        const std::string text = link->ReadyText();
        if (!text.empty())
            ready += " " + text;
    }
    if (status == 0) {
        std::printf("%s\n", ready.c_str());
        std::fflush(stdout);
        // Wait for a stop signal; save the state once a second after any write.
        for (;;) {
            timespec second{1, 0};
            int sig = sigtimedwait(&stop_signals, nullptr, &second);
            if (!options.state_file.empty() && controller.TakeDirty())
                SaveState(controller, options.state_file, &save_failure_reported);
            if (sig > 0)
                break;
        }
    }
    for (auto it = links.rbegin(); it != links.rend(); ++it)
        (*it)->Stop();
    // The memory image is kept at exit; a state that could not be saved fails the run.
    if (!options.state_file.empty() &&
        !SaveState(controller, options.state_file, &save_failure_reported))
        status = 1;
    return status;
}
