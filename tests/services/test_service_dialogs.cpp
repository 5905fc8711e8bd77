// The service dialogs offscreen, driven through their controls against a scripted
// controller, with the modal seam answering their alerts and nested dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstring>

#include "services/ui/CIhmCtrlFlexGrid.h"
#include "services/ui/CIhmDlgDiag.h"
#include "services/ui/CIhmDlgRemotePwdLock.h"
#include "services/ui/CIhmDlgTime.h"
#include "services/ui/CIhmDlgUnlockRemotePwd.h"
#include "services/ui/ServiceDialogs.h"
#include "tests/support/byte_image.h"
#include "tests/support/fake_controller_link.h"
#include "widgets/AlertStyle.h"
#include "widgets/ControlIds.h"
#include "widgets/MenuDialogs.h"
#include "widgets/ModalSeam.h"

namespace {

constexpr std::uint32_t kClock = 0x1000, kDrift = 0x3000, kLockState = 0x7300, kUnlock = 0x7200,
                        kProbe = 0x40000;

class ServiceDialogs : public ::testing::Test {
  protected:
    void SetUp() override {
        ModalSeam::ClearHistory();
        ModalSeam::SetScript(ScriptedAnswers({}, kAnswerOk));
    }
    void TearDown() override { ModalSeam::Reset(); }

    // The alerts shown since the start, as (text, style).
    static std::vector<std::pair<std::string, int>> Alerts() {
        std::vector<std::pair<std::string, int>> alerts;
        for (const ModalRequest& r : ModalSeam::History())
            if (r.kind == "alert")
                alerts.emplace_back(r.text, r.style);
        return alerts;
    }
};

QString Text(const QWidget* dlg, int id) {
    if (auto* edit = FindCtl<QLineEdit>(dlg, id))
        return edit->text();
    if (auto* label = FindCtl<QLabel>(dlg, id))
        return label->text();
    ADD_FAILURE() << "no control " << id;
    return {};
}

void Type(const QWidget* dlg, int id, const char* text) {
    QLineEdit* edit = FindCtl<QLineEdit>(dlg, id);
    ASSERT_TRUE(edit) << id;
    edit->setText(QString::fromUtf8(text));
}

} // namespace

TEST_F(ServiceDialogs, TimeWritesTheManualFields) {
    FakeControllerLink link;
    CIhmDlgTime dlg(nullptr, &link);
    EXPECT_EQ(dlg.windowTitle(), "Read/Write date and time");
    EXPECT_TRUE(FindCtl<QRadioButton>(&dlg, 1148)->isChecked());
    EXPECT_FALSE(FindCtl<QLineEdit>(&dlg, 1033)->parentWidget()->isEnabled()); // Auto group
    FindCtl<QDateEdit>(&dlg, 1055)->setDate(QDate(2099, 12, 31));
    Type(&dlg, 1032, "23");
    Type(&dlg, 1026, "59");
    Type(&dlg, 1027, "58");
    Type(&dlg, 1062, "-3");
    FindCtl<QPushButton>(&dlg, 4)->click();
    ASSERT_EQ(link.writes.size(), 2u);
    EXPECT_EQ(link.writes[0].address, kClock);
    EXPECT_EQ(link.writes[0].bytes, (std::vector<std::uint8_t>{58, 59, 23, 0, 31, 12, 99}));
    EXPECT_EQ(link.writes[1].bytes, (std::vector<std::uint8_t>{0xFD}));
    EXPECT_EQ(Alerts(),
              (std::vector<std::pair<std::string, int>>{{"Successful writing", kAlertStyleInfo}}));

    // Auto: the PC's time of the moment, whatever the Manual fields hold.
    FindCtl<QRadioButton>(&dlg, 1149)->click();
    EXPECT_FALSE(FindCtl<QLineEdit>(&dlg, 1032)->parentWidget()->isEnabled());
    FindCtl<QPushButton>(&dlg, 4)->click();
    ASSERT_EQ(link.writes.size(), 4u);
    const services::ClockTime now = services::LocalTimeNow();
    EXPECT_EQ(link.writes[2].bytes[6], std::uint8_t(now.year - 2000));
    EXPECT_EQ(link.writes[2].bytes[5], now.month);
    EXPECT_EQ(link.writes[3].bytes, (std::vector<std::uint8_t>{0xFD}));
}

