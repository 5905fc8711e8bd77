// The service history of the program: each dialog or menu action that changes a controller
// or takes data from it records one row, with the link and the controller as they were at
// the start and the last message the user saw. The history never stops an operation: its
// first warning of the session is shown to the user (platform::UserNotices), every one on
// standard error.
#pragma once

#include <cstddef>
#include <string>

#include "comm/ControllerLink.h"
#include "history/HistoryDb.h"

namespace history {

// The history the program records into and shows (--history FILE, $QUORVEL_HISTORY or the
// data folder's), opened at the first use and again when that path changes.
HistoryDb& ProgramHistory();

class OperationRecord {
  public:
    // Starts the row of `operation` (kProgramRead ...) on the controller `reader` reaches
    // over the program's link.
    OperationRecord(const char* operation, comm::IControllerLink& reader);
    // A row never finished is written as cancelled.
    ~OperationRecord();
    OperationRecord(const OperationRecord&) = delete;
    OperationRecord& operator=(const OperationRecord&) = delete;

    // A file the operation read or wrote.
    void AddFile(const std::string& path);
    // The kept copy of the program the operation overwrites.
    void SetKept(const std::string& path);
    // Writes the row with `result`; its message is `message`, or when empty the last alert
    // shown since the start.
    void Finish(const char* result, const std::string& message = {});

  private:
    Record record_;
    std::size_t shownAtStart_ = 0;
    bool finished_ = false;
};

} // namespace history
