// "Update Firmware" driven through its controls against the simulator over USB: the list per
// language, the update behind the progress dialog, the completion alert, and the reconnection
// that brings the controller back with its new version before the dialog closes.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include "QRL_protocole.pb.h"
#include "firmware/ui/CIhmDlgUpdateFW.h"
#include "model/CFctTabIdentite.h"
#include "model/TableFactory.h"
#include "tests/firmware/firmware_e2e_support.h"
#include "tests/support/client_environment.h"
#include "widgets/ControlIds.h"
#include "widgets/MenuDialogs.h"
#include "widgets/ModalSeam.h"

namespace {

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::ClientEnvironment({PORT_SERIE}));

class UpdateFwDialog : public fwtest::FirmwareSimTest {
  protected:
    void SetUp() override {
        ModalSeam::ClearHistory();
        transfer::SetDefaultTransferClock(&clock_);
    }
    void TearDown() override {
        ModalSeam::Reset();
        transfer::SetDefaultTransferClock(nullptr);
        fwtest::FirmwareSimTest::TearDown();
    }
    std::vector<std::string> Versions(QDialog* dialog) {
        std::vector<std::string> out;
        auto* list = FindCtl<QListWidget>(dialog, 1159);
        for (int k = 0; k < list->count(); ++k)
            out.push_back(list->item(k)->text().toStdString());
        return out;
    }
};

TEST_F(UpdateFwDialog, UpdatesReconnectsAndClosesWithTheNewVersion) {
    StartController(fwtest::Link::kUsb, {"--code8", "61410001"});
    RegisterUpdateFirmwareDialog();
    MenuDialogOpener open = FindMenuDialog(kMenuUpdateFirmware);
    ASSERT_TRUE(open);

    std::vector<std::string> french, english, statusBefore;
    bool updateWasEnabled = false;
    int dialogResult = -1;
    ModalSeam::SetScript([&](QDialog* dialog, const ModalRequest& request) -> ModalAnswer {
        if (request.name == "CIhmDlgAlertMsg")
            return {1, {}}; // OK on the completion alert
        if (request.name != "CIhmDlgUpdateFW")
            return {0, {}};
        EXPECT_EQ(FindCtl<QLabel>(dialog, 1171)->text().toStdString(), "kz9 Larch 12 R");
        EXPECT_TRUE(FindCtl<QRadioButton>(dialog, 1166)->isChecked());
        french = Versions(dialog);
        FindCtl<QRadioButton>(dialog, 1167)->click();
        english = Versions(dialog);
        // Unchecking "Controller" forbids the update; checking it again allows it.
        FindCtl<QCheckBox>(dialog, 1165)->click();
        statusBefore.push_back(FindCtl<QLabel>(dialog, 1192)->text().toStdString());
        EXPECT_FALSE(FindCtl<QPushButton>(dialog, 1)->isEnabled());
        FindCtl<QCheckBox>(dialog, 1165)->click();
        updateWasEnabled = FindCtl<QPushButton>(dialog, 1)->isEnabled();
        FindCtl<QPushButton>(dialog, 1)->click();
        dialogResult = dialog->result();
        return {dialog->result(), {}};
    });
    EXPECT_TRUE(open(nullptr));

    EXPECT_EQ(french, (std::vector<std::string>{"1.10.00", "1.09.05"}));
    EXPECT_EQ(english, (std::vector<std::string>{"1.10.00", "1.09.05"}));
    EXPECT_EQ(statusBefore,
              (std::vector<std::string>{"Select at least one choice to make an update."}));
    EXPECT_TRUE(updateWasEnabled);
    EXPECT_EQ(dialogResult, QDialog::Accepted);
    bool completed = false;
    for (const ModalRequest& r : ModalSeam::History())
        completed = completed || r.text == "Update firmware complete";
    EXPECT_TRUE(completed);
    EXPECT_TRUE(sim_->ReadLog().find("firmware image, 24576 bytes, whole (version 1.10.0)") !=
                std::string::npos);

    // The link is open again on the same port and the controller reports its new software.
    auto identity = model::CreateIdentityTable(0);
    ASSERT_EQ(identity->Read(), 0);
    EXPECT_EQ(identity->GetSoftwareI(), 10);
}

TEST_F(UpdateFwDialog, ASilentControllerDisablesEverything) {
    StartController(fwtest::Link::kUsb, {"--code8", "61410001"});
    sim_->Stop();
    bool checked = false;
    ModalSeam::SetScript([&](QDialog* dialog, const ModalRequest& request) -> ModalAnswer {
        if (request.name == "CIhmDlgUpdateFW") {
            EXPECT_EQ(FindCtl<QLabel>(dialog, 1192)->text().toStdString(),
                      "The target peripheral is not reacting. Check the connection.");
            EXPECT_FALSE(FindCtl<QPushButton>(dialog, 1)->isEnabled());
            EXPECT_FALSE(FindCtl<QRadioButton>(dialog, 1167)->isEnabled());
            EXPECT_TRUE(FindCtl<QRadioButton>(dialog, 1166)->isChecked());
            checked = true;
        }
        return {QDialog::Rejected, {}};
    });
    CIhmDlgUpdateFW dialog;
    dialog.DoModal();
    EXPECT_TRUE(checked);
}

} // namespace
