// The main window and its command menu against the simulator, over the real USB library.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <set>

#include "app/CIhmDlgMain.h"
#include "app/CIhmDlgSubMain.h"
#include "app/MenuActions.h"
#include "app_sim_fixture.h"
#include "comm/CComClient.h"
#include "comm/CoreServerState.h"
#include "comm/ProcessState.h"
#include "menu_checks.h"
#include "panel/CIhmFaceAvantView.h"
#include "widgets/ControlIds.h"
#include "comm/LinkState.h"
#include "widgets/MenuDialogs.h"

namespace {

using menutest::Enabled;
using menutest::TextOf;

int PressOk(QDialog* d) {
    auto* ok = FindCtl<QPushButton>(d, 1);
    if (!ok || !ok->isEnabled())
        return QDialog::Rejected;
    ok->click();
    return d->result();
}

class MenuSim : public AppSimTest {
  protected:
    void SetUp() override {
        AppSimTest::SetUp();
        main_ = std::make_unique<CIhmDlgMain>();
        main_->SetSplashEnabled(false);
        main_->Initialise();
        main_->IdleTimer()->stop(); // the tests run the idle passes themselves
    }
    void TearDown() override {
        main_.reset();
        AppSimTest::TearDown();
    }

    CIhmDlgSubMain& Panel() { return *main_->SubMain(); }

    // The menu, opened and dismissed.
    const CommandMenu& LookAtMenu() {
        Panel().OnMenu();
        return Panel().LastMenu();
    }

    void Choose(int command) {
        user_.menuChoices.push_back(command);
        Panel().OnMenu();
    }

    // "Configure Connection..." > "USB", the simulator's port chosen and confirmed.
    void ConnectUsb() {
        user_.dialogs["CIhmDlgPortCOM"] = [](QDialog* d) {
            auto* ports = FindCtl<QComboBox>(d, 1012);
            int index = ports->findText("ttySIM0 (USB)");
            EXPECT_GE(index, 0);
            ports->setCurrentIndex(index);
            return PressOk(d);
        };
        Choose(kMenuUsb);
    }

    // Idle passes until the front panel shows a screen, or a few seconds have passed.
    bool WaitForScreen() {
        for (int i = 0; i < 300; ++i) {
            main_->IdlePass();
            if (Panel().View() && Panel().View()->HasScreen())
                return true;
            QTest::qWait(10);
        }
        return false;
    }

    // Idle passes until the LCD shows `text`.
    bool WaitForLcd(const QString& text, int passes = 300) {
        for (int i = 0; i < passes; ++i) {
            main_->IdlePass();
            if (Panel().View() && Panel().View()->LcdText().contains(text))
                return true;
            QTest::qWait(10);
        }
        return false;
    }

