#include "comm/TrafficLog.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>

#include <unistd.h>

namespace trafficlog {

namespace detail {
std::atomic<bool> enabled{false};
}

namespace {

constexpr std::uint32_t kMediumSerial = 0, kMediumEthernet = 1, kMediumBle = 2;

struct Sink {
    std::mutex mutex;
    std::FILE* file = nullptr;
    std::string path;
    std::string failure; // why the log was stopped
};

Sink& TheSink() {
    static Sink* sink = new Sink; // lives as long as the core server thread may write
    return *sink;
}

std::string Printf(const char* format, auto... values) {
    char text[128];
    int n = std::snprintf(text, sizeof text, format, values...);
    return std::string(text, n < 0 ? 0 : std::min<std::size_t>(std::size_t(n), sizeof text - 1));
}

std::string TimeText(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    std::time_t seconds = system_clock::to_time_t(
        time_point_cast<system_clock::duration>(floor<std::chrono::seconds>(when)));
    auto millis = duration_cast<milliseconds>(when - floor<std::chrono::seconds>(when)).count();
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text + Printf(".%03d", int(millis));
}

} // namespace

bool Open(const std::string& path, std::string& error) {
    Close();
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (file == nullptr) {
        error = "Cannot open the traffic log " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool fresh = std::ftell(file) == 0;
    if (fresh && (std::fprintf(file, "%s\n", kHeader) < 0 || std::fflush(file) != 0)) {
        error = "Cannot write the traffic log " + path + ": " + std::strerror(errno);
        if (::ftruncate(::fileno(file), 0) != 0)
            std::clearerr(file);
        std::fclose(file);
        std::remove(path.c_str()); // the empty file this run created
        return false;
    }
    Sink& sink = TheSink();
    {
        std::lock_guard lock(sink.mutex);
        sink.file = file;
        sink.path = path;
        sink.failure.clear();
    }
    detail::enabled.store(true);
    return true;
}

void Close() {
    detail::enabled.store(false);
    Sink& sink = TheSink();
    std::lock_guard lock(sink.mutex);
    if (sink.file != nullptr)
        std::fclose(sink.file);
    sink.file = nullptr;
}

void Write(const Record& record) {
    std::string line = FormatLine(record);
    Sink& sink = TheSink();
    std::lock_guard lock(sink.mutex);
    if (sink.file == nullptr)
        return;
    const long before = std::ftell(sink.file);
    if (std::fprintf(sink.file, "%s\n", line.c_str()) >= 0 && std::fflush(sink.file) == 0)
        return;
    // A full disk: the line is taken back whole and the log stopped, its cause kept.
    const int cause = errno;
    if (before >= 0 && ::ftruncate(::fileno(sink.file), before) != 0)
        std::clearerr(sink.file);
    std::string folder = std::filesystem::path(sink.path).parent_path().string();
    sink.failure = "Cannot write the traffic log " +
                   std::filesystem::path(sink.path).filename().string() + " in the folder " +
                   (folder.empty() ? std::string(".") : folder) + ": " + std::strerror(cause) +
                   "; it was stopped there.";
    std::fclose(sink.file);
    sink.file = nullptr;
    detail::enabled.store(false);
}

std::string Failure() {
    Sink& sink = TheSink();
    std::lock_guard lock(sink.mutex);
    return sink.failure;
}

std::string LinkText(const PARAM_COM& param) {
    using namespace paramcom;
    switch (GetU32(param, kMedium)) {
    case kMediumSerial:
        return "USB " + GetString(param, kPortName, kPortNameSize);
    case kMediumEthernet: {
        std::uint32_t ip = GetU32(param, kIpAddress);
        return Printf("ETH %u.%u.%u.%u:%u", ip & 0xFF, (ip >> 8) & 0xFF, (ip >> 16) & 0xFF,
                      ip >> 24, GetU32(param, kTcpPort) & 0xFFFF);
    }
    case kMediumBle: {
        std::string dongle = GetString(param, kDonglePort, kDonglePortSize);
        if (dongle.empty())
            return "BLE " + GetString(param, kDevicePath, kDevicePathSize);
        std::uint8_t a[kBleAddressSize];
        BleAddressRaw(param, a);
        return "BLE " + dongle +
               Printf(" %02X:%02X:%02X:%02X:%02X:%02X", a[5], a[4], a[3], a[2], a[1], a[0]);
    }
    default:
        return Printf("medium-%u", GetU32(param, kMedium));
    }
}

std::string KindText(std::int32_t command) {
    switch (command) {
    case t71::kCmdVersion:
        return "version";
    case t71::kCmdOpen:
        return "open";
    case t71::kCmdClose:
        return "close";
    case t71::kCmdRead:
        return "read";
    case t71::kCmdWrite:
        return "write";
    case t71::kCmdStatus:
        return "status";
    case t71::kCmdReadCF:
        return "read-cf";
    case t71::kCmdWriteCF:
        return "write-cf";
    case t71::kCmdScan:
        return "scan";
    case t71::kCmdReadExt:
        return "read-ext";
    case t71::kCmdWriteExt:
        return "write-ext";
    default:
        return Printf("command-%d", int(command));
    }
}

std::string FormatLine(const Record& record) {
    double ms = std::chrono::duration<double, std::milli>(record.duration).count();
    return TimeText(record.start) + "\t" + record.link + "\t" + KindText(record.command) +
           Printf("\t0x%X\t%d\t%d\t%.3f", record.address, int(record.size), record.result, ms);
}

} // namespace trafficlog
