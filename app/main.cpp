#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "app/CQRL_PCApp.h"

namespace {

constexpr const char* kHelp =
    "Usage: Quorvel [OPTIONS]\n"
    "\n"
    "Shows the live front panel of a kz9, Pask or Trel controller and offers its services\n"
    "through the \"Menu\" button.\n"
    "\n"
    "Options:\n"
    "  --usb PORT                 connect at start to the controller on this serial port\n"
    "                             (also $QUORVEL_USB_PORT)\n"
    "  --discovery-iface NAMES    keep Ethernet discovery to these interfaces (comma-separated;\n"
    "                             also $QUORVEL_DISCOVERY_IFACES)\n"
    "  --traffic-log FILE         add one line per request made to the controller to FILE\n"
    "  --history FILE             the service history to record into and show (also\n"
    "                             $QUORVEL_HISTORY; default history.sqlite3 in the data folder)\n"
    "  --no-splash                start without the splash window\n"
    "  --help                     show this help and exit\n"
    "  --version                  show the version and exit\n"
    "\n"
    "Serial ports are looked up in /dev, or in the folder named by $QUORVEL_DEV_DIR.\n";

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // Answered before the window system is reached: they need no display.
    for (const std::string& arg : args) {
        if (arg == "--version") {
            std::printf("Quorvel %s\n", QUORVEL_VERSION);
            return 0;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    QApplication qt(argc, argv);
    CQRL_PCApp app(CQRL_PCApp::ParseOptions(args));
    return app.InitInstance();
}
