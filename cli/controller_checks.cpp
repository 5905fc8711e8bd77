#include "cli/controller_checks.h"

#include <array>
#include <memory>
#include <vector>

#include "cli/messages.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"

namespace cli {

namespace {

constexpr std::uint32_t kAccessProbeAddress = 0x40000, kAccessProbeSize = 847;
constexpr std::uint32_t kLockStateAddress = 0x7300, kLockStateSize = 13;
// Lock state bytes.
constexpr std::size_t kLockAvailable = 0, kLockActive = 1, kAttemptsLeft = 7, kBlockTime = 8;

} // namespace

bool SoftwareCapable(model::IControllerReader& reader, int familyIndex) {
    std::unique_ptr<CFctTabIdentite> identity = model::CreateIdentityTable(familyIndex, reader);
    if (!identity)
        return false; // not a family this program knows
    if (identity->Read() != 0)
        return true;
    return model::SoftwareOffersServices(familyIndex, identity->GetSoftwareV(),
                                         identity->GetSoftwareI(), identity->GetSoftwareR());
}

std::string BlockedMessage(std::uint8_t halfMinutesLeft) {
    std::string time =
        halfMinutesLeft < 2
            ? std::string("Less than 1 minute remaining before unblocking.")
            : std::to_string(halfMinutesLeft / 2) + " minutes remaining before unblocking.";
    return std::string(msg::kBlocked) + "\n\n" + time;
}

bool AccessAllowed(model::IControllerReader& reader, std::string& message) {
    message.clear();
    std::vector<std::uint8_t> probe(kAccessProbeSize);
    if (reader.Read(probe.data(), kAccessProbeAddress, kAccessProbeSize, reader.LinkTimeoutMs()) ==
        0)
        return true;
    std::array<std::uint8_t, kLockStateSize> lock{};
    if (reader.Read(lock.data(), kLockStateAddress, kLockStateSize, reader.LinkTimeoutMs()) != 0)
        return true; // the service meets the controller's refusal itself
    if (lock[kLockActive] == 0)
        return true;
    if (lock[kLockAvailable] == 0)
        return false;
    message = lock[kAttemptsLeft] == 0 ? BlockedMessage(lock[kBlockTime])
                                       : std::string(msg::kPasswordProtected);
    return false;
}

} // namespace cli
