#include "widgets/AccessCheck.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "model/ControllerReader.h"

namespace {

constexpr std::uint32_t kProbeAddress = 0x40000;
constexpr std::uint32_t kProbeSize = 847;

AccessCheckFn& Installed() {
    static AccessCheckFn check;
    return check;
}

} // namespace

void SetAccessCheck(AccessCheckFn check) {
    Installed() = std::move(check);
}

bool RunAccessCheck(QWidget* parent) {
    if (Installed())
        return Installed()(parent);
    return AccessProbe();
}

bool AccessProbe() {
    model::IControllerReader& reader = model::ComClientReader();
    std::vector<std::uint8_t> buffer(kProbeSize);
    return reader.Read(buffer.data(), kProbeAddress, kProbeSize, reader.LinkTimeoutMs()) == 0;
}
