// The progress dialog: the worker's alerts are shown on the UI thread through the modal seam
// while the worker waits; Escape and close are refused while it runs; the dialog ends one
// second after the transfer, with result 1 for a failure.
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

#include "comm/SharedTexts.h"
#include "tests/support/fake_controller_link.h"
#include "tests/transfer/recording_ui.h"
#include "transfer/TransferMessages.h"
#include "transfer/ui/CIhmDlgExecutionTransfert.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"

namespace {

using namespace transfer;

struct SeamGuard {
    SeamGuard() { ModalSeam::ClearHistory(); }
    ~SeamGuard() { ModalSeam::Reset(); }
};

// A transfer that asks a question, shows the answer in its step text and ends as told.
struct QuestionTransfer : ITransfert {
    explicit QuestionTransfer(comm::IControllerLink& link) : ITransfert(link) {}
    bool fail = false;
    std::atomic<bool> askedOffUiThread{false};
    void Run() override {
        Reset("Working");
        SetPercent(7);
        askedOffUiThread = QThread::currentThread() != qApp->thread();
        int answer = Alert(AlertKind::Question, "Go on?");
        SetStep(answer == kAnswerYes ? "Yes" : "No");
        if (fail) {
            Fail(texts::kNotReacting);
            return;
        }
        Finish();
    }
};

TEST(ExecutionDialog, WorkerAlertsGoThroughTheUiThreadAndTheDialogClosesAfterOneSecond) {
    SeamGuard guard;
    bool alertOnUiThread = false;
    ModalSeam::SetScript([&](QDialog*, const ModalRequest& r) {
        alertOnUiThread = QThread::currentThread() == qApp->thread();
        ModalAnswer a;
        a.code = r.style == kStyleQuestion ? kAnswerYes : kAnswerOk;
        return a;
    });
    FakeControllerLink link;
    QuestionTransfer t(link);
    CIhmDlgExecutionTransfert dialog;
    dialog.SetTransfert(&t);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(dialog.DoModal(), 0);
    EXPECT_GE(timer.elapsed(), 900);
    EXPECT_TRUE(t.askedOffUiThread);
    EXPECT_TRUE(alertOnUiThread);
    ASSERT_EQ(ModalSeam::History().size(), 1u);
    EXPECT_EQ(ModalSeam::History()[0].title, "Quorvel alert");
    EXPECT_EQ(FindCtl<QLabel>(&dialog, 1139)->text().toStdString(), "Yes");
    EXPECT_EQ(FindCtl<QLabel>(&dialog, 1220)->text().toStdString(), "100%");
    EXPECT_EQ(FindCtl<QProgressBar>(&dialog, 1183)->value(), 100);
}

TEST(ExecutionDialog, EscapeAndCloseAreRefusedAndAFailureGivesOne) {
    SeamGuard guard;
    ModalSeam::SetScript(ScriptedAnswers({kAnswerNo, kAnswerOk}));
    FakeControllerLink link;
    QuestionTransfer t(link);
    t.fail = true;
    CIhmDlgExecutionTransfert dialog;
    dialog.SetTransfert(&t);
    bool stillOpen = false;
    QTimer::singleShot(50, &dialog, [&] {
        static_cast<QDialog&>(dialog).reject();
        dialog.close();
        stillOpen = dialog.isVisible();
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(ModalSeam::History().size(), 2u);
    EXPECT_EQ(ModalSeam::History()[1].text, texts::kNotReacting);
    EXPECT_EQ(ModalSeam::History()[1].title, "Quorvel error");
}

} // namespace