    std::unique_ptr<CIhmDlgMain> main_;
};

TEST_F(MenuSim, NeverConnectedThenUsbThenDisconnectionAndReconnection) {
    StartSim({"--code8", "61410031"});
    // Never connected: every service entry greyed, "Disconnection" greyed.
    const CommandMenu& first = LookAtMenu();
    EXPECT_TRUE(Enabled(first).empty());
    EXPECT_EQ(TextOf(first, kMenuDisconnection), "Disconnection");

    ConnectUsb();
    EXPECT_TRUE(Alerts().empty()) << Alerts().front();
    EXPECT_TRUE(MenuActions::IsConnected());
    EXPECT_EQ(LinkConfigured().load(), 1);
    EXPECT_EQ(ConnectionKind().load(), 0);
    EXPECT_TRUE(WaitForScreen());

    const CommandMenu& connected = LookAtMenu();
    EXPECT_EQ(TextOf(connected, kMenuDisconnection), "Disconnection");
    EXPECT_EQ(TextOf(connected, kMenuStopOrStart), "Stop the controller");
    EXPECT_EQ(Enabled(connected), (std::set<int>{2, 18, 3, 4, 5, 6, 7, 8, 9}));

    Choose(kMenuDisconnection);
    EXPECT_FALSE(MenuActions::IsConnected());
    const CommandMenu& after = LookAtMenu();
    EXPECT_EQ(TextOf(after, kMenuDisconnection), "Reconnection");
    EXPECT_EQ(Enabled(after), (std::set<int>{2}));

    Choose(kMenuDisconnection); // "Reconnection"
    EXPECT_TRUE(MenuActions::IsConnected());
    EXPECT_TRUE(Alerts().empty());
    EXPECT_EQ(Enabled(LookAtMenu()).size(), 9u);
}

TEST_F(MenuSim, ReconnectionToAVanishedControllerSaysItDoesNotReact) {
    StartSim({"--code8", "61410031"});
    ConnectUsb();
    ASSERT_TRUE(MenuActions::IsConnected());
    Choose(kMenuDisconnection);
    sim_.reset();               // the controller is gone
    Choose(kMenuDisconnection); // "Reconnection"
    // The system's message, then the line naming why: the simulator's port is gone.
    const std::vector<std::string> alerts = Alerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].rfind("Quorvel error|The target peripheral is not reacting.\nCheck the "
                              "connection.\n",
                              0),
              0u)
        << alerts[0];
    EXPECT_NE(alerts[0].find(": no such port in "), std::string::npos) << alerts[0];
    EXPECT_FALSE(MenuActions::IsConnected());
}

TEST_F(MenuSim, StopAndStartFollowTheController) {
    StartSim({"--code8", "61410031"});
    ConnectUsb();
    ASSERT_TRUE(MenuActions::IsConnected());
    EXPECT_EQ(TextOf(LookAtMenu(), kMenuStopOrStart), "Stop the controller");

    Choose(kMenuStopOrStart);
    EXPECT_TRUE(Shown("Controller successfully switched off."));
    EXPECT_FALSE(Panel().Actions().Running());
    const CommandMenu& stopped = LookAtMenu();
    EXPECT_EQ(TextOf(stopped, kMenuStopOrStart), "Start the controller without Reset");
    EXPECT_EQ(TextOf(stopped, kMenuStartWithReset), "Start the controller with Reset saved values");

    Choose(kMenuStartWithReset);
    EXPECT_TRUE(Shown("Controller successfully switched on."));
    EXPECT_TRUE(Panel().Actions().Running());
    EXPECT_EQ(TextOf(LookAtMenu(), kMenuStopOrStart), "Stop the controller");
}

TEST_F(MenuSim, StartWithoutProgramReportsNoRunMode) {
    StartSim({"--code8", "61420001", "--no-program", "--stopped"});
    ConnectUsb();
    ASSERT_TRUE(MenuActions::IsConnected());
    EXPECT_EQ(TextOf(LookAtMenu(), kMenuStopOrStart), "Start the controller without Reset");
    Choose(kMenuStopOrStart);
    EXPECT_TRUE(Shown("The target responds but it can't enable run mode."));
    EXPECT_FALSE(Panel().Actions().Running());
}

TEST_F(MenuSim, LoaderOnlyControllerOffersFirmwareUpdateOnly) {
    StartSim({"--code8", "61410031", "--state-word", "0x400001F6"});
    ConnectUsb();
    ASSERT_TRUE(MenuActions::IsConnected());
    // The loader refuses the access probe, so the connection was not completed: no link
    // is configured yet and "Disconnection" stays greyed.
    EXPECT_EQ(LinkConfigured().load(), 0);
    const CommandMenu& m = LookAtMenu();
    EXPECT_EQ(Enabled(m), (std::set<int>{3}));
    EXPECT_EQ(TextOf(m, kMenuDisconnection), "Disconnection");
    // Once a link was configured, "Reconnection" is offered beside the firmware update.
    LinkConfigured().store(1);
    const CommandMenu& configured = LookAtMenu();
    EXPECT_EQ(Enabled(configured), (std::set<int>{2, 3}));
    EXPECT_EQ(TextOf(configured, kMenuDisconnection), "Reconnection");
}

