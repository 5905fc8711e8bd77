// One row of the service history: an operation that changed a controller or took data from
// it, who did it from where, on which controller, with which files, and how it ended.
// Passwords and data bytes are never part of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace history {

// The operation names, as stored and as shown by --json.
inline constexpr const char* kProgramRead = "program-read";
inline constexpr const char* kProgramWrite = "program-write";
inline constexpr const char* kProgramCompare = "program-compare";
inline constexpr const char* kDatalogsRead = "datalogs-read";
inline constexpr const char* kFirmwareUpdate = "firmware-update";
inline constexpr const char* kClockSet = "clock-set";
inline constexpr const char* kLock = "lock";
inline constexpr const char* kUnlock = "unlock";
inline constexpr const char* kStart = "start";
inline constexpr const char* kStop = "stop";
inline constexpr const char* kBackup = "backup";
// Whether `name` is one of the operation names above.
bool IsOperationName(const std::string& name);

// The results.
inline constexpr const char* kDone = "done";
inline constexpr const char* kFailed = "failed";
inline constexpr const char* kCancelled = "cancelled";

struct FileEntry {
    std::string path;
    std::uint64_t size = 0;
    std::string sha256;
};

struct LinkEntry {
    std::string kind;    // "usb", "ble" or "eth"
    std::string port;    // the serial port (usb; ble: the dongle's port)
    std::string address; // the BLE address, or the Ethernet host[:port]
};

struct ControllerEntry {
    std::string code8, model, label, software, mac;
};

struct Record {
    std::int64_t id = 0;      // given by the database
    std::int64_t started = 0; // milliseconds since 1970-01-01 UTC
    std::int64_t ended = 0;
    std::string user, host, program;
    LinkEntry link;
    ControllerEntry controller;
    std::string operation;
    std::vector<FileEntry> files;
    std::string result;
    std::string message;
    std::string kept; // the kept copy's path, or empty
};

// The rows `history` lists: all criteria optional, newest first.
struct Filter {
    std::string controller;            // the label contains it (any case), or the code8 is it
    std::string operation;             // one operation name
    std::optional<std::int64_t> since; // started at or after, milliseconds UTC
    std::optional<std::int64_t> limit;
};

// Milliseconds since 1970-01-01 UTC, now.
std::int64_t NowMs();
// "2026-12-08T14:05:09+01:00": local time with its offset.
std::string IsoLocal(std::int64_t ms);
// "YYYY-MM-DD", "YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS" (a space may stand for the T), in
// local time; nullopt when the text is not such a date.
std::optional<std::int64_t> ParseLocalDate(const std::string& text);

// The user and the host the process runs as.
std::string CurrentUser();
std::string CurrentHost();

// A file's entry with its size and SHA-256 (both left empty when it cannot be read).
FileEntry DescribeFile(const std::string& path);

} // namespace history
