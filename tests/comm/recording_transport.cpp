#include "recording_transport.h"

#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "wire/t71.h"

namespace {

struct Answer {
    int command;
    std::uint32_t address;
    int result;
    std::vector<std::uint8_t> data;
};

// Calls beyond this are counted but not kept (monitoring may call very often).
constexpr std::size_t kMaxLog = 100000;

// Never destroyed: a core server thread left inside a delayed call may still use them while
// the test process exits.
std::mutex& mutex = *new std::mutex;
std::vector<RecCall>& calls = *new std::vector<RecCall>;
std::size_t callCount = 0;
std::deque<Answer>& answers = *new std::deque<Answer>;
std::map<int, int>& defaults = *new std::map<int, int>;
std::map<int, int>& delays = *new std::map<int, int>;
std::uint16_t version[3] = {0x4242, 1, 0};

bool IsRead(int command) {
    return command == t71::kCmdRead || command == t71::kCmdReadCF || command == t71::kCmdReadExt;
}

bool TakeAnswer(int command, std::uint32_t address, Answer& out) {
    for (auto it = answers.begin(); it != answers.end(); ++it) {
        if (it->command == command && (it->address == kRecAnyAddress || it->address == address)) {
            out = std::move(*it);
            answers.erase(it);
            return true;
        }
    }
    return false;
}

void Log(std::int32_t target, std::int32_t command, void* info, void* params,
         std::int32_t timeoutMs, std::int32_t reserved, std::int32_t count, std::uint32_t address,
         std::uint8_t* buffer) {
    ++callCount;
    if (calls.size() >= kMaxLog)
        return;
    RecCall call{};
    call.target = target;
    call.command = command;
    call.hasInfo = info != nullptr;
    call.hasParams = params != nullptr;
    call.timeoutMs = timeoutMs;
    call.reserved = reserved;
    call.count = count;
    call.address = address;
    call.hasBuffer = buffer != nullptr;
    if (buffer != nullptr && !IsRead(command) && count > 0)
        std::memcpy(call.data, buffer, std::min(count, kRecDataSize));
    if (params != nullptr)
        std::memcpy(call.params, params, sizeof call.params);
    calls.push_back(call);
}

} // namespace

QUORVEL_T71_EXPORT int T71_COMM(std::int32_t target, std::int32_t command, void* info, void* params,
                                std::int32_t timeoutMs, std::int32_t reserved, std::int32_t count,
                                std::uint32_t address, std::uint8_t* buffer) {
    int delay = 0;
    {
        std::lock_guard lock(mutex);
        auto it = delays.find(command);
        if (it != delays.end())
            delay = it->second;
    }
    if (delay > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));

    std::lock_guard lock(mutex);
    Log(target, command, info, params, timeoutMs, reserved, count, address, buffer);
    Answer answer{};
    bool scripted = TakeAnswer(command, address, answer);
    int result = scripted ? answer.result : defaults[command];
    if (result != 0)
        return result;
    if (command == t71::kCmdVersion && info != nullptr) {
        auto* bytes = static_cast<std::uint8_t*>(info);
        for (int i = 0; i < 3; ++i) {
            bytes[2 * i] = std::uint8_t(version[i]);
            bytes[2 * i + 1] = std::uint8_t(version[i] >> 8);
        }
    }
    if (IsRead(command) && buffer != nullptr) {
        for (std::int32_t i = 0; i < count; ++i) {
            std::size_t n = std::size_t(i);
            buffer[i] = n < answer.data.size() ? answer.data[n] : RecPatternByte(address, n);
        }
    }
    return 0;
}

QUORVEL_T71_EXPORT void Rec_Reset() {
    std::lock_guard lock(mutex);
    calls.clear();
    callCount = 0;
    answers.clear();
    defaults.clear();
    delays.clear();
    version[0] = 0x4242;
    version[1] = 1;
    version[2] = 0;
}

QUORVEL_T71_EXPORT void Rec_Push(int command, std::uint32_t address, int result,
                                 const std::uint8_t* data, int length) {
    std::lock_guard lock(mutex);
    Answer answer{command, address, result, {}};
    if (data != nullptr && length > 0)
        answer.data.assign(data, data + length);
    answers.push_back(std::move(answer));
}

QUORVEL_T71_EXPORT void Rec_SetDefault(int command, int result) {
    std::lock_guard lock(mutex);
    defaults[command] = result;
}

QUORVEL_T71_EXPORT void Rec_SetDelay(int command, int milliseconds) {
    std::lock_guard lock(mutex);
    delays[command] = milliseconds;
}

QUORVEL_T71_EXPORT void Rec_SetVersion(std::uint16_t code, std::uint16_t major,
                                       std::uint16_t minor) {
    std::lock_guard lock(mutex);
    version[0] = code;
    version[1] = major;
    version[2] = minor;
}

QUORVEL_T71_EXPORT int Rec_Count() {
    std::lock_guard lock(mutex);
    return int(callCount);
}

QUORVEL_T71_EXPORT int Rec_Get(int index, RecCall* out) {
    std::lock_guard lock(mutex);
    if (index < 0 || std::size_t(index) >= calls.size())
        return 0;
    *out = calls[std::size_t(index)];
    return 1;
}