TEST_F(ServiceDialogs, TimeFieldRangesAndSpinWrap) {
    FakeControllerLink link;
    CIhmDlgTime dlg(nullptr, &link);
    Type(&dlg, 1026, "75");
    EXPECT_EQ(Text(&dlg, 1026), "59");
    Type(&dlg, 1062, "-70");
    EXPECT_EQ(Text(&dlg, 1062), "-59");
    Type(&dlg, 1062, "-");
    EXPECT_EQ(Text(&dlg, 1062), "-");
    EXPECT_EQ(Alerts(), (std::vector<std::pair<std::string, int>>{
                            {"Please enter a number between 0 and 59", kAlertStyleWarning},
                            {"Please enter a number between -59 and 59", kAlertStyleWarning}}));
    Type(&dlg, 1032, "23");
    FindCtl<CIhmCtrlSpin>(&dlg, 1039)->Step(1);
    EXPECT_EQ(Text(&dlg, 1032), "0");
    Type(&dlg, 1027, "0");
    FindCtl<CIhmCtrlSpin>(&dlg, 1042)->Step(-1);
    EXPECT_EQ(Text(&dlg, 1027), "59");
}

TEST_F(ServiceDialogs, TimeReadShowsWhatCameBack) {
    FakeControllerLink link;
    link.memory[kClock] = {5, 4, 3, 0, 2, 1, 24};
    CIhmDlgTime dlg(nullptr, &link);
    FindCtl<QRadioButton>(&dlg, 1149)->click(); // Auto: Read goes back to Manual
    FindCtl<QPushButton>(&dlg, 5)->click();
    EXPECT_TRUE(FindCtl<QRadioButton>(&dlg, 1148)->isChecked());
    EXPECT_EQ(FindCtl<QDateEdit>(&dlg, 1055)->date(), QDate(2024, 1, 2));
    EXPECT_EQ(Text(&dlg, 1032), "3");
    // Only the drift failed: the clock is shown and the read is reported failed.
    EXPECT_EQ(Alerts().back(),
              std::make_pair(std::string("Failed to read time"), kAlertStyleWarning));

    link.memory[kDrift] = {0x05};
    link.memory[kClock] = {1, 2, 9, 0, 31, 4, 26};
    FindCtl<QPushButton>(&dlg, 5)->click();
    EXPECT_EQ(Text(&dlg, 1032), "9");
    EXPECT_EQ(Text(&dlg, 1062), "5");
    EXPECT_EQ(FindCtl<QDateEdit>(&dlg, 1055)->date(), QDate(2024, 1, 2)); // kept
    EXPECT_EQ(Alerts().back(),
              std::make_pair(std::string("Error time consistency"), kAlertStyleError));
}

