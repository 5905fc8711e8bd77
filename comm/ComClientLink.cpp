#include <algorithm>
#include <vector>

#include "comm/CComClient.h"
#include "comm/ControllerLink.h"
#include "comm/ProcessState.h"

namespace comm {

namespace {

class CComClientLink final : public IControllerLink {
  public:
    int Read(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
             std::uint32_t timeoutMs) override {
        return Fetch(&CComClient::SendRead, dest, address, count, timeoutMs) == 0
                   ? 0
                   : kTargetNotAnswering;
    }
    int ReadCF(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
               std::uint32_t timeoutMs) override {
        return Fetch(&CComClient::SendReadCF, dest, address, count, timeoutMs);
    }
    int Write(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
              std::uint32_t timeoutMs) override {
        return Client().SendWrite(src, address, count, timeoutMs);
    }
    int WriteCF(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
                std::uint32_t timeoutMs) override {
        return Client().SendWriteCF(src, address, count, timeoutMs);
    }
    int WriteExt(std::uint32_t address, std::uint32_t timeoutMs) override {
        return Client().SendWriteExt(address, timeoutMs);
    }
    int CommandExt(std::uint8_t code, std::uint8_t argument, std::uint32_t timeoutMs) override {
        return Client().SendCommandExt(code, argument, timeoutMs);
    }
    std::uint32_t LinkTimeoutMs() const override { return RequestTimeoutMs(); }
    int Kind() const override { return ConnectionKind().load(); }
    bool IsConnected() const override { return IsLinkOpen(); }
    int Connect() override { return Client().Connect(); }
    int Deconnect() override { return Client().Deconnect(); }
    int StartMonitor() override { return Client().StartMonitor(); }
    int StopMonitor() override { return Client().StopMonitor(); }

  private:
    static CComClient& Client() { return CComClient::Instance(); }

    using ReadCall = int (CComClient::*)(std::uint8_t*, std::uint32_t, std::uint32_t,
                                         std::uint32_t);
    // Reads into a buffer of our own: the caller's bytes change only on success.
    static int Fetch(ReadCall call, std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
                     std::uint32_t timeoutMs) {
        std::vector<std::uint8_t> buffer(count);
        int rc = (Client().*call)(buffer.data(), address, count, timeoutMs);
        if (rc == 0)
            std::copy(buffer.begin(), buffer.end(), dest);
        return rc;
    }
};

} // namespace

IControllerLink& ComClientLink() {
    static CComClientLink link;
    return link;
}

} // namespace comm
