#include "comm/LinkControl.h"

#include "comm/CComManager.h"
#include "comm/ProcessState.h"
#include "comm/ServerCodes.h"
#include "comm/TrafficLog.h"
#include "comm/TransportRegistry.h"

namespace corelink {

namespace {

constexpr std::uint32_t kMediumEthernet = 1;

// Restores the block's time-out when a scope that changed it ends.
class TimeoutScope {
  public:
    explicit TimeoutScope(std::uint32_t ms) : saved_(CComManager::Instance().TimeoutMs()) {
        SetTimeout(ms);
    }
    ~TimeoutScope() { SetTimeout(saved_); }
    TimeoutScope(const TimeoutScope&) = delete;
    TimeoutScope& operator=(const TimeoutScope&) = delete;

  private:
    std::uint32_t saved_;
};

bool OnEthernet() {
    return CComManager::Instance().Medium() == kMediumEthernet;
}

void Handshake() {
    if (OnEthernet()) {
        std::uint8_t bytes[2] = {0x00, 0x1E};
        Transport(t71::kCmdWriteCF, 2, 0x0300, bytes);
    } else {
        std::uint8_t bytes[4] = {0x14, 0x00, 0x00, 0x14};
        Transport(t71::kCmdWrite, 4, 0x7000, bytes);
    }
}

void Goodbye() {
    if (OnEthernet()) {
        std::uint8_t none[1] = {};
        Transport(t71::kCmdWriteCF, 0, 0x0400, none);
    } else {
        std::uint8_t bytes[2] = {0x15, 0x00};
        Transport(t71::kCmdWrite, 2, 0x7000, bytes);
    }
}

void CloseNow() {
    CComManager& manager = CComManager::Instance();
    if (manager.linkClosed.load() == 1)
        return;
    Transport(t71::kCmdClose, 0, 0, nullptr);
    manager.linkClosed.store(1);
}

} // namespace

namespace {

int CallTransport(std::int32_t command, std::int32_t count, std::uint32_t address,
                  std::uint8_t* buffer) {
    CComManager& manager = CComManager::Instance();
    CDllT71* wrapper = TransportRegistry::Instance().ForMedium(manager.Medium());
    if (wrapper == nullptr || wrapper->Entry() == nullptr)
        return int(servercode::kNoTransport);
    return wrapper->Entry()(std::int32_t(manager.cible), command, nullptr, &manager.param,
                            std::int32_t(manager.TimeoutMs()), 0, count, address, buffer);
}

// The call, timed and written to the traffic log. The link is described before the call:
// a failed open or a lost link must be logged against the link it was meant for.
int LoggedTransport(std::int32_t command, std::int32_t count, std::uint32_t address,
                    std::uint8_t* buffer) {
    trafficlog::Record record;
    record.start = std::chrono::system_clock::now();
    record.link = trafficlog::LinkText(CComManager::Instance().param);
    record.command = command;
    record.address = address;
    record.size = count;
    auto started = std::chrono::steady_clock::now();
    record.result = CallTransport(command, count, address, buffer);
    record.duration = std::chrono::steady_clock::now() - started;
    trafficlog::Write(record);
    return record.result;
}

} // namespace

int Transport(std::int32_t command, std::int32_t count, std::uint32_t address,
              std::uint8_t* buffer) {
    if (trafficlog::IsOn())
        return LoggedTransport(command, count, address, buffer);
    return CallTransport(command, count, address, buffer);
}

void SetTimeout(std::uint32_t ms) {
    CComManager::Instance().SetTimeoutMs(ms);
}

int FamilyFromCode(std::uint8_t code) {
    switch (code) {
    case 4:
        return 0;
    case 5:
        return 1;
    default:
        return 2;
    }
}

int EnsureConnected() {
    CComManager& manager = CComManager::Instance();
    int closed = manager.linkClosed.load();
    if (closed == 0)
        return 0;
    if (closed != 1)
        return int(servercode::kBadLinkState);
    SetTimeout(kOpenTimeoutMs);
    if (int rc = Transport(t71::kCmdOpen, 0, 0, nullptr); rc != 0)
        return rc;
    manager.linkClosed.store(0);
    Handshake();
    std::uint8_t identity[kIdentitySize] = {};
    if (int rc = Transport(t71::kCmdRead, kIdentitySize, kIdentityAddress, identity); rc != 0)
        return rc;
    ControllerFamily().store(FamilyFromCode(identity[0]));
    return 0;
}

void CloseLink() {
    TimeoutScope scope(kCloseTimeoutMs);
    CloseNow();
}

void GoodbyeAndClose() {
    TimeoutScope scope(kCloseTimeoutMs);
    Goodbye();
    CloseNow();
}

int Access(std::int32_t command, std::int32_t count, std::uint32_t address, std::uint8_t* buffer) {
    int rc = Transport(command, count, address, buffer);
    if (rc == t71::kLinkDown)
        CloseLink();
    return rc;
}

int ReadDisplay(std::uint8_t (&display)[kDisplaySize]) {
    if (int rc = EnsureConnected(); rc != 0)
        return rc;
    SetTimeout(kMonitorTimeoutMs);
    return Access(t71::kCmdRead, kDisplaySize, kDisplayAddress, display);
}

} // namespace corelink
