// The application object: the whole life of the program, from start-up through the
// modal main dialog to shutdown.
#pragma once

#include <string>
#include <vector>

class CQRL_PCApp {
  public:
    struct Options {
        // A USB port to connect to at once (the demo's "--usb ttySIM0"), as the USB
        // dialog would after OK. Also taken from QUORVEL_USB_PORT.
        std::string usbPort;
        bool splash = true;
        // Interfaces discovery may use ("--discovery-iface eth0,eth1"); empty: those of
        // QUORVEL_DISCOVERY_IFACES, or every interface that is up.
        std::vector<std::string> discoveryInterfaces;
        // "--traffic-log FILE": every request made to the controller, one line each.
        std::string trafficLog;
        std::string historyFile; // --history FILE: the service history to record into and show
    };

    // "--usb NAME", "--no-splash", "--discovery-iface NAMES", "--traffic-log FILE"; unknown
    // arguments are ignored.
    static Options ParseOptions(const std::vector<std::string>& args);

    explicit CQRL_PCApp(Options options) : options_(std::move(options)) {}

    // Runs the program; always returns 0 (the framework's FALSE) once the main dialog
    // has closed and the process state is torn down.
    int InitInstance();

    bool FontRegistered() const { return fontId_ >= 0; }

  private:
    void RegisterFont();
    void UnregisterFont();

    Options options_;
    int fontId_ = -1;
};

// Registers the menu's connection dialogs of this folder ("USB", "Bluetooth").
void RegisterConnectionDialogs();
// Connects to `port` over USB as a confirmed USB dialog does. True when monitoring runs.
bool ConnectUsbAtStart(const std::string& port, class CIhmDlgSubMain& panel);
