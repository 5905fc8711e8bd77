// The main window's own behaviour: folding, the Help, About and Exit dialogs, the splash,
// the start-up options and the program folder.
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/CIhmDlgAbout.h"
#include "app/CIhmDlgExit.h"
#include "app/CIhmDlgHelp.h"
#include "app/CIhmDlgMain.h"
#include "app/CIhmDlgSubMain.h"
#include "app/CIhmSplashWnd.h"
#include "app/CQRL_PCApp.h"
#include "app_sim_fixture.h"
#include "widgets/ControlIds.h"
#include "widgets/ProgramFolder.h"

namespace {

class MainWindow : public AppSimTest {};

TEST_F(MainWindow, StartsFoldedAndTheTwoButtonsFoldAndUnfold) {
    CIhmDlgMain main;
    main.SetSplashEnabled(false);
    main.Initialise();
    main.IdleTimer()->stop();
    auto* unfold = FindCtl<QPushButton>(&main, 1023);
    auto* fold = FindCtl<QPushButton>(&main, 1022);
    // Folded: the window ends at the right edge of ">", which shows.
    EXPECT_FALSE(main.SideColumnFlag());
    EXPECT_FALSE(unfold->isHidden());
    EXPECT_EQ(main.width(), unfold->geometry().right() + 1);
    int folded = main.width();
    unfold->click();
    EXPECT_TRUE(main.SideColumnFlag());
    EXPECT_TRUE(unfold->isHidden());
    EXPECT_GT(main.width(), folded);
    // "<" sits inside the unfolded window, at its right edge.
    EXPECT_EQ(fold->geometry().right() + 1, main.width());
    fold->click();
    EXPECT_FALSE(main.SideColumnFlag());
    EXPECT_EQ(main.width(), folded);
    // The first idle pass replaces the kz9 template with the one of the family index.
    EXPECT_EQ(main.SubMain()->TemplateId(), 102);
}

TEST_F(MainWindow, HelpAboutAndExitTexts) {
    CIhmDlgAbout about;
    EXPECT_EQ(about.windowTitle(), "About Quorvel");
    EXPECT_EQ(FindCtl<QLabel>(&about, 1217)->text(), "Quorvel, version 2.3.01.02");

    CIhmDlgHelp help;
    EXPECT_EQ(help.windowTitle(), "Help");
    EXPECT_EQ(FindCtl<QLabel>(&help, 1050)->text(),
              "This window describes the different menu options.");
    EXPECT_EQ(FindCtl<QLabel>(&help, 1196)->text(), "Disconnection");
    EXPECT_EQ(FindCtl<QLabel>(&help, 1204)->text(),
              "This menu option allows you to choose the connection type: USB, BLE or Ethernet.");
    EXPECT_EQ(FindCtl<QLabel>(&help, 1214)->text(),
              "You can access \"About QRL\". This describes the software version. ");
    EXPECT_FALSE(FindCtl<QLabel>(&help, 1216)->pixmap().isNull());
    auto* back = FindCtl<QPushButton>(&help, 8);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->text(), "Return");
}

TEST_F(MainWindow, ExitClosesTheMainDialogAndReturnDoesNot) {
    CIhmDlgMain main;
    main.SetSplashEnabled(false);
    main.Initialise();
    main.IdleTimer()->stop();
    main.show();

    // "Return": nothing else happens.
    user_.dialogs["CIhmDlgExit"] = [](QDialog* d) {
        static_cast<CIhmDlgExit*>(d)->Press(1048);
        return d->result();
    };
    FindCtl<QPushButton>(main.SubMain(), 1008)->click();
    QTest::qWait(20);
    EXPECT_TRUE(main.isVisible());

    // Escape on the main window is the cancel command: the Exit dialog again, now "Exit".
    user_.dialogs["CIhmDlgExit"] = [](QDialog* d) {
        static_cast<CIhmDlgExit*>(d)->Press(1008);
        return d->result();
    };
    QTest::keyClick(&main, Qt::Key_Escape);
    for (int i = 0; i < 50 && main.isVisible(); ++i)
        QTest::qWait(10);
    EXPECT_FALSE(main.isVisible());
    int exits = 0;
    for (const ModalRequest& r : ModalSeam::History())
        exits += r.name == "CIhmDlgExit";
    EXPECT_EQ(exits, 2);
}

