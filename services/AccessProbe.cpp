#include "services/AccessProbe.h"

#include <cstdint>
#include <vector>

#include "model/ControllerReader.h"

namespace services {

namespace {

constexpr std::uint32_t kProbeAddress = 0x40000;
constexpr std::uint32_t kProbeSize = 847;

} // namespace

bool AccessProbe() {
    model::IControllerReader& reader = model::ComClientReader();
    std::vector<std::uint8_t> buffer(kProbeSize);
    return reader.Read(buffer.data(), kProbeAddress, kProbeSize, reader.LinkTimeoutMs()) == 0;
}

} // namespace services
