#include "history/Recording.h"

namespace history {

Record BeginRecord(const std::string& program, const std::string& operation) {
    Record r;
    r.started = NowMs();
    r.user = CurrentUser();
    r.host = CurrentHost();
    r.program = program;
    r.operation = operation;
    return r;
}

void FinishRecord(HistoryDb& db, Record& record, const std::string& result,
                  const std::string& message) {
    record.ended = NowMs();
    record.result = result;
    record.message = message;
    db.Add(record);
}

} // namespace history