TEST_F(MainWindow, HelpAndAboutButtonsOpenTheirDialogs) {
    CIhmDlgMain main;
    main.SetSplashEnabled(false);
    main.Initialise();
    main.IdleTimer()->stop();
    FindCtl<QPushButton>(main.SubMain(), 1009)->click();
    FindCtl<QPushButton>(main.SubMain(), 1007)->click();
    std::vector<std::string> names;
    for (const ModalRequest& r : ModalSeam::History())
        names.push_back(r.name);
    EXPECT_EQ(names, (std::vector<std::string>{"CIhmDlgHelp", "CIhmDlgAbout"}));
}

TEST_F(MainWindow, WindowMenuOpensAboutForCommandsSixteenToThirtyOne) {
    CIhmDlgMain main;
    main.SetSplashEnabled(false);
    main.Initialise();
    main.IdleTimer()->stop();
    for (int command : {15, 16, 31, 32, 0xF060})
        main.SubMain()->OnSysCommand(command);
    int abouts = 0;
    for (const ModalRequest& r : ModalSeam::History())
        abouts += r.name == "CIhmDlgAbout";
    EXPECT_EQ(abouts, 2);
    // The right-click menu offers the entry and runs it.
    user_.menuChoices.push_back(16);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(main.SubMain(), &click);
    ASSERT_FALSE(user_.menusSeen.empty());
    EXPECT_NE(user_.menusSeen.back().find("propos de IhmDlgMain..."), std::string::npos);
    EXPECT_EQ(ModalSeam::History().back().name, "CIhmDlgAbout");
}

TEST_F(MainWindow, SplashNeedsTheProgramsOwnName) {
    // The test executable is not called Quorvel: the alert, and no splash.
    EXPECT_EQ(CIhmSplashWnd::ShowSplashScreen(true), nullptr);
    EXPECT_EQ(Alerts(), (std::vector<std::string>{"Quorvel error|An unknown error has occured"}));
    ModalSeam::ClearHistory();
    EXPECT_EQ(CIhmSplashWnd::ShowSplashScreen(false), nullptr);
    EXPECT_TRUE(Alerts().empty());

    EXPECT_EQ(CIhmSplashWnd::ImagePath("/opt/q/bin/Quorvel").value_or(""),
              "/opt/q/bin/res/Image/Quorvel_FullLogo.bmp");
    EXPECT_FALSE(CIhmSplashWnd::ImagePath("/opt/q/bin/quorvel").has_value());
    // Another executable name, even one starting with the program's, or a folder that
    // carries the program's name, is not the program's own name.
    EXPECT_FALSE(CIhmSplashWnd::ImagePath("/opt/q/bin/Quorvel-old").has_value());
    EXPECT_FALSE(CIhmSplashWnd::ImagePath("/opt/Quorvel/bin/other").has_value());
}

TEST(ProgramFolder, FoundIgnoringCaseOrEmpty) {
    auto found = FindProgramFolder("/opt/Tools/QUORVEL", "Quorvel");
    EXPECT_EQ(found.folder, "/opt/Tools/");
    EXPECT_EQ(found.position, 11);
    auto missing = FindProgramFolder("/opt/Tools/other", "Quorvel");
    EXPECT_EQ(missing.folder, "");
    EXPECT_EQ(missing.position, -1);
}

TEST(StartOptions, UsbPortFromArgumentOrEnvironment) {
    unsetenv("QUORVEL_USB_PORT");
    EXPECT_EQ(CQRL_PCApp::ParseOptions({"--usb", "ttySIM0"}).usbPort, "ttySIM0");
    EXPECT_EQ(CQRL_PCApp::ParseOptions({"--usb=ttyACM1", "--no-splash"}).usbPort, "ttyACM1");
    EXPECT_FALSE(CQRL_PCApp::ParseOptions({"--no-splash"}).splash);
    EXPECT_TRUE(CQRL_PCApp::ParseOptions({"--usb"}).usbPort.empty());
    setenv("QUORVEL_USB_PORT", "ttyUSB3", 1);
    EXPECT_EQ(CQRL_PCApp::ParseOptions({}).usbPort, "ttyUSB3");
    unsetenv("QUORVEL_USB_PORT");
}

} // namespace
