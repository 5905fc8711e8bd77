#include "comm/ProcessState.h"

#include "comm/CComManager.h"

std::atomic<int>& ConnectionKind() {
    // A zero-initialised process integer: USB until a link is chosen.
    static std::atomic<int> kind{0};
    return kind;
}

std::atomic<int>& ControllerFamily() {
    static std::atomic<int> family{1};
    return family;
}

std::uint32_t RequestTimeoutMs() {
    switch (ConnectionKind().load()) {
    case 0:
        return 6000;
    case 1:
        return 40000;
    case 2:
        return 10000;
    default:
        return 0;
    }
}

bool IsLinkOpen() {
    return CComManager::Instance().linkClosed.load() == 0;
}
