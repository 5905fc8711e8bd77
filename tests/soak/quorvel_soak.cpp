// The soak run: the application object as Quorvel runs it (core server, discovery thread,
// main window with its idle passes), connected to the simulator over each link in turn
// with the front panel live, a key button clicked every so often. Prints the memory (RSS)
// (and the allocator's bytes in use) and the open descriptors at the start, every minute and
// at the end.
//
//   quorvel-soak --minutes M --usb NAME --eth A.B.C.D:PORT --ble DONGLE AA:BB:CC:DD:EE:FF
//                [--link-seconds S] [--key-ms N]
//
// Exit status 0 when every link connected and showed a live panel and no alert came up.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <map>
#include <string>
#include <vector>

#include "app/CIhmDlgMain.h"
#include "app/CIhmDlgSubMain.h"
#include "app/CQRL_PCApp.h"
#include "app/MenuActions.h"
#include "comm/CComClient.h"
#include "panel/CIhmFaceAvantView.h"
#include "widgets/MenuDialogs.h"
#include "widgets/ModalSeam.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Link {
    std::string name;
    int menuCommand = 0;
    PARAM_COM params{};
};

struct Options {
    double minutes = 1;
    int linkSeconds = 60;
    int keyMs = 700;
    std::vector<Link> links;
};

long RssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

int OpenDescriptors() {
    int n = 0;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
        ++n;
    return n;
}

// What the program holds from the allocator (every arena, mapped blocks included): beside the
// RSS, it tells memory the program keeps from pages the allocator keeps for later.
long HeapInUseKiB() {
    const struct mallinfo2 m = ::mallinfo2();
    return long((m.uordblks + m.hblkhd) / 1024);
}

void Report(const char* when, double minutes) {
    std::printf("soak %-6s %6.2f min  rss %ld KiB  heap %ld KiB  fds %d\n", when, minutes, RssKiB(),
                HeapInUseKiB(), OpenDescriptors());
    std::fflush(stdout);
}

bool ParseAddress(const std::string& text, std::uint8_t raw[6]) {
    unsigned b[6];
    if (std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &b[5], &b[4], &b[3], &b[2], &b[1], &b[0]) !=
        6)
        return false;
    for (int i = 0; i < 6; ++i)
        raw[i] = std::uint8_t(b[i]);
    return true;
}

bool ParseOptions(int argc, char** argv, Options& o) {
    std::vector<std::string> a(argv + 1, argv + argc);
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto next = [&]() -> std::string { return i + 1 < a.size() ? a[++i] : std::string(); };
        if (a[i] == "--minutes") {
            o.minutes = std::stod(next());
        } else if (a[i] == "--link-seconds") {
            o.linkSeconds = std::stoi(next());
        } else if (a[i] == "--key-ms") {
            o.keyMs = std::stoi(next());
        } else if (a[i] == "--usb") {
            Link l{"usb", kMenuUsb, paramcom::Initial()};
            paramcom::SetU32(l.params, paramcom::kMedium, 0);
            paramcom::SetString(l.params, paramcom::kPortName, paramcom::kPortNameSize, next(),
                                paramcom::kMaxPortChars);
            o.links.push_back(l);
        } else if (a[i] == "--eth") {
            Link l{"eth", kMenuEthernet, paramcom::Initial()};
            unsigned ip[4], port = 0;
            if (std::sscanf(next().c_str(), "%u.%u.%u.%u:%u", &ip[0], &ip[1], &ip[2], &ip[3],
                            &port) != 5)
                return false;
            paramcom::SetU32(l.params, paramcom::kMedium, 1);
            paramcom::SetU32(l.params, paramcom::kIpAddress,
                             ip[0] | ip[1] << 8 | ip[2] << 16 | ip[3] << 24);
            paramcom::SetU32(l.params, paramcom::kTcpPort, port);
            o.links.push_back(l);
        } else if (a[i] == "--ble") {
            Link l{"ble", kMenuBluetooth, paramcom::Initial()};
            std::string dongle = next();
            std::uint8_t raw[6];
            if (!ParseAddress(next(), raw))
                return false;
            paramcom::SetU32(l.params, paramcom::kMedium, 2);
            paramcom::SetString(l.params, paramcom::kDonglePort, paramcom::kDonglePortSize, dongle,
                                paramcom::kMaxPortChars);
            paramcom::SetBleAddressRaw(l.params, raw);
            o.links.push_back(l);
        } else {
            return false;
        }
    }
    return !o.links.empty() && o.minutes > 0 && o.linkSeconds > 0 && o.keyMs > 0;
}

// What happened on one link.
struct LinkTally {
    int connections = 0;
    int failedConnections = 0;
    int clicks = 0;
    int redraws = 0;
};

