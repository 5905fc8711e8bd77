// The program's ITransferUi: an alert raised by the worker thread is shown by the
// user-interface thread (through the modal seam, like every alert) while the worker waits
// for the answer. Called on the UI thread itself, it shows the alert at once.
#pragma once

#include "transfer/TransferUi.h"

class QWidget;

class UiThreadTransferUi final : public transfer::ITransferUi {
  public:
    explicit UiThreadTransferUi(QWidget* parent = nullptr) : parent_(parent) {}
    int Alert(transfer::AlertKind kind, const std::string& text) override;
    // Runs `job` on the UI thread (queued, blocking the worker) and returns its result.
    int RunOnUi(const std::function<int()>& job) override;

  private:
    QWidget* parent_;
};
