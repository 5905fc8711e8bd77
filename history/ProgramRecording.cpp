#include "history/ProgramRecording.h"

#include <cstdio>
#include <memory>

#include "comm/CComClient.h"
#include "history/Recording.h"
#include "platform/user_notices.h"

namespace history {
namespace {

// Says a history warning: the first of the session to the user, every one on standard error.
void WarnOnce(const std::string& text) {
    static bool shown = false;
    std::fprintf(stderr, "%s\n", text.c_str());
    const auto& notices = platform::CurrentUserNotices();
    if (shown || !notices.warn)
        return;
    shown = true;
    notices.warn(text);
}

// The program's link as the history names it; its kind only when the core server cannot say.
LinkEntry ProgramLink() {
    PARAM_COM block{};
    if (CComClient::Instance().GetCommParam(block) == 0)
        return LinkOfParameters(block);
    return {};
}

std::size_t ShownCount() {
    const auto& notices = platform::CurrentUserNotices();
    return notices.shownCount ? notices.shownCount() : 0;
}

} // namespace

HistoryDb& ProgramHistory() {
    static std::unique_ptr<HistoryDb> db;
    const std::string path = HistoryPath();
    if (!db || db->Path() != path)
        db = std::make_unique<HistoryDb>(path, WarnOnce);
    return *db;
}

OperationRecord::OperationRecord(const char* operation, comm::IControllerLink& reader)
    : record_(BeginOperation(std::string("Quorvel ") + QUORVEL_VERSION, operation, ProgramLink(),
                             reader)),
      shownAtStart_(ShownCount()) {}

OperationRecord::~OperationRecord() {
    if (!finished_)
        Finish(kCancelled);
}

void OperationRecord::AddFile(const std::string& path) {
    record_.files.push_back(DescribeFile(path));
}

void OperationRecord::SetKept(const std::string& path) {
    record_.kept = path;
}

void OperationRecord::Finish(const char* result, const std::string& message) {
    if (finished_)
        return;
    finished_ = true;
    const auto& notices = platform::CurrentUserNotices();
    const std::string shown =
        message.empty() && notices.lastShownSince ? notices.lastShownSince(shownAtStart_) : message;
    FinishRecord(ProgramHistory(), record_, result, shown);
}

} // namespace history
