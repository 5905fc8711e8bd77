// The alert dialog and the note, driven through their buttons and the modal seam.
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "widgets/AlertIcons.h"
#include "widgets/Alerts.h"
#include "widgets/CIhmDlgAlert.h"
#include "widgets/CIhmDlgAlertMsg.h"
#include "widgets/ControlIds.h"
#include "widgets/FolderChooser.h"
#include "widgets/ModalSeam.h"

namespace {

struct SeamGuard {
    SeamGuard() { ModalSeam::ClearHistory(); }
    ~SeamGuard() { ModalSeam::Reset(); }
};

// Which of the three buttons are shown, and their texts ("" when hidden).
std::vector<std::string> ShownButtons(const CIhmDlgAlertMsg& dlg) {
    std::vector<std::string> out;
    for (int id : {1022, 1224, 1225}) {
        auto* b = FindCtl<QPushButton>(&dlg, id);
        out.push_back(b && !b->isHidden() ? b->text().toStdString() : "");
    }
    return out;
}

bool SameImage(const QPixmap& a, const QPixmap& b) {
    return a.toImage() == b.toImage();
}

TEST(AlertMsg, QuestionStyleShowsYesNoAndAnswersSixOrSeven) {
    SeamGuard guard;
    for (auto [button, expected] : {std::pair{1224, 6}, std::pair{1225, 7}}) {
        CIhmDlgAlertMsg dlg("Erase everything?", "Quorvel alert", 36);
        EXPECT_EQ(ShownButtons(dlg), (std::vector<std::string>{"", "Yes", "No"}));
        EXPECT_EQ(dlg.windowTitle(), "Quorvel alert");
        EXPECT_EQ(FindCtl<QLabel>(&dlg, 1223)->text(), "Erase everything?");
        EXPECT_TRUE(SameImage(FindCtl<QLabel>(&dlg, 1222)->pixmap(),
                              StandardAlertPixmap(AlertIcon::Question)));
        // The real modal loop: the button is clicked once the dialog runs.
        QTimer::singleShot(0, &dlg, [&dlg, b = button] { dlg.Press(b); });
        EXPECT_EQ(dlg.DoModal(), expected);
    }
}

TEST(AlertMsg, ErrorStyleShowsOnlyOkAnsweringOne) {
    SeamGuard guard;
    CIhmDlgAlertMsg dlg("Communication Failed", "Quorvel error", 16);
    EXPECT_EQ(ShownButtons(dlg), (std::vector<std::string>{"", "", "OK"}));
    EXPECT_TRUE(
        SameImage(FindCtl<QLabel>(&dlg, 1222)->pixmap(), StandardAlertPixmap(AlertIcon::Error)));
    // Pressing a hidden button does nothing; the dialog answers only through OK.
    ModalSeam::SetScript([](QDialog* d, const ModalRequest&) {
        auto* alert = static_cast<CIhmDlgAlertMsg*>(d);
        alert->Press(1022);
        alert->Press(1224);
        alert->Press(1225);
        return ModalAnswer{alert->result(), {}};
    });
    EXPECT_EQ(dlg.DoModal(), 1);
}

TEST(AlertMsg, EveryButtonSetAndIcon) {
    struct Case {
        int style;
        std::vector<std::string> texts;
        std::vector<int> answers;
        AlertIcon icon;
    };
    const Case cases[] = {
        {0x40, {"", "", "OK"}, {0, 0, 1}, AlertIcon::Information},
        {0x31, {"", "OK", "Cancel"}, {0, 1, 2}, AlertIcon::Warning},
        {0x12, {"Abort", "Retry", "Ignore"}, {3, 4, 5}, AlertIcon::Error},
        {0x23, {"Yes", "No", "Cancel"}, {6, 7, 2}, AlertIcon::Question},
        {0x05, {"", "Retry", "Cancel"}, {0, 4, 2}, AlertIcon::Error},
        {0x56, {"Cancel", "Try", "Continue"}, {2, 10, 11}, AlertIcon::Error},
        {0x0F, {"Cancel", "Try", "Continue"}, {2, 10, 11}, AlertIcon::Error},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        CIhmDlgAlertMsg dlg("text", "title", c.style);
        EXPECT_EQ(ShownButtons(dlg), c.texts);
        EXPECT_EQ(dlg.AnswerOf(1022), c.answers[0]);
        EXPECT_EQ(dlg.AnswerOf(1224), c.answers[1]);
        EXPECT_EQ(dlg.AnswerOf(1225), c.answers[2]);
        EXPECT_TRUE(SameImage(FindCtl<QLabel>(&dlg, 1222)->pixmap(), StandardAlertPixmap(c.icon)));
        // Each shown button ends the dialog with its own answer.
        for (int id : {1022, 1224, 1225}) {
            if (dlg.AnswerOf(id) == 0)
                continue;
            dlg.setResult(0);
            dlg.Press(id);
            EXPECT_EQ(dlg.result(), dlg.AnswerOf(id));
        }
    }
}

TEST(AlertMsg, HelpersUseTitlesAndStylesAndAreRecorded) {
    SeamGuard guard;
    ModalSeam::SetScript(ScriptedAnswers({1, 1, 1, 7}));
    ErrorAlert(nullptr, "e");
    WarningAlert(nullptr, "w");
    InfoAlert(nullptr, "i");
    EXPECT_FALSE(QuestionAlert(nullptr, "q"));
    const auto& h = ModalSeam::History();
    ASSERT_EQ(h.size(), 4u);
    EXPECT_EQ(h[0].title, "Quorvel error");
    EXPECT_EQ(h[0].style, 16);
    EXPECT_EQ(h[1].title, "Quorvel warning");
    EXPECT_EQ(h[1].style, 48);
    EXPECT_EQ(h[2].title, "Quorvel");
    EXPECT_EQ(h[2].style, 64);
    EXPECT_EQ(h[3].title, "Quorvel alert");
    EXPECT_EQ(h[3].style, 36);
    EXPECT_EQ(h[3].text, "q");
}

TEST(FolderChooser, CaptionTitleAndButtons) {
    QFileDialog chooser;
    SetUpTargetFolderChooser(chooser);
    EXPECT_EQ(chooser.windowTitle(), "Target directory");
    EXPECT_EQ(chooser.labelText(QFileDialog::LookIn), "Please choose your target directory :");
    EXPECT_EQ(chooser.labelText(QFileDialog::Accept), "Select folder");
    EXPECT_EQ(chooser.labelText(QFileDialog::Reject), "Return");
    EXPECT_EQ(chooser.fileMode(), QFileDialog::Directory);
}

TEST(AlertNote, ClosesByItselfAfterItsTime) {
    SeamGuard guard;
    CIhmDlgAlert note("Saved", AlertIcon::Warning, 300);
    EXPECT_EQ(FindCtl<QLabel>(&note, 1146)->text(), "Saved");
    QElapsedTimer clock;
    clock.start();
    // A watchdog, so that a note that never closes fails instead of hanging.
    bool watchdogFired = false;
    QTimer::singleShot(10000, &note, [&] {
        watchdogFired = true;
        note.reject();
    });
    EXPECT_EQ(note.DoModal(), QDialog::Accepted);
    EXPECT_FALSE(watchdogFired);
    EXPECT_GE(clock.elapsed(), 250);
}

TEST(AlertNote, StartsItsTimerWithTheDisplayTimeWhenShown) {
    CIhmDlgAlert note("Clock set", AlertIcon::Warning, 1000);
    EXPECT_FALSE(note.Timer()->isActive());
    note.show();
    EXPECT_TRUE(note.Timer()->isActive());
    EXPECT_EQ(note.Timer()->interval(), 1000);
    EXPECT_TRUE(note.Timer()->isSingleShot());
    // Run the timer out at once instead of waiting the full second.
    note.Timer()->start(0);
    for (int i = 0; i < 200 && note.isVisible(); ++i)
        QTest::qWait(10);
    EXPECT_EQ(note.result(), QDialog::Accepted);
    EXPECT_FALSE(note.isVisible());
}

} // namespace