// Drives the running main dialog: switches links, clicks keys, samples, and ends the run.
class SoakDriver {
  public:
    explicit SoakDriver(const Options& o) : o_(o), start_(Clock::now()) {}

    void Attach(CIhmDlgMain* main) {
        main_ = main;
        Report("start", 0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Step(); });
        timer_.start(o_.keyMs);
        Switch();
    }

    int Alerts() const { return alerts_; }
    void CountAlert(const ModalRequest& r) {
        ++alerts_;
        std::printf("soak alert on %s: %s\n", Current().name.c_str(), r.text.c_str());
        std::fflush(stdout);
    }
    bool AllLive() const {
        for (const Link& l : o_.links) {
            auto it = tally_.find(l.name);
            if (it == tally_.end() || it->second.connections == 0 || it->second.redraws == 0 ||
                it->second.failedConnections > 0)
                return false;
        }
        return true;
    }
    void PrintTally() const {
        for (const auto& [name, t] : tally_)
            std::printf("soak link %-4s connections %d failed %d clicks %d redraws %d\n",
                        name.c_str(), t.connections, t.failedConnections, t.clicks, t.redraws);
        std::fflush(stdout);
    }

  private:
    double Minutes() const {
        return std::chrono::duration<double, std::ratio<60>>(Clock::now() - start_).count();
    }
    const Link& Current() const { return o_.links[current_ % o_.links.size()]; }

    void Switch() {
        CComClient& client = CComClient::Instance();
        client.StopMonitor();
        client.Deconnect();
        const Link& link = Current();
        client.SetCommParam(link.params);
        LinkTally& t = tally_[link.name];
        if (main_->SubMain()->Actions().CompleteConnection(link.menuCommand))
            ++t.connections;
        else
            ++t.failedConnections;
        linkStart_ = Clock::now();
        WatchView();
    }

    void WatchView() {
        CIhmFaceAvantView* view = main_->SubMain()->View();
        if (view == watched_ || view == nullptr)
            return;
        watched_ = view;
        QObject::connect(view, &CIhmFaceAvantView::Redrawn,
                         [this] { ++tally_[Current().name].redraws; });
    }

    void Step() {
        const double minutes = Minutes();
        if (minutes >= o_.minutes) {
            timer_.stop();
            main_->done(QDialog::Rejected);
            return;
        }
        if (int(minutes) > reportedMinute_) {
            reportedMinute_ = int(minutes);
            Report("minute", minutes);
        }
        if (Clock::now() - linkStart_ >= std::chrono::seconds(o_.linkSeconds)) {
            ++current_;
            Switch();
            return;
        }
        WatchView();
        // A, B, -, +, Esc in turn: the simulated panel application moves through its menu.
        static constexpr int kKeys[] = {0, 3, 2, 1, 4};
        if (watched_ != nullptr && watched_->KeyButton(kKeys[clicks_ % 5]) != nullptr) {
            watched_->KeyButton(kKeys[clicks_ % 5])->click();
            ++clicks_;
            ++tally_[Current().name].clicks;
        }
    }

    const Options& o_;
    Clock::time_point start_;
    Clock::time_point linkStart_;
    CIhmDlgMain* main_ = nullptr;
    CIhmFaceAvantView* watched_ = nullptr;
    QTimer timer_;
    std::size_t current_ = 0;
    int clicks_ = 0;
    int alerts_ = 0;
    int reportedMinute_ = 0;
    std::map<std::string, LinkTally> tally_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: quorvel-soak --minutes M [--usb NAME] [--eth A.B.C.D:PORT] "
                             "[--ble DONGLE AA:BB:CC:DD:EE:FF] [--link-seconds S] [--key-ms N]\n");
        return 2;
    }
    SoakDriver driver(options);
    // The main dialog runs for real; anything else it would show is counted and answered.
    ModalSeam::SetScript([&driver](QDialog* dialog, const ModalRequest& request) {
        if (request.name == "CIhmDlgMain" && dialog != nullptr) {
            driver.Attach(static_cast<CIhmDlgMain*>(dialog));
            return ModalAnswer{dialog->exec(), {}};
        }
        driver.CountAlert(request);
        return ModalAnswer{1, {}};
    });
    CQRL_PCApp app(CQRL_PCApp::ParseOptions({"--no-splash"}));
    app.InitInstance();
    ModalSeam::Reset();
    driver.PrintTally();
    Report("end", options.minutes);
    const bool ok = driver.AllLive() && driver.Alerts() == 0;
    std::printf("soak %s\n", ok ? "passed" : "FAILED");
    return ok ? 0 : 1;
}