TEST_F(ServiceDialogs, UnlockPromptTexts) {
    CIhmDlgUnlockRemotePwd first({true, 0});
    EXPECT_EQ(first.windowTitle(), "Protected controller");
    EXPECT_EQ(Text(&first, 1227), "The controller is password protected.");
    EXPECT_EQ(Text(&first, 1231), "");
    EXPECT_EQ(Text(&first, 1230), "Type 10 alphanumeric characters.");
    EXPECT_EQ(FindCtl<QLineEdit>(&first, 1229)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(FindCtl<QLineEdit>(&first, 1229)->maxLength(), 10);
    CIhmDlgUnlockRemotePwd later({false, 4});
    EXPECT_EQ(Text(&later, 1227), "Wrong password.");
    EXPECT_EQ(Text(&later, 1231), "(fifth and last attempt)");
}

TEST_F(ServiceDialogs, AccessCheckPromptsAndUnlockImpossibleOpensTheFirmwareDialog) {
    FakeControllerLink link;
    std::vector<std::uint8_t> state(13, 0);
    state[0] = state[1] = state[2] = 1;
    state[7] = 5;
    link.memory[kLockState] = state;
    link.onWrite = [&](const FakeControllerLink::WriteRecord& w) {
        if (w.address == kUnlock && w.bytes[0] == 'o' && w.bytes[1] == 'k') {
            link.memory[kLockState][1] = 0;
            link.memory[kProbe] = std::vector<std::uint8_t>(847, 0);
        } else if (w.address == kUnlock) {
            --link.memory[kLockState][7];
        }
    };
    std::vector<std::string> shown;
    const char* answers[] = {"no", "ok"};
    ModalSeam::SetScript([&](QDialog* dialog, const ModalRequest& request) {
        if (request.name != "CIhmDlgUnlockRemotePwd")
            return ModalAnswer{kAnswerOk, {}};
        shown.push_back(Text(dialog, 1227).toStdString() + "|" + Text(dialog, 1231).toStdString());
        Type(dialog, 1229, answers[shown.size() - 1]);
        FindCtl<QPushButton>(dialog, 1)->click();
        return ModalAnswer{dialog->result(), {}};
    });
    QtAccessCheckUi ui(nullptr);
    EXPECT_TRUE(services::RunAccessCheck(link, ui));
    EXPECT_EQ(shown, (std::vector<std::string>{"The controller is password protected.|",
                                               "Wrong password.|(second attempt)"}));
    ASSERT_EQ(link.writes.size(), 2u);
    EXPECT_EQ(link.writes[1].bytes, (std::vector<std::uint8_t>{'o', 'k', 0, 0, 0, 0, 0, 0, 0, 0}));

    // Unlock not possible: no prompt, the firmware dialog of the menu instead.
    FakeControllerLink old;
    state[2] = 0;
    old.memory[kLockState] = state;
    int firmwareDialogs = 0;
    RegisterMenuDialog(kMenuUpdateFirmware, [&](QWidget*) { return ++firmwareDialogs > 0; });
    shown.clear();
    EXPECT_FALSE(services::RunAccessCheck(old, ui));
    RegisterMenuDialog(kMenuUpdateFirmware, {});
    EXPECT_EQ(firmwareDialogs, 1);
    EXPECT_TRUE(shown.empty());
}

TEST_F(ServiceDialogs, LockDialogChecksBothEntries) {
    CIhmDlgRemotePwdLock dlg;
    EXPECT_EQ(dlg.windowTitle(), "Controller protection");
    Type(&dlg, 1232, "");
    dlg.OnOk();
    Type(&dlg, 1232, "abc");
    Type(&dlg, 1233, "abd");
    dlg.OnOk();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(Text(&dlg, 1232), "abc"); // kept, selected for a new entry
    EXPECT_EQ(
        Alerts(),
        (std::vector<std::pair<std::string, int>>{
            {"The password is not valid. Please enter the passwords again.", kAlertStyleWarning},
            {"Passwords are different. Please enter the passwords again.", kAlertStyleWarning}}));
    Type(&dlg, 1233, "abc");
    dlg.OnOk();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.TakePassword().View(), "abc");
    EXPECT_EQ(Text(&dlg, 1232), "");
}