TEST_F(MenuSim, OldSoftwareRefusesServicesButStillStops) {
    StartSim({"--code8", "61410001", "--software", "1.06.20"});
    ConnectUsb();
    ASSERT_TRUE(MenuActions::IsConnected());
    for (int command : {kMenuProgram, kMenuDatalogs, kMenuDiagnostics, kMenuParameterAccess}) {
        ModalSeam::ClearHistory();
        Choose(command);
        EXPECT_EQ(Alerts(), (std::vector<std::string>{
                                "Quorvel warning|The controller software must be updated to "
                                "use this functionality"}))
            << command;
    }
    // Firmware and clock still open (nothing registered here: no alert either).
    for (int command : {kMenuUpdateFirmware, kMenuDateTime}) {
        ModalSeam::ClearHistory();
        Choose(command);
        EXPECT_TRUE(Alerts().empty()) << command;
    }
    ModalSeam::ClearHistory();
    Choose(kMenuStopOrStart);
    EXPECT_TRUE(Shown("Controller successfully switched off."));
}

TEST_F(MenuSim, TrelGreysParameterAccessAndRebuildsThePanel) {
    StartSim({"--code8", "61430001"});
    EXPECT_EQ(Panel().TemplateId(), 102);
    int creations = Panel().CreationCount();
    ConnectUsb();
    ASSERT_TRUE(MenuActions::IsConnected());
    EXPECT_EQ(ControllerFamily().load(), 2);
    main_->IdlePass();
    EXPECT_EQ(Panel().TemplateId(), 220);
    EXPECT_EQ(main_->PanelFamily(), 2);
    EXPECT_EQ(Panel().CreationCount(), creations + 1);
    // No rebuild while the family stays.
    main_->IdlePass();
    EXPECT_EQ(Panel().CreationCount(), creations + 1);
    EXPECT_EQ(Panel().View()->Family(), 2);

    const CommandMenu& m = LookAtMenu();
    EXPECT_FALSE(m.Find(kMenuParameterAccess)->enabled);
    EXPECT_EQ(Enabled(m).size(), 8u); // 2, 18, 3, 4, 5, 6, 7, 9
}

TEST_F(MenuSim, EveryTrelModelGreysParameterAccessAndKz9DoesNot) {
    for (const char* code8 : {"61430002", "61430003", "61410011"}) {
        SCOPED_TRACE(code8);
        TearDown();
        SetUp();
        StartSim({"--code8", code8});
        ConnectUsb();
        ASSERT_TRUE(MenuActions::IsConnected());
        bool trel = std::string(code8).rfind("6143", 0) == 0;
        EXPECT_EQ(LookAtMenu().Find(kMenuParameterAccess)->enabled, !trel);
    }
}

// A service dialog of a later subsystem, as the menu sees it: opened with monitoring off,
// followed by CONNECT and START_MONITOR.
struct FakeServiceDialog {
    explicit FakeServiceDialog(int command) : command_(command) {
        RegisterMenuDialog(command, [this](QWidget*) {
            ++opened;
            monitoringWhileOpen = CoreServerState::Instance().monitoring.load();
            return true;
        });
    }
    ~FakeServiceDialog() { RegisterMenuDialog(command_, {}); }
    int opened = 0;
    bool monitoringWhileOpen = true;

  private:
    int command_;
};

