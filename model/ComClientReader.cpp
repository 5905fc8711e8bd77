#include <vector>

#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "model/ControllerReader.h"

namespace model {

namespace {

class CComClientReader final : public IControllerReader {
  public:
    int Read(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
             std::uint32_t timeoutMs) override {
        // Read into a buffer of our own: the caller's bytes change only on success.
        std::vector<std::uint8_t> buffer(count);
        if (CComClient::Instance().SendRead(buffer.data(), address, count, timeoutMs) != 0)
            return kTargetNotAnswering;
        std::copy(buffer.begin(), buffer.end(), dest);
        return 0;
    }
    std::uint32_t LinkTimeoutMs() const override { return RequestTimeoutMs(); }
};

} // namespace

IControllerReader& ComClientReader() {
    static CComClientReader reader;
    return reader;
}

} // namespace model
