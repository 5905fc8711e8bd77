// Runs a transfer for a command: the worker thread does the job while this thread draws the
// progress every 100 ms; the worker's alerts are printed on standard error verbatim (below
// the progress line) and its questions answered by the command's Questions.
#pragma once

#include <atomic>
#include <iosfwd>
#include <mutex>

#include "cli/progress.h"
#include "cli/questions.h"
#include "transfer/ITransfert.h"
#include "transfer/TransferUi.h"

namespace cli {

class CliTransferUi final : public transfer::ITransferUi {
  public:
    CliTransferUi(std::ostream& err, ProgressLine& progress, Questions& questions)
        : err_(err), progress_(progress), questions_(questions) {}
    int Alert(transfer::AlertKind kind, const std::string& text) override;

    // Serialises the progress drawing with the worker's messages.
    std::mutex& Mutex() { return mutex_; }
    // True once an error alert was printed: the command then cannot end in success, even
    // when the transfer went on to its end (a datalog erase that failed after a program
    // write leaves the old datalogs in place).
    bool ErrorShown() const { return errorShown_; }
    // Each transfer is judged by its own alerts: an earlier one's error that the technician
    // chose to go past (a program copy that could not be kept) does not fail the next.
    void ForgetErrors() { errorShown_ = false; }

  private:
    std::ostream& err_;
    ProgressLine& progress_;
    Questions& questions_;
    std::mutex mutex_;
    std::atomic<bool> errorShown_{false};
};

// Runs `transfer` to its end with the progress drawn on `progress` and the alerts given to
// `ui`. True when it finished without an error alert.
bool RunTransfer(transfer::ITransfert& transfer, CliTransferUi& ui, ProgressLine& progress);

} // namespace cli
