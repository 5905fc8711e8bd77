// A transport library for the request fuzzer: it touches every byte that the core server
// says a buffer holds, so that AddressSanitizer sees any buffer shorter than its count, and
// answers with the results the fuzzer scripted.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "wire/t71.h"

namespace {
std::vector<int> g_results;
std::size_t g_next = 0;
volatile std::uint8_t g_sink = 0;

int NextResult() {
    if (g_next >= g_results.size())
        return t71::kOk;
    return g_results[g_next++];
}
} // namespace

// Results of the calls to come, one per byte: 0-2 success, 3 unsupported, 4 link down,
// 5 no answer; success once they are used up.
QUORVEL_T71_EXPORT void FuzzT71_Script(const std::uint8_t* bytes, int n) {
    static constexpr int kResults[6] = {0, 0, 0, 1, 4, 5};
    g_results.clear();
    g_next = 0;
    for (int i = 0; i < n; ++i)
        g_results.push_back(kResults[bytes[i] % 6]);
}

QUORVEL_T71_EXPORT int T71_COMM(std::int32_t, std::int32_t command, void* info, void* params,
                                std::int32_t, std::int32_t, std::int32_t count,
                                std::uint32_t address, std::uint8_t* buffer) {
    if (command == t71::kCmdVersion) {
        if (info != nullptr)
            std::memset(info, 0, sizeof(t71::VersionRecord));
        return t71::kOk;
    }
    if (params == nullptr || count < 0 || (count > 0 && buffer == nullptr))
        std::abort(); // the core server must never call a library like this
    switch (command) {
    case t71::kCmdRead:
    case t71::kCmdReadCF:
    case t71::kCmdReadExt:
        for (std::int32_t i = 0; i < count; ++i)
            buffer[i] = std::uint8_t(address + std::uint32_t(i));
        break;
    case t71::kCmdWrite:
    case t71::kCmdWriteCF:
    case t71::kCmdWriteExt:
        for (std::int32_t i = 0; i < count; ++i)
            g_sink = std::uint8_t(g_sink + buffer[i]);
        break;
    default:
        break;
    }
    return NextResult();
}
