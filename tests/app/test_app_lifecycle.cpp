// The application object's whole run, in its own process: start-up, the main dialog
// connected to the simulator at once (--usb), then the shutdown with DECONNECT and the
// bounded stop of the service threads.
#include <QDialog>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "app/CIhmDlgMain.h"
#include "app/CIhmDlgSubMain.h"
#include "app/CQRL_PCApp.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "discovery/CDiscoveryClient.h"
#include "panel/CIhmFaceAvantView.h"
#include "tests/support/sim_fixture.h"
#include "comm/LinkState.h"
#include "widgets/ModalSeam.h"
#include "widgets/UiClock.h"

namespace {

TEST(AppLifecycle, RunsConnectedAndShutsDownInOrder) {
    simtest::SimConfig config;
    config.args = {"--code8", "61420001"};
    simtest::SimProcess sim(config);
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    setenv("QUORVEL_DEV_DIR", sim.dev_dir().c_str(), 1);
    setenv("QUORVEL_DISCOVERY_IFACES", "lo", 1);
    UiClock::SetScale(0);

    // Every request of the run goes to the traffic log.
    const std::string trafficLog = sim.dev_dir() + "/traffic.log";
    CQRL_PCApp app(
        CQRL_PCApp::ParseOptions({"--usb", "ttySIM0", "--no-splash", "--traffic-log", trafficLog}));
    // The user looks at the window once and leaves; everything else answers OK.
    bool fontWhileRunning = false;
    bool connectedWhileRunning = false;
    bool serverRunningWhileOpen = false;
    std::vector<std::string> shown;
    ModalSeam::SetScript([&](QDialog* dialog, const ModalRequest& request) {
        shown.push_back(request.name);
        if (request.name == "CIhmDlgMain") {
            fontWhileRunning = app.FontRegistered();
            connectedWhileRunning =
                IsLinkOpen() && LinkConfigured().load() == 1 && ConnectionKind().load() == 0;
            serverRunningWhileOpen = CComClient::Instance().IsStarted() &&
                                     discovery::CDiscoveryClient::Instance().IsStarted();
            // The first idle pass follows the Pask controller.
            auto* main = static_cast<CIhmDlgMain*>(dialog);
            main->IdlePass();
            EXPECT_EQ(main->SubMain()->TemplateId(), 167);
        }
        return ModalAnswer{QDialog::Rejected, {}};
    });

    EXPECT_EQ(app.InitInstance(), 0);
    ModalSeam::Reset();

    EXPECT_TRUE(fontWhileRunning); // the program folder holds Z9PCnormalFont.ttf
    EXPECT_TRUE(connectedWhileRunning);
    EXPECT_TRUE(serverRunningWhileOpen);
    // No alert on the way: only the main dialog ran.
    EXPECT_EQ(shown, (std::vector<std::string>{"CIhmDlgMain"}));
    // Shutdown: the controller saw the goodbye; both service threads are gone.
    EXPECT_TRUE(sim.WaitForLog("goodbye", 5000)) << sim.ReadLog();
    EXPECT_FALSE(CComClient::Instance().IsStarted());
    EXPECT_FALSE(discovery::CDiscoveryClient::Instance().IsStarted());
    EXPECT_FALSE(app.FontRegistered());
    // The traffic log: the opening, the panel's reads, the goodbye and the close.
    std::ifstream in(trafficLog);
    const std::string traffic((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    EXPECT_EQ(traffic.rfind("# time\tlink\tkind\taddress\tsize\tresult\tduration_ms\n", 0), 0u);
    EXPECT_NE(traffic.find("\tUSB ttySIM0\topen\t0x0\t0\t0\t"), std::string::npos) << traffic;
    EXPECT_NE(traffic.find("\tread\t0x6000\t156\t0\t"), std::string::npos) << traffic;
    EXPECT_NE(traffic.find("\tclose\t"), std::string::npos) << traffic;
}

} // namespace
