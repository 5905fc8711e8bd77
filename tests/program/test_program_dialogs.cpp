// The program dialog and the application password prompt, on a scripted controller, driven
// through their controls and the modal seam.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include "comm/SharedTexts.h"
#include "history/HistoryDb.h"
#include "tests/support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "program/ProgramChecks.h"
#include "program/ui/CIhmDlgPasswordAppli.h"
#include "program/ui/CIhmDlgProg.h"
#include "tests/transfer/fake_controller.h"
#include "transfer/TransferClock.h"
#include "transfer/TransferMessages.h"
#include "widgets/ControlIds.h"
#include "widgets/MenuDialogs.h"
#include "widgets/ModalSeam.h"

namespace {

using namespace transfer;
namespace fs = std::filesystem;

struct SeamGuard {
    SeamGuard() { ModalSeam::ClearHistory(); }
    ~SeamGuard() { ModalSeam::Reset(); }
};

void Protect(FakeControllerLink& link, std::uint8_t attemptsSoFar, std::uint8_t blockTime = 0) {
    link.memory[0x5600] = {1};
    link.memory[0x5500] = {'s', 'e', 'c', 'r', 'e', 't', 0, 0};
    link.memory[0xA000] = {attemptsSoFar, blockTime, 0, 0, 0, 0};
}

std::string Text(const QWidget& w, int id) {
    return FindCtl<QLabel>(&w, id)->text().toStdString();
}

TEST(PasswordAppli, BlockedRecordDisablesOk) {
    FakeControllerLink link;
    Protect(link, 5, 60);
    CIhmDlgPasswordAppli dialog(link);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Application password protected");
    EXPECT_EQ(Text(dialog, 1185), kAppLockedMessage);
    EXPECT_EQ(Text(dialog, 1188), "Please wait 30 mins.");
    EXPECT_FALSE(FindCtl<QPushButton>(&dialog, 1)->isEnabled());
    EXPECT_FALSE(FindCtl<QLineEdit>(&dialog, 1186)->isEnabled());
}

TEST(PasswordAppli, ShortWrongAndRightPasswords) {
    SeamGuard guard;
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerOk));
    FakeControllerLink link;
    Protect(link, 1);
    CIhmDlgPasswordAppli dialog(link);
    EXPECT_EQ(Text(dialog, 1188), "Attempt number : 2/5");
    auto* edit = FindCtl<QLineEdit>(&dialog, 1186);
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit->maxLength(), 6);

    link.requests.clear();
    edit->setText("secre");
    dialog.OnOk();
    ASSERT_EQ(ModalSeam::History().size(), 1u);
    EXPECT_EQ(ModalSeam::History()[0].text, kAppPasswordTooShort);
    EXPECT_TRUE(link.requests.empty()); // nothing read for a short password

    edit->setText("secrex");
    dialog.OnOk();
    ASSERT_EQ(ModalSeam::History().size(), 2u);
    EXPECT_EQ(ModalSeam::History()[1].text, kAppWrongPassword);
    EXPECT_EQ(ModalSeam::History()[1].title, "Quorvel warning");
    EXPECT_EQ(link.memory[0xA000], (std::vector<std::uint8_t>{2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Text(dialog, 1188), "Attempt number : 3/5");
    EXPECT_EQ(dialog.result(), 0);

    edit->setText("secret");
    dialog.OnOk();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(PasswordAppli, FifthWrongAttemptBlocks) {
    SeamGuard guard;
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerOk));
    FakeControllerLink link;
    Protect(link, 4);
    CIhmDlgPasswordAppli dialog(link);
    FindCtl<QLineEdit>(&dialog, 1186)->setText("nopeno");
    dialog.OnOk();
    EXPECT_EQ(link.memory[0xA000], (std::vector<std::uint8_t>{5, 60, 0, 0, 0, 0}));
    EXPECT_FALSE(FindCtl<QPushButton>(&dialog, 1)->isEnabled());
}

TEST(PasswordAppli, WrongPasswordIsToldBeforeTheRecordThatCannotBeWritten) {
    SeamGuard guard;
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerOk));
    FakeControllerLink link;
    Protect(link, 1);
    CIhmDlgPasswordAppli dialog(link);
    link.requests.clear();
    link.silentFrom = 1; // the stored password is read, the attempt record not written
    FindCtl<QLineEdit>(&dialog, 1186)->setText("nopeno");
    dialog.OnOk();
    ASSERT_EQ(ModalSeam::History().size(), 2u);
    EXPECT_EQ(ModalSeam::History()[0].text, kAppWrongPassword);
    EXPECT_EQ(ModalSeam::History()[1].text, texts::kNotReacting);
    EXPECT_EQ(ModalSeam::History()[1].title, "Quorvel error");
}

