#include "widgets/HistoryRecording.h"

#include <cstdio>
#include <memory>

#include "comm/CComClient.h"
#include "history/Recording.h"
#include "widgets/Alerts.h"
#include "widgets/ModalSeam.h"

namespace {

// Says a history warning: the first of the session in an alert, every one on standard error.
void WarnOnce(const std::string& text) {
    static bool alerted = false;
    std::fprintf(stderr, "%s\n", text.c_str());
    if (alerted)
        return;
    alerted = true;
    WarningAlert(nullptr, text);
}

// The program's link as the history names it; its kind only when the core server cannot say.
history::LinkEntry ProgramLink() {
    PARAM_COM block{};
    if (CComClient::Instance().GetCommParam(block) == 0)
        return history::LinkOfParameters(block);
    return {};
}

// The text of the last alert or note shown after the first `start` modal requests.
std::string LastShownSince(std::size_t start) {
    const std::vector<ModalRequest>& shown = ModalSeam::History();
    if (start > shown.size())
        start = 0; // the list was cleared meanwhile
    for (std::size_t i = shown.size(); i > start; --i)
        if (shown[i - 1].kind == "alert" || shown[i - 1].kind == "note")
            return shown[i - 1].text;
    return {};
}

} // namespace

history::HistoryDb& ProgramHistory() {
    static std::unique_ptr<history::HistoryDb> db;
    const std::string path = history::HistoryPath();
    if (!db || db->Path() != path)
        db = std::make_unique<history::HistoryDb>(path, WarnOnce);
    return *db;
}

OperationRecord::OperationRecord(const char* operation, comm::IControllerLink& reader)
    : record_(history::BeginOperation(std::string("Quorvel ") + QUORVEL_VERSION, operation,
                                      ProgramLink(), reader)),
      shownAtStart_(ModalSeam::History().size()) {}

OperationRecord::~OperationRecord() {
    if (!finished_)
        Finish(history::kCancelled);
}

void OperationRecord::AddFile(const std::string& path) {
    record_.files.push_back(history::DescribeFile(path));
}

void OperationRecord::SetKept(const std::string& path) {
    record_.kept = path;
}

void OperationRecord::Finish(const char* result, const std::string& message) {
    if (finished_)
        return;
    finished_ = true;
    history::FinishRecord(ProgramHistory(), record_, result,
                          message.empty() ? LastShownSince(shownAtStart_) : message);
}