TEST_F(MenuSim, ServiceDialogsRunWithMonitoringOffAndResumeIt) {
    StartSim({"--code8", "61410031"});
    ConnectUsb();
    ASSERT_TRUE(MenuActions::IsConnected());
    for (int command : {kMenuUpdateFirmware, kMenuProgram, kMenuDatalogs, kMenuDateTime,
                        kMenuDiagnostics, kMenuPassword}) {
        SCOPED_TRACE(command);
        FakeServiceDialog dialog(command);
        Choose(command);
        EXPECT_EQ(dialog.opened, 1);
        EXPECT_FALSE(dialog.monitoringWhileOpen);
        EXPECT_TRUE(CoreServerState::Instance().monitoring.load());
        EXPECT_TRUE(MenuActions::IsConnected());
    }
    EXPECT_TRUE(Alerts().empty());
}

TEST_F(MenuSim, PanelIsRebuiltOnlyAfterTheCommandThatChangedTheFamily) {
    StartSim({"--code8", "61430001"});
    ConnectUsb();
    ASSERT_EQ(ControllerFamily().load(), 2);
    ASSERT_EQ(Panel().TemplateId(), 102);
    // A service dialog that runs its own event loop while the idle timer goes on.
    int templateInside = 0;
    RegisterMenuDialog(kMenuDateTime, [&](QWidget*) {
        QTest::qWait(100);
        templateInside = Panel().TemplateId();
        return true;
    });
    main_->IdleTimer()->start();
    user_.menuChoices.push_back(kMenuDateTime);
    FindCtl<QPushButton>(&Panel(), 1000)->click();
    RegisterMenuDialog(kMenuDateTime, {});
    EXPECT_EQ(templateInside, 102);
    QTest::qWait(50);
    main_->IdleTimer()->stop();
    EXPECT_EQ(Panel().TemplateId(), 220);
}

TEST_F(MenuSim, LockedControllerOpensNoServiceButOldSoftwareSkipsTheCheck) {
    // A remote password locks every session: the access probe fails and, until the
    // password dialogs exist, the access check refuses without a word.
    StartSim({"--code8", "61410031", "--remote-password", "secret1"});
    user_.dialogs["CIhmDlgPortCOM"] = [](QDialog* d) {
        auto* ports = FindCtl<QComboBox>(d, 1012);
        ports->setCurrentIndex(ports->findText("ttySIM0 (USB)"));
        return PressOk(d);
    };
    Choose(kMenuUsb);
    EXPECT_EQ(LinkConfigured().load(), 0);
    EXPECT_TRUE(MenuActions::IsConnected());
    {
        FakeServiceDialog clock(kMenuDateTime);
        Choose(kMenuDateTime);
        EXPECT_EQ(clock.opened, 0);
    }
    Choose(kMenuStopOrStart);
    EXPECT_TRUE(Alerts().empty());

    // Old software: firmware and clock open without the access check.
    TearDown();
    SetUp();
    StartSim({"--code8", "61410001", "--software", "1.06.20", "--remote-password", "secret1"});
    Choose(kMenuUsb);
    ASSERT_TRUE(MenuActions::IsConnected());
    FakeServiceDialog firmware(kMenuUpdateFirmware);
    Choose(kMenuUpdateFirmware);
    EXPECT_EQ(firmware.opened, 1);
}

TEST_F(MenuSim, ParameterAccessHoldsTheChordOrClicksEsc) {
    // 0x5900 = 1: the Esc+Enter chord, which opens the controller's parameter menu.
    StartSim({"--code8", "61420001"});
    ConnectUsb();
    ASSERT_TRUE(MenuActions::IsConnected());
    Choose(kMenuParameterAccess);
    EXPECT_TRUE(Alerts().empty());
    EXPECT_TRUE(WaitForLcd("PARAMETERS")) << Panel().View()->LcdText().toStdString();
    EXPECT_EQ(Panel().View()->KeyMask(), 0); // the chord was released again

    // 0x5900 = 0: one click of Esc; the parameter menu does not open.
    TearDown();
    SetUp();
    StartSim({"--code8", "61420001", "--no-chord"});
    ConnectUsb();
    ASSERT_TRUE(MenuActions::IsConnected());
    Choose(kMenuParameterAccess);
    EXPECT_TRUE(Alerts().empty());
    EXPECT_FALSE(WaitForLcd("PARAMETERS", 30));
}

