#include "cli/history_recording.h"

#include "cli/interrupt.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <streambuf>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/session.h"
#include "comm/ControllerLink.h"
#include "history/HistoryRecord.h"
#include "history/Recording.h"

namespace cli {

namespace {

constexpr const char* kProgramName = "quorvel-cli";

std::string FirstArgument(const std::vector<std::string>& args) {
    for (const std::string& arg : args)
        if (arg.rfind("--", 0) != 0)
            return arg;
    return {};
}

} // namespace

std::string RecordedOperation(std::string_view command, const std::vector<std::string>& args) {
    const std::string verb = FirstArgument(args);
    if (command == "program") {
        if (verb == "read")
            return history::kProgramRead;
        if (verb == "write")
            return history::kProgramWrite;
        if (verb == "compare")
            return history::kProgramCompare;
        return {};
    }
    if (command == "history")
        return verb == "restore" ? history::kProgramWrite : std::string();
    if (command == "datalogs")
        return verb == "read" ? history::kDatalogsRead : std::string();
    if (command == "firmware")
        return verb == "update" ? history::kFirmwareUpdate : std::string();
    if (command == "clock")
        return verb == "set" ? history::kClockSet : std::string();
    for (const char* plain :
         {history::kLock, history::kUnlock, history::kStart, history::kStop, history::kBackup})
        if (command == plain)
            return plain;
    return {};
}

history::HistoryDb& RunHistory(const LinkOptions& options, std::ostream& err) {
    static history::HistoryDb db(history::HistoryPath(options.historyFile),
                                 [&err](const std::string& text) { err << text << "\n"; });
    return db;
}

history::LinkEntry HistoryLink(const LinkOptions& options) {
    history::LinkEntry link;
    switch (options.kind) {
    case LinkKind::Usb:
        link.kind = "usb";
        link.port = options.port;
        break;
    case LinkKind::Ble:
        link.kind = "ble";
        link.port = options.port;
        link.address = history::BleAddressText(options.address.data());
        break;
    case LinkKind::Ethernet:
        link.kind = "eth";
        link.address = history::EthernetAddressText(options.host, options.tcpPort);
        break;
    case LinkKind::None:
        break;
    }
    return link;
}

void NoteFile(Context& context, const std::string& path) {
    if (context.notes != nullptr)
        context.notes->files.push_back(path);
}

void NoteFileLines(Context& context, const std::string& lines) {
    std::size_t start = 0;
    while (start < lines.size()) {
        std::size_t end = lines.find('\n', start);
        if (end == std::string::npos)
            end = lines.size();
        if (end > start)
            NoteFile(context, lines.substr(start, end - start));
        start = end + 1;
    }
}

void NoteFolderFiles(Context& context, const std::string& folder) {
    std::error_code ec;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec))
        if (entry.is_regular_file(ec))
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    for (const std::string& file : files)
        NoteFile(context, file);
}

void NoteKept(Context& context, const std::string& path) {
    if (context.notes != nullptr)
        context.notes->kept = path;
}

std::string LastShownLine(std::string_view text) {
    while (!text.empty()) {
        std::size_t end = text.find_last_not_of(" \t\r\n");
        if (end == std::string_view::npos)
            return {};
        std::size_t start = text.find_last_of('\n', end);
        std::string_view line =
            text.substr(start == std::string_view::npos ? 0 : start + 1, end + 1 - (start + 1));
        if (std::size_t cr = line.find_last_of('\r'); cr != std::string_view::npos)
            line = line.substr(cr + 1);
        std::size_t first = line.find_first_not_of(" \t");
        if (first != std::string_view::npos)
            return std::string(line.substr(first));
        text = text.substr(0, start == std::string_view::npos ? 0 : start);
    }
    return {};
}

// Passes everything written to a stream through to its own buffer and keeps the tail of it,
// for the row's message. The worker thread of a transfer writes too: a mutex guards the tail.
class OperationRecording::Capture final : public std::streambuf {
  public:
    explicit Capture(std::ostream& stream) : stream_(stream), target_(stream.rdbuf()) {
        stream_.rdbuf(this);
    }
    ~Capture() override { stream_.rdbuf(target_); }
    std::string Tail() {
        std::lock_guard<std::mutex> lock(mutex_);
        return tail_;
    }

  protected:
    int overflow(int c) override {
        if (c == traits_type::eof())
            return traits_type::not_eof(c);
        char ch = static_cast<char>(c);
        return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            tail_.append(s, static_cast<std::size_t>(n));
            if (tail_.size() > kKept)
                tail_.erase(0, tail_.size() - kKept);
        }
        return target_->sputn(s, n);
    }
    int sync() override { return target_->pubsync(); }

  private:
    static constexpr std::size_t kKept = 4096;
    std::ostream& stream_;
    std::streambuf* target_;
    std::mutex mutex_;
    std::string tail_;
};

OperationRecording::OperationRecording(Context& context, const std::string& operation)
    : context_(context) {
    // The controller as it was at the start (a firmware update changes its software).
    record_ = history::BeginOperation(std::string(kProgramName) + " " + QUORVEL_VERSION, operation,
                                      HistoryLink(context.link), comm::ComClientLink());
    context_.notes = &notes_;
    capture_ = std::make_unique<Capture>(context_.err);
    SetStopObserver([this](const std::string& said) { Write(history::kCancelled, said); });
}

OperationRecording::~OperationRecording() {
    SetStopObserver(nullptr);
    context_.notes = nullptr;
}

void OperationRecording::Finish(int status) {
    const char* result = notes_.cancelled || status == kExitUsage ? history::kCancelled
                         : status == kExitOk                      ? history::kDone
                                                                  : history::kFailed;
    const std::string message = LastShownLine(capture_->Tail());
    capture_.reset();
    Write(result, message);
}

void OperationRecording::Write(const char* result, const std::string& message) {
    if (written_.exchange(true))
        return;
    for (const std::string& path : notes_.files)
        record_.files.push_back(history::DescribeFile(path));
    record_.kept = notes_.kept;
    history::FinishRecord(RunHistory(context_.link, context_.err), record_, result, message);
}

} // namespace cli
