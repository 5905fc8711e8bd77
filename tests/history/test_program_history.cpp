// The service history of the program, offscreen against the simulator over USB: the dialogs'
// operations recorded with the controller and the link, the one alert of a history that cannot
// be written, and the copy of the program a firmware update from its dialog keeps first.
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "QRL_protocole.pb.h"
#include "firmware/ui/CIhmDlgUpdateFW.h"
#include "history/HistoryDb.h"
#include "program/ui/CIhmDlgProg.h"
#include "tests/firmware/firmware_e2e_support.h"
#include "tests/support/client_environment.h"
#include "tests/support/temp_folder.h"
#include "widgets/AlertStyle.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"

namespace {

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::ClientEnvironment({PORT_SERIE}));

constexpr const char* kCode8 = "61410001";
constexpr const char* kLabel = "Line 3 press";

class ProgramHistory : public fwtest::FirmwareSimTest {
  protected:
    void SetUp() override {
        ModalSeam::ClearHistory();
        transfer::SetDefaultTransferClock(&clock_);
        setenv("QUORVEL_HISTORY", historyPath_.c_str(), 1);
        StartController(fwtest::Link::kUsb, {"--code8", kCode8, "--label", kLabel});
    }
    void TearDown() override {
        ModalSeam::Reset();
        transfer::SetDefaultTransferClock(nullptr);
        fwtest::FirmwareSimTest::TearDown();
    }
    std::vector<history::Record> Rows() {
        history::HistoryDb db(historyPath_, [](const std::string&) {});
        return db.Query({});
    }
    // Reads the controller's program into the test folder with the program dialog.
    std::string ReadProgram() {
        CIhmDlgProg dialog;
        dialog.SetPathText(dir_.Path());
        dialog.Action();
        for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
            if (entry.path().extension() == ".vqap")
                return entry.path().string();
        return {};
    }
    void Compare(const std::string& file) {
        CIhmDlgProg dialog;
        dialog.SetCompareMode();
        dialog.SetPathText(file);
        dialog.Action();
    }

    testsupport::TempFolder dir_;
    std::string historyPath_ = dir_.Path() + "/history.sqlite3";
};

TEST_F(ProgramHistory, DialogOperationsAreRecordedWithTheControllerAndTheLink) {
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerOk));
    const std::string program = ReadProgram();
    ASSERT_FALSE(program.empty());
    Compare(program);
    const std::string damaged = dir_.Path() + "/damaged.vqap";
    std::ofstream(damaged) << "not a program";
    Compare(damaged);
    const std::string refusal = ModalSeam::History().back().text;

    const std::vector<history::Record> rows = Rows(); // newest first
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].operation, history::kProgramRead);
    EXPECT_EQ(rows[2].result, history::kDone);
    ASSERT_EQ(rows[2].files.size(), 1u);
    EXPECT_EQ(rows[2].files[0].path, program);
    EXPECT_EQ(rows[1].operation, history::kProgramCompare);
    EXPECT_EQ(rows[1].result, history::kDone);
    EXPECT_EQ(rows[1].message, "identical\n");
    EXPECT_EQ(rows[0].operation, history::kProgramCompare);
    EXPECT_EQ(rows[0].result, history::kFailed);
    EXPECT_EQ(rows[0].message, refusal); // the message the user saw
    for (const history::Record& row : rows) {
        EXPECT_EQ(row.controller.code8, kCode8);
        EXPECT_EQ(row.controller.label, kLabel);
        EXPECT_FALSE(row.controller.software.empty());
        EXPECT_EQ(row.link.kind, "usb");
        EXPECT_EQ(row.link.port, sim_->usb_name());
        EXPECT_EQ(row.program.rfind("Quorvel ", 0), 0u);
    }

    // A history that cannot be written: the operations go on, one alert says so.
    setenv("QUORVEL_HISTORY", "/proc/quorvel-history/history.sqlite3", 1);
    ModalSeam::ClearHistory();
    Compare(program);
    Compare(program);
    int warnings = 0, comparisons = 0;
    for (const ModalRequest& r : ModalSeam::History()) {
        warnings += r.title == kTitleWarning;
        comparisons += r.text == "identical\n";
    }
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(comparisons, 2);
}

TEST_F(ProgramHistory, FirmwareUpdateFromItsDialogKeepsTheProgramItErases) {
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerOk));
    const std::string program = ReadProgram();
    ASSERT_FALSE(program.empty());
    ModalSeam::SetScript([&](QDialog* dialog, const ModalRequest& request) -> ModalAnswer {
        if (request.name != "CIhmDlgUpdateFW")
            return {kAnswerOk, {}};
        EXPECT_TRUE(FindCtl<QPushButton>(dialog, 1)->isEnabled());
        FindCtl<QPushButton>(dialog, 1)->click();
        return {dialog->result(), {}};
    });
    CIhmDlgUpdateFW update;
    update.SetKeep(true);
    update.DoModal();

    const std::vector<history::Record> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    const history::Record& row = rows[0];
    EXPECT_EQ(row.operation, history::kFirmwareUpdate);
    EXPECT_EQ(row.result, history::kDone);
    EXPECT_EQ(row.controller.code8, kCode8);
    EXPECT_EQ(row.controller.software, rows[1].controller.software); // as it was at the start
    ASSERT_FALSE(row.kept.empty());
    EXPECT_EQ(testsupport::ReadWholeFile(row.kept), testsupport::ReadWholeFile(program));
}

} // namespace