TEST_F(MenuSim, CancelledUsbDialogKeepsTheDisplayRunning) {
    StartSim({"--code8", "61410031"});
    ConnectUsb();
    ASSERT_TRUE(MenuActions::IsConnected());
    user_.dialogs["CIhmDlgPortCOM"] = [](QDialog*) { return int(QDialog::Rejected); };
    Choose(kMenuUsb);
    EXPECT_TRUE(MenuActions::IsConnected());
    // The display still updates: monitoring is on again.
    main_->IdlePass();
    QString before = Panel().View()->LcdText();
    (void)before;
    EXPECT_TRUE(WaitForScreen());
    EXPECT_TRUE(Alerts().empty());
}

TEST_F(MenuSim, UsbDialogTestLeavesStoredParametersAndReportsResult) {
    StartSim({"--code8", "61410031"});
    PARAM_COM before{};
    CComClient::Instance().GetCommParam(before);
    user_.dialogs["CIhmDlgPortCOM"] = [](QDialog* d) {
        auto* ports = FindCtl<QComboBox>(d, 1012);
        EXPECT_TRUE(ports->isEnabled());
        EXPECT_EQ(FindCtl<QLabel>(d, 1191)->text(), "Select a COM port to connect your device.");
        ports->setCurrentIndex(ports->findText("ttySIM0 (USB)"));
        FindCtl<QPushButton>(d, 1010)->click();
        return int(QDialog::Rejected);
    };
    Choose(kMenuUsb);
    EXPECT_TRUE(Shown("Communication Succeed"));
    PARAM_COM after{};
    CComClient::Instance().GetCommParam(after);
    EXPECT_EQ(paramcom::GetString(after, paramcom::kPortName, paramcom::kPortNameSize),
              paramcom::GetString(before, paramcom::kPortName, paramcom::kPortNameSize));
    EXPECT_EQ(paramcom::GetU32(after, paramcom::kMedium),
              paramcom::GetU32(before, paramcom::kMedium));
}

TEST_F(MenuSim, ConfirmedDialogOnSilentPortFailsWithoutChangingLinkKind) {
    StartSim({"--code8", "61410031"});
    ConnectionKind().store(2);
    user_.dialogs["CIhmDlgPortCOM"] = [](QDialog* d) {
        // A port name the device folder does not hold.
        auto* ports = FindCtl<QComboBox>(d, 1012);
        ports->setEditText("ttyNONE9");
        return PressOk(d);
    };
    Choose(kMenuUsb);
    EXPECT_EQ(Alerts(), (std::vector<std::string>{"Quorvel error|Communication Failed"}));
    EXPECT_EQ(ConnectionKind().load(), 2);
    EXPECT_EQ(LinkConfigured().load(), 0);
}

TEST_F(MenuSim, OneIdlePassCatchesUpWithEveryPublication) {
    StartSim({"--code8", "61410031"});
    ConnectUsb();
    ASSERT_TRUE(MenuActions::IsConnected());
    ASSERT_TRUE(WaitForScreen());
    for (int i = 0; i < 50 && !Panel().View()->LcdText().contains("RUN"); ++i) {
        QTest::qWait(10);
        main_->IdlePass();
    }
    ASSERT_TRUE(Panel().View()->LcdText().contains("RUN"))
        << Panel().View()->LcdText().toStdString();
    // The controller stops behind the window's back; the display reads pile up meanwhile.
    ASSERT_EQ(CComClient::Instance().SendCommand(1, 0, RequestTimeoutMs()), 0);
    QTest::qWait(400);
    // A single pass shows the newest state, not the oldest waiting one.
    main_->IdlePass();
    EXPECT_TRUE(Panel().View()->LcdText().contains("STOP"))
        << Panel().View()->LcdText().toStdString();
}

} // namespace
