// The worker thread of a transfer: runs the borrowed transfer's Run once. The transfer is
// owned by whoever started the thread and must outlive it (Join, or the destructor, waits).
#pragma once

#include <thread>

#include "transfer/ITransfert.h"

namespace transfer {

class CThreadTransfert {
  public:
    CThreadTransfert() = default;
    ~CThreadTransfert() { Join(); }
    CThreadTransfert(const CThreadTransfert&) = delete;
    CThreadTransfert& operator=(const CThreadTransfert&) = delete;

    // Starts the thread on `transfer` (once).
    void Start(ITransfert& transfer);
    // Waits for Run to return. Safe to call more than once.
    void Join();

  private:
    std::thread thread_;
};

} // namespace transfer
