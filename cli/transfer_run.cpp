#include "cli/transfer_run.h"

#include <chrono>
#include <ostream>
#include <thread>

#include "transfer/CThreadTransfert.h"
#include "transfer/ProgressPoll.h"

namespace cli {

int CliTransferUi::Alert(transfer::AlertKind kind, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    progress_.Break();
    if (kind == transfer::AlertKind::Question)
        return questions_.Ask(text) == Reply::Yes ? transfer::kAnswerYes : transfer::kAnswerNo;
    if (kind == transfer::AlertKind::Error)
        errorShown_ = true;
    err_ << text << "\n";
    err_.flush();
    return transfer::kAnswerOk;
}

bool RunTransfer(transfer::ITransfert& transfer, CliTransferUi& ui, ProgressLine& progress) {
    ui.ForgetErrors();
    transfer.SetUi(&ui);
    if (!progress.IsTerminal()) {
        transfer.SetStepObserver([&ui, &progress](const std::string& text) {
            std::lock_guard<std::mutex> lock(ui.Mutex());
            progress.Step(text);
        });
    }
    transfer::CThreadTransfert worker;
    worker.Start(transfer);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(ui.Mutex());
            progress.Show(transfer.Snapshot());
        }
        if (transfer.IsEnded())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(transfer::kPollPeriodMs));
    }
    worker.Join();
    progress.Show(transfer.Snapshot());
    progress.Break();
    transfer.SetUi(nullptr);
    transfer.SetStepObserver(nullptr);
    return transfer.IsFinished() && !transfer.IsFailed() && !ui.ErrorShown();
}

} // namespace cli
