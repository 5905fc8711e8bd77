// The traffic log: one line per transport call the core server makes (time, link, kind,
// address, size, result, duration), for technicians chasing a link problem. Off unless a
// front end opens it ("--traffic-log FILE"); when off, a transport call pays one atomic
// load. Only sizes are written, never the bytes a request carries, so passwords and
// program contents never reach the file.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "wire/t71.h"

namespace trafficlog {

// The first line of a new log file: the column names, tab separated as the lines are.
constexpr const char* kHeader = "# time\tlink\tkind\taddress\tsize\tresult\tduration_ms";

struct Record {
    std::chrono::system_clock::time_point start;
    std::string link;
    std::int32_t command = 0;
    std::uint32_t address = 0;
    std::int32_t size = 0;
    int result = 0;
    std::chrono::steady_clock::duration duration{};
};

// Opens `path` for appending (a run adds to what earlier runs wrote; the header is written
// into an empty file) and turns the log on. False, with the reason in `error`, when the
// file cannot be opened; the log then stays off.
bool Open(const std::string& path, std::string& error);
// Turns the log off and closes its file.
void Close();

namespace detail {
extern std::atomic<bool> enabled;
}
inline bool IsOn() {
    return detail::enabled.load(std::memory_order_relaxed);
}

// Appends the line of `record` and flushes it, so that the log is complete up to the last
// call even when the process is ended. Nothing when the log is off.
// A line that cannot be written (a full disk) is taken back whole and the log stopped.
void Write(const Record& record);
// Why the log was stopped, naming its folder and the cause; empty while all went well.
std::string Failure();

// "USB ttyACM0", "ETH 192.168.1.20:42424", "BLE ttyACM1 AA:BB:CC:DD:EE:FF" (the dongle's
// port and the device address, most significant byte first) or "BLE <device path>".
std::string LinkText(const PARAM_COM& param);
// "open", "read", "write-cf" ... for the T71_COMM command codes; "command-N" otherwise.
std::string KindText(std::int32_t command);
// One line, without its line feed: local time to the millisecond, then the fields.
std::string FormatLine(const Record& record);

} // namespace trafficlog