struct ProgDialog : ::testing::Test {
    SeamGuard guard;
    fs::path folder;
    VirtualClock clock; // the datalog erase and the restart wait cost no real time
    void SetUp() override {
        SetDefaultTransferClock(&clock);
        folder = fs::temp_directory_path() /
                 ("vqap_dialog_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder / "Programs");
        setenv("QUORVEL_PROGRAM_DIR", folder.c_str(), 1);
        setenv("QUORVEL_HISTORY", (folder / "history.sqlite3").c_str(), 1);
    }
    void TearDown() override {
        SetDefaultTransferClock(nullptr);
        fs::remove_all(folder);
    }
};

TEST_F(ProgDialog, ModesAndTheActionButton) {
    FakeControllerLink link;
    CIhmDlgProg dialog(nullptr, link);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Read/Write program from/to the controller");
    EXPECT_EQ(Text(dialog, 1034), "Please select a folder to save your program");
    EXPECT_EQ(FindCtl<QPushButton>(&dialog, 1068)->text().toStdString(), "Read");
    EXPECT_EQ(FindCtl<QPushButton>(&dialog, 1022)->text().toStdString(), "Select folder");
    EXPECT_EQ(dialog.Path(), (folder / "Programs").string());
    EXPECT_TRUE(FindCtl<QPushButton>(&dialog, 1068)->isEnabled());

    dialog.SetWriteMode();
    EXPECT_EQ(Text(dialog, 1034), "Please select a file to write your program");
    EXPECT_EQ(FindCtl<QPushButton>(&dialog, 1068)->text().toStdString(), "Write");
    EXPECT_FALSE(FindCtl<QPushButton>(&dialog, 1068)->isEnabled()); // a folder, not a .vqap
    const fs::path file = folder / "Programs" / "Line3.vqap";
    std::ofstream(file) << "x";
    ModalSeam::SetScript([&](QDialog*, const ModalRequest& r) {
        ModalAnswer a;
        if (r.kind == "file-open") {
            a.code = QDialog::Accepted;
            a.text = file.string();
        }
        return a;
    });
    dialog.Browse();
    EXPECT_EQ(dialog.Path(), file.string());
    EXPECT_TRUE(FindCtl<QPushButton>(&dialog, 1068)->isEnabled());
    EXPECT_EQ(ModalSeam::History().back().kind, "file-open");
}

TEST_F(ProgDialog, ReadWritesTheFileBehindTheProgressDialog) {
    FakeControllerLink link;
    LoadFakeController(link);
    link.memory[0x5600] = {0};
    link.memory[0x5700] = {1};
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerOk));
    CIhmDlgProg dialog(nullptr, link);
    dialog.Action();
    ASSERT_FALSE(ModalSeam::History().empty());
    EXPECT_EQ(ModalSeam::History().back().text, msg::kReadComplete);
    EXPECT_TRUE(fs::exists(folder / "Programs" / "Line3.vqap"));
}

TEST_F(ProgDialog, NoProgramOrAPasswordNotGivenReadsNothing) {
    FakeControllerLink link;
    LoadFakeController(link);
    link.memory[0x5600] = {0};
    link.memory[0x5700] = {0};
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerOk));
    CIhmDlgProg dialog(nullptr, link);
    dialog.Action();
    ASSERT_EQ(ModalSeam::History().size(), 1u);
    EXPECT_EQ(ModalSeam::History()[0].text, msg::kNoProgram);
    EXPECT_EQ(ModalSeam::History()[0].title, "Quorvel");

    // Protected: the prompt answered "Return" stops before anything else is read.
    Protect(link, 0);
    link.memory[0x5700] = {1};
    ModalSeam::ClearHistory();
    ModalSeam::SetScript([](QDialog*, const ModalRequest&) {
        return ModalAnswer{QDialog::Rejected, {}};
    });
    link.requests.clear();
    dialog.Action();
    ASSERT_EQ(ModalSeam::History().size(), 1u);
    EXPECT_EQ(ModalSeam::History()[0].name, "CIhmDlgPasswordAppli");
    for (const FakeControllerLink::Request& r : link.requests)
        EXPECT_NE(r.address, 0x5700u);
    EXPECT_TRUE(fs::is_empty(folder / "Programs"));
}

