// Filling and writing one row of the service history around an operation, for the program
// and the command line alike.
#pragma once

#include <string>

#include "history/HistoryDb.h"

namespace history {

// A row started now by this user on this host with `program` ("Quorvel 2.3.1").
Record BeginRecord(const std::string& program, const std::string& operation);

// Ends `record` now with `result` and `message`, adds it to `db`.
void FinishRecord(HistoryDb& db, Record& record, const std::string& result,
                  const std::string& message);

} // namespace history
