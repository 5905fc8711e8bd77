#include "transfer/TransferLink.h"

#include <algorithm>
#include <vector>

#include "comm/CComClient.h"
#include "comm/ProcessState.h"

namespace transfer {

namespace {

class CComClientLink final : public ITransferLink {
  public:
    int Read(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
             std::uint32_t timeoutMs) override {
        return Fetch(&CComClient::SendRead, dest, address, count, timeoutMs);
    }
    int ReadCF(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
               std::uint32_t timeoutMs) override {
        return Fetch(&CComClient::SendReadCF, dest, address, count, timeoutMs);
    }
    int Write(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
              std::uint32_t timeoutMs) override {
        return CComClient::Instance().SendWrite(src, address, count, timeoutMs);
    }
    int WriteCF(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
                std::uint32_t timeoutMs) override {
        return CComClient::Instance().SendWriteCF(src, address, count, timeoutMs);
    }
    int CommandExt(std::uint8_t code, std::uint8_t argument, std::uint32_t timeoutMs) override {
        return CComClient::Instance().SendCommandExt(code, argument, timeoutMs);
    }
    std::uint32_t LinkTimeoutMs() const override { return RequestTimeoutMs(); }
    int Kind() const override { return ConnectionKind().load(); }

  private:
    using ReadCall = int (CComClient::*)(std::uint8_t*, std::uint32_t, std::uint32_t,
                                         std::uint32_t);
    // The caller's bytes change only on success, as the tables expect of a reader.
    static int Fetch(ReadCall call, std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
                     std::uint32_t timeoutMs) {
        std::vector<std::uint8_t> buffer(count);
        int rc = (CComClient::Instance().*call)(buffer.data(), address, count, timeoutMs);
        if (rc == 0)
            std::copy(buffer.begin(), buffer.end(), dest);
        return rc;
    }
};

} // namespace

ITransferLink& ComClientLink() {
    static CComClientLink link;
    return link;
}

} // namespace transfer
