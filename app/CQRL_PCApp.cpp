#include "app/CQRL_PCApp.h"

#include <QFontDatabase>

#include <cstdio>
#include <cstdlib>

#include "app/CIhmDlgMain.h"
#include "app/CIhmDlgSubMain.h"
#include "app/MenuModel.h"
#include "comm/CComClient.h"
#include "comm/Startup.h"
#include "comm/TrafficLog.h"
#include "comm/ui/CIhmDlgBLEDongleDiscovery.h"
#include "comm/ui/CIhmDlgPortCOM.h"
#include "comm/ui/PortChoice.h"
#include "datalog/ui/CIhmDlgDatalog.h"
#include "discovery/CDiscoveryClient.h"
#include "discovery/CDiscoveryService.h"
#include "discovery/ui/CIhmDlgEthernetDiscovery.h"
#include "firmware/ui/CIhmDlgUpdateFW.h"
#include "fleet/ui/CIhmDlgFleet.h"
#include "history/ui/CIhmDlgServiceHistory.h"
#include "program/ui/CIhmDlgProg.h"
#include "services/ui/ServiceDialogs.h"
#include "widgets/MenuDialogs.h"
#include "widgets/ProgramFolder.h"

namespace {
constexpr const char* kFontFile = "Z9PCnormalFont.ttf";
}

CQRL_PCApp::Options CQRL_PCApp::ParseOptions(const std::vector<std::string>& args) {
    Options o;
    if (const char* env = std::getenv("QUORVEL_USB_PORT"); env && *env)
        o.usbPort = env;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--usb" && i + 1 < args.size())
            o.usbPort = args[++i];
        else if (args[i].rfind("--usb=", 0) == 0)
            o.usbPort = args[i].substr(6);
        else if (args[i] == "--no-splash")
            o.splash = false;
        else if (args[i] == "--discovery-iface" && i + 1 < args.size())
            o.discoveryInterfaces = discovery::SplitInterfaceList(args[++i]);
        else if (args[i] == "--traffic-log" && i + 1 < args.size())
            o.trafficLog = args[++i];
        else if (args[i] == "--history" && i + 1 < args.size())
            o.historyFile = args[++i];
    }
    return o;
}

void RegisterConnectionDialogs() {
    RegisterMenuDialog(kMenuUsb, [](QWidget* parent) {
        CIhmDlgPortCOM dlg(parent);
        return dlg.DoModal() == QDialog::Accepted;
    });
    RegisterEthernetDialog();
    RegisterMenuDialog(kMenuBluetooth, [](QWidget* parent) {
        CIhmDlgBLEDongleDiscovery dlg(parent);
        return dlg.DoModal() == QDialog::Accepted;
    });
}

bool ConnectUsbAtStart(const std::string& port, CIhmDlgSubMain& panel) {
    PARAM_COM stored{};
    CComClient::Instance().GetCommParam(stored);
    CComClient::Instance().SetCommParam(portchoice::UsbParameters(stored, port));
    return panel.Actions().CompleteConnection(kMenuUsb);
}

int CQRL_PCApp::InitInstance() {
    // Every window and dialog finds the service history through the environment, as the
    // command lines it starts do.
    if (!options_.historyFile.empty())
        setenv("QUORVEL_HISTORY", options_.historyFile.c_str(), 1);
    if (std::string error;
        !options_.trafficLog.empty() && !trafficlog::Open(options_.trafficLog, error))
        // The program still runs, without the log.
        std::fprintf(stderr, "Quorvel: %s\n", error.c_str());
    // The transport libraries and the core server.
    if (!QuorvelStartup(ProgramFolder()))
        // The window still opens; every controller request will then fail and say so.
        std::fprintf(stderr, "Quorvel: the communication core could not connect its "
                             "in-process endpoints\n");
    // The discovery service, and a first search so the table starts filling.
    discovery::DiscoveryServiceOptions discoveryOptions;
    discoveryOptions.interfaces = options_.discoveryInterfaces.empty()
                                      ? discovery::InterfacesFromEnvironment()
                                      : options_.discoveryInterfaces;
    discovery::CDiscoveryClient& discoveryClient = discovery::CDiscoveryClient::Instance();
    discoveryClient.SetOptions(std::move(discoveryOptions));
    if (discoveryClient.Init())
        discoveryClient.Search();
    RegisterFont();
    RegisterConnectionDialogs();
    RegisterServiceDialogs();
    RegisterDatalogDialog();
    RegisterProgramDialog();
    RegisterServiceHistoryWindow([](QWidget* parent, const std::string& kept) {
        CIhmDlgProg dialog(parent);
        dialog.SetWriteMode();
        dialog.SetPathText(kept);
        dialog.DoModal();
    });
    RegisterUpdateFirmwareDialog();
    RegisterFleetWindow();

    {
        CIhmDlgMain dlg;
        dlg.SetSplashEnabled(options_.splash);
        dlg.Initialise();
        if (!options_.usbPort.empty())
            ConnectUsbAtStart(options_.usbPort, *dlg.SubMain());
        dlg.DoModal();
    }

    // DECONNECT and its answer, then the core server's bounded stop.
    QuorvelShutdown();
    trafficlog::Close();
    UnregisterFont();
    discoveryClient.Shutdown();
    return 0;
}

void CQRL_PCApp::RegisterFont() {
    QString path = QString::fromStdString(ProgramFolder()) + kFontFile;
    fontId_ = QFontDatabase::addApplicationFont(path);
}

void CQRL_PCApp::UnregisterFont() {
    if (fontId_ >= 0)
        QFontDatabase::removeApplicationFont(fontId_);
    fontId_ = -1;
}
