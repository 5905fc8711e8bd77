// The progress dialog of every transfer (template 197, no title, no buttons): step text
// 1139, progress bar 1183, warning line 1140 (hidden unless the transfer shows it) and
// percentage 1220. It starts the worker thread on the transfer, polls the transfer every
// 100 ms and closes one second after it finished (result 0) or failed (result 1). There is no
// cancel: Escape and the window's close are refused while the worker runs, since the
// transfer lives on the creator's stack.
#pragma once

#include <QDialog>

#include "transfer/CThreadTransfert.h"
#include "transfer/ProgressPoll.h"
#include "transfer/ui/UiThreadTransferUi.h"

class QLabel;
class QProgressBar;
class QTimer;

class CIhmDlgExecutionTransfert : public QDialog {
    Q_OBJECT
  public:
    explicit CIhmDlgExecutionTransfert(QWidget* parent = nullptr);
    ~CIhmDlgExecutionTransfert() override;

    void SetTransfert(transfer::ITransfert* transfer) { transfer_ = transfer; }
    // Runs the dialog modally with the worker: 0 when the transfer finished, 1 when it failed
    // (1 also when no transfer was set). The transfer's alerts go to the UI thread.
    int DoModal();

  protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void OnTick();
    void Show(const transfer::TransferProgress& view);

    transfer::ITransfert* transfer_ = nullptr;
    UiThreadTransferUi ui_;
    transfer::CThreadTransfert worker_;
    std::unique_ptr<transfer::ProgressPoll> poll_;
    QLabel* step_;
    QProgressBar* bar_;
    QLabel* warning_;
    QLabel* percent_;
    QTimer* timer_;
    bool closing_ = false;
};

// Builds the progress dialog for `transfer` and runs it: 0 finished, 1 failed.
int RunTransfertDialog(QWidget* parent, transfer::ITransfert& transfer);