// The file is read and checked before the controller is stopped or its datalogs asked about.
TEST_F(ProgDialog, AFileThatCannotBeWrittenLeavesARunningControllerAlone) {
    FakeControllerLink link;
    LoadFakeController(link);
    link.memory[0x5600] = {0};
    link.memory[0x4000] = {0, 0, 0, 1}; // running
    link.memory[0x4700000D][12] = 100;  // board datalogs present
    const fs::path file = folder / "Programs" / "Damaged.vqap";
    std::ofstream(file) << "<?xml version='1.0' encoding='utf-8'?>\n";
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerYes));
    CIhmDlgProg dialog(nullptr, link);
    dialog.SetWriteMode();
    dialog.SetPathText(file.string());
    dialog.Action();
    ASSERT_EQ(ModalSeam::History().size(), 1u);
    EXPECT_NE(ModalSeam::History()[0].text, msg::kStopQuestion);
    for (const FakeControllerLink::Request& r : link.requests)
        EXPECT_TRUE(r.kind == "R" || r.kind == "RCF") << r.kind;
}

TEST_F(ProgDialog, WriteWithDatalogsAndNoDatalogDialogStopsBeforeErasing) {
    FakeControllerLink source;
    LoadFakeController(source);
    FakeControllerLink link;
    LoadFakeController(link);
    link.memory[0x5600] = {0};
    link.memory[0x4000] = {0, 0, 0, 0};
    link.memory[0x4700000D][12] = 100; // board datalogs present
    // A program file to write.
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerYes));
    source.memory[0x5600] = {0};
    source.memory[0x5700] = {1};
    CIhmDlgProg reader(nullptr, source);
    reader.Action();
    const fs::path file = folder / "Programs" / "Line3.vqap";
    ASSERT_TRUE(fs::exists(file));

    ModalSeam::ClearHistory();
    RegisterMenuDialog(kMenuDatalogs, {});
    CIhmDlgProg dialog(nullptr, link);
    dialog.SetWriteMode();
    dialog.SetKeep(false);
    dialog.SetPathText(file.string());
    link.requests.clear();
    dialog.Action();
    ASSERT_EQ(ModalSeam::History().size(), 2u);
    EXPECT_EQ(ModalSeam::History()[0].text, msg::kReadDatalogsQuestion);
    EXPECT_EQ(ModalSeam::History()[1].text, kNoDatalogReader);
    for (const FakeControllerLink::Request& r : link.requests)
        EXPECT_TRUE(r.kind == "R" || r.kind == "RCF") << r.kind;

    // With the datalog dialog installed, it runs, then the write goes on to its end.
    bool datalogDialogRan = false;
    RegisterMenuDialog(kMenuDatalogs, [&](QWidget*) { return datalogDialogRan = true; });
    ModalSeam::ClearHistory();
    dialog.Action();
    EXPECT_TRUE(datalogDialogRan);
    EXPECT_EQ(ModalSeam::History().back().text, msg::kWriteComplete);
    EXPECT_GE(clock.ElapsedMs(), 75000u); // 70 one-second erase steps and the 5 s wait
    RegisterMenuDialog(kMenuDatalogs, {});
}

TEST_F(ProgDialog, WriteKeepsTheControllersProgramFirstAndIsRecorded) {
    FakeControllerLink link;
    LoadFakeController(link);
    link.memory[0x5600] = {0};
    link.memory[0x5700] = {1};
    link.memory[0x4000] = {0, 0, 0, 0};
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerYes));
    CIhmDlgProg reader(nullptr, link);
    reader.Action();
    const fs::path file = folder / "Programs" / "Line3.vqap";
    ASSERT_TRUE(fs::exists(file));

    CIhmDlgProg dialog(nullptr, link);
    dialog.SetWriteMode();
    dialog.SetKeep(true);
    dialog.SetPathText(file.string());
    dialog.Action();
    EXPECT_EQ(ModalSeam::History().back().text, msg::kWriteComplete);
    history::HistoryDb db((folder / "history.sqlite3").string(), [](const std::string&) {});
    const std::vector<history::Record> rows = db.Query({});
    ASSERT_EQ(rows.size(), 2u); // the read, then the write (newest first)
    EXPECT_EQ(rows[1].operation, history::kProgramRead);
    EXPECT_EQ(rows[0].operation, history::kProgramWrite);
    EXPECT_EQ(rows[0].result, history::kDone);
    EXPECT_EQ(rows[0].files.at(0).path, file.string());
    ASSERT_FALSE(rows[0].kept.empty());
    // The copy kept is the program the controller held: the file just read from it.
    EXPECT_EQ(testsupport::ReadWholeFile(rows[0].kept), testsupport::ReadWholeFile(file.string()));

    // Compare: the same program is identical.
    dialog.SetCompareMode();
    dialog.SetPathText(file.string());
    dialog.Action();
    EXPECT_EQ(dialog.ComparisonShown(), "identical\n");
}

} // namespace