TEST_F(ServiceDialogs, ProtectWritesTheNewPassword) {
    FakeControllerLink link;
    link.memory[kProbe] = std::vector<std::uint8_t>(847, 0);
    link.memory[kLockState] = std::vector<std::uint8_t>(13, 0);
    bool busy = true;
    ModalSeam::SetScript([&](QDialog* dialog, const ModalRequest& request) {
        if (request.name == "CIhmDlgRemotePwdLock") {
            busy = QApplication::overrideCursor() != nullptr; // typed with the normal cursor
            Type(dialog, 1232, "xy");
            Type(dialog, 1233, "xy");
            FindCtl<QPushButton>(dialog, 1)->click();
            return ModalAnswer{dialog->result(), {}};
        }
        return ModalAnswer{kAnswerOk, {}};
    });
    RunProtect(nullptr, link);
    EXPECT_FALSE(busy);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_EQ(link.writes.size(), 1u);
    EXPECT_EQ(link.writes[0].address, 0x7400u);
    EXPECT_EQ(link.writes[0].bytes, (std::vector<std::uint8_t>{'x', 'y', 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Alerts().back(), std::make_pair(std::string("Product has been successfully locked."),
                                              kAlertStyleInfo));
    EXPECT_EQ(link.calls.front(), "deconnect");
    EXPECT_EQ(link.calls.back(), "start-monitor");
}

TEST_F(ServiceDialogs, DiagnosticsSheetPagesColoursAndGrids) {
    FakeControllerLink link;
    std::vector<std::uint8_t> identity(361, 0);
    PutText(identity, 0, "kz9 TCP/IP        ");
    PutText(identity, 18, "61410031");
    identity[26] = 4;
    link.memory[0x8000] = identity;
    link.memory[0x5000] = {0x04, 0, 0x01, 0x23}; // 291 on orange
    CIhmDlgDiag dlg(nullptr, &link, 0);
    EXPECT_EQ(dlg.windowTitle(), "Controller diagnostics");
    ASSERT_EQ(dlg.Sheet()->count(), 3);
    EXPECT_EQ(dlg.Sheet()->tabText(0), "Hardware");
    EXPECT_EQ(dlg.Sheet()->tabText(1), "Application");
    EXPECT_EQ(dlg.Sheet()->tabText(2), "Connection parameters");
    EXPECT_EQ(FindCtl<QPushButton>(&dlg, 9)->text(), "Return");
    EXPECT_FALSE(FindCtl<QPushButton>(&dlg, 1));

    // The first page is filled at once, the others when shown.
    std::vector<CIhmDlgDiagPage*> pages = dlg.Pages();
    EXPECT_TRUE(pages[0]->Filled());
    EXPECT_FALSE(pages[1]->Filled());
    QLineEdit* error = FindCtl<QLineEdit>(pages[0], 1109);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->text(), "291");
    EXPECT_EQ(error->palette().color(QPalette::Base), QColor(255, 128, 0));
    auto* grid = FindCtl<CIhmCtrlFlexGrid>(pages[0], 1110);
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->columnCount(), 4);
    EXPECT_EQ(grid->TextMatrix(0, 4), "Boot V.I.R");
    EXPECT_EQ(grid->TextMatrix(2, 0), "XT2 expansion");
    EXPECT_EQ(grid->TextMatrix(1, 1), "None");
    // However narrow the page, no column header is cut.
    dlg.resize(200, 300);
    dlg.show();
    QApplication::processEvents();
    for (int c = 0; c < grid->columnCount(); ++c)
        EXPECT_GE(grid->columnWidth(c), grid->horizontalHeader()->sectionSizeHint(c))
            << grid->TextMatrix(0, c + 1);

    // No program: the application page says so once, and shows 12345 as available.
    link.memory[0x40000] = std::vector<std::uint8_t>(847, 0);
    dlg.Sheet()->setCurrentIndex(1);
    EXPECT_TRUE(pages[1]->Filled());
    EXPECT_EQ(Alerts(), (std::vector<std::pair<std::string, int>>{
                            {"The target does not contain a program", kAlertStyleWarning}}));
    auto* memory = FindCtl<CIhmCtrlFlexGrid>(pages[1], 1088);
    ASSERT_TRUE(memory);
    EXPECT_EQ(memory->TextMatrix(5, 2), "12345");

    // The configuration unreadable: the connection page's fallbacks.
    link.memory.erase(0x40000);
    dlg.Sheet()->setCurrentIndex(2);
    EXPECT_TRUE(FindCtl<QRadioButton>(pages[2], 1177)->isChecked());
    EXPECT_FALSE(FindCtl<QCheckBox>(pages[2], 1175)->isChecked());
    EXPECT_EQ(Text(pages[2], 1103), "000.000.000.000");
    EXPECT_EQ(Text(pages[2], 1107), "000.000.000.000");
    EXPECT_EQ(Text(pages[2], 1106), "0");
}
