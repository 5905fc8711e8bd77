#include "services/AccessProbe.h"

#include <cstdint>
#include <vector>

#include "comm/ControllerLink.h"

namespace services {

namespace {

constexpr std::uint32_t kProbeAddress = 0x40000;
constexpr std::uint32_t kProbeSize = 847;

} // namespace

bool AccessProbe() {
    comm::IControllerLink& reader = comm::ComClientLink();
    std::vector<std::uint8_t> buffer(kProbeSize);
    return reader.Read(buffer.data(), kProbeAddress, kProbeSize, reader.LinkTimeoutMs()) == 0;
}

} // namespace services
