#include "services/ServiceLink.h"

#include "comm/CComClient.h"
#include "comm/ProcessState.h"

namespace services {

namespace {

class CComClientServiceLink final : public IServiceLink {
  public:
    int Read(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
             std::uint32_t timeoutMs) override {
        return model::ComClientReader().Read(dest, address, count, timeoutMs);
    }
    std::uint32_t LinkTimeoutMs() const override { return RequestTimeoutMs(); }
    int WriteExt(std::uint32_t address, std::uint32_t timeoutMs) override {
        return Client().SendWriteExt(address, timeoutMs);
    }
    int CommandExt(std::uint8_t code, std::uint8_t argument, std::uint32_t timeoutMs) override {
        return Client().SendCommandExt(code, argument, timeoutMs);
    }
    int Write(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
              std::uint32_t timeoutMs) override {
        return Client().SendWrite(src, address, count, timeoutMs);
    }
    bool IsConnected() const override { return IsLinkOpen(); }
    int Connect() override { return Client().Connect(); }
    int Deconnect() override { return Client().Deconnect(); }
    int StartMonitor() override { return Client().StartMonitor(); }
    int StopMonitor() override { return Client().StopMonitor(); }

  private:
    static CComClient& Client() { return CComClient::Instance(); }
};

} // namespace

IServiceLink& ComClientServiceLink() {
    static CComClientServiceLink link;
    return link;
}

} // namespace services
