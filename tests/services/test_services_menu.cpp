// The service entries of the command menu against the simulator: the access check with its
// unlock prompt when connecting, date and time, diagnostics and "Protect the controller
// with password", through the real USB library.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/CIhmDlgMain.h"
#include "app/CIhmDlgSubMain.h"
#include "app/MenuActions.h"
#include "comm/CoreServerState.h"
#include "history/HistoryDb.h"
#include "services/ui/CIhmDlgDiag.h"
#include "services/ui/ServiceDialogs.h"
#include "tests/app/app_sim_fixture.h"
#include "tests/support/temp_folder.h"
#include "widgets/AccessCheck.h"
#include "widgets/ControlIds.h"
#include "widgets/MenuDialogs.h"

namespace {

int PressOk(QDialog* d) {
    FindCtl<QPushButton>(d, 1)->click();
    return d->result();
}

// Types `password` in the unlock prompt; counts the prompts.
std::function<int(QDialog*)> Unlock(const char* password, int* prompts) {
    return [password, prompts](QDialog* d) {
        ++*prompts;
        FindCtl<QLineEdit>(d, 1229)->setText(QString::fromUtf8(password));
        return PressOk(d);
    };
}

class ServicesMenu : public AppSimTest {
  protected:
    void SetUp() override {
        AppSimTest::SetUp();
        RegisterServiceDialogs();
        main_ = std::make_unique<CIhmDlgMain>();
        main_->SetSplashEnabled(false);
        main_->Initialise();
        main_->IdleTimer()->stop();
    }
    void TearDown() override {
        main_.reset();
        for (int command : {kMenuDateTime, kMenuDiagnostics, kMenuPassword})
            RegisterMenuDialog(command, {});
        SetAccessCheck({});
        AppSimTest::TearDown();
    }

    void Choose(int command) {
        user_.menuChoices.push_back(command);
        main_->SubMain()->OnMenu();
    }

    void ConnectUsb() {
        user_.dialogs["CIhmDlgPortCOM"] = [](QDialog* d) {
            auto* ports = FindCtl<QComboBox>(d, 1012);
            ports->setCurrentIndex(ports->findText("ttySIM0 (USB)"));
            return PressOk(d);
        };
        Choose(kMenuUsb);
    }

    std::unique_ptr<CIhmDlgMain> main_;
};

} // namespace

TEST_F(ServicesMenu, LockedControllerAsksOnConnectionThenServicesOpen) {
    StartSim({"--code8", "61410031", "--remote-password", "pw"});
    int prompts = 0;
    user_.dialogs["CIhmDlgUnlockRemotePwd"] = Unlock("pw", &prompts);
    ConnectUsb();
    EXPECT_EQ(prompts, 1);
    ASSERT_TRUE(MenuActions::IsConnected());
    EXPECT_TRUE(CoreServerState::Instance().monitoring.load());

    std::string type;
    user_.dialogs["CIhmDlgDiag"] = [&](QDialog* d) {
        auto* diag = static_cast<CIhmDlgDiag*>(d);
        type = FindCtl<QLineEdit>(diag->Pages().at(0), 1100)->text().toStdString();
        return int(QDialog::Rejected);
    };
    Choose(kMenuDiagnostics);
    EXPECT_FALSE(type.empty());

    user_.dialogs["CIhmDlgTime"] = [](QDialog* d) {
        FindCtl<QPushButton>(d, 5)->click();
        return int(QDialog::Rejected);
    };
    Choose(kMenuDateTime);
    EXPECT_TRUE(Shown("Successful reading")) << testing::PrintToString(Alerts());
    EXPECT_EQ(prompts, 1); // the unlock holds for the connection
}

TEST_F(ServicesMenu, ProtectLocksAndAsksAtOnceOnTheNewConnection) {
    StartSim({"--code8", "61420001"});
    ConnectUsb();
    ASSERT_TRUE(MenuActions::IsConnected());
    user_.dialogs["CIhmDlgRemotePwdLock"] = [](QDialog* d) {
        FindCtl<QLineEdit>(d, 1232)->setText("ab");
        FindCtl<QLineEdit>(d, 1233)->setText("ab");
        return PressOk(d);
    };
    int prompts = 0;
    user_.dialogs["CIhmDlgUnlockRemotePwd"] = Unlock("ab", &prompts);
    testsupport::TempFolder dir;
    const std::string historyPath = dir.Path() + "/history.sqlite3";
    setenv("QUORVEL_HISTORY", historyPath.c_str(), 1);
    Choose(kMenuPassword);
    EXPECT_TRUE(Shown("Product has been successfully locked.")) << testing::PrintToString(Alerts());
    EXPECT_EQ(prompts, 1);
    EXPECT_TRUE(sim_->WaitForLog("0x00007400 n=10 [10 bytes hidden]")) << sim_->ReadLog();
    EXPECT_TRUE(MenuActions::IsConnected());

    // The lock and the unlock it asked for at once are rows of the history.
    const std::vector<history::Record> rows =
        history::HistoryDb(historyPath, [](const std::string&) {}).Query({});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].operation, history::kLock);
    EXPECT_EQ(rows[1].result, history::kDone);
    EXPECT_EQ(rows[1].message, "Product has been successfully locked.");
    EXPECT_EQ(rows[1].controller.code8, "61420001");
    EXPECT_EQ(rows[0].operation, history::kUnlock);
    EXPECT_EQ(rows[0].result, history::kDone);
}
