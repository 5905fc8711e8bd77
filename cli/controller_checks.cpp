#include "cli/controller_checks.h"

#include <memory>

#include "cli/messages.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"
#include "services/RemotePassword.h"

namespace cli {

namespace {

// The access check's link when nobody can be asked: it reads through the controller link but
// never writes, and the core requests have nothing to do.
class ReaderOnlyLink final : public comm::ForwardingLink {
  public:
    using ForwardingLink::ForwardingLink;
    int Write(const std::uint8_t*, std::uint32_t, std::uint32_t, std::uint32_t) override {
        return comm::kTargetNotAnswering;
    }
    int WriteCF(const std::uint8_t*, std::uint32_t, std::uint32_t, std::uint32_t) override {
        return comm::kTargetNotAnswering;
    }
    int WriteExt(std::uint32_t, std::uint32_t) override { return comm::kTargetNotAnswering; }
    int CommandExt(std::uint8_t, std::uint8_t, std::uint32_t) override {
        return comm::kTargetNotAnswering;
    }
    bool IsConnected() const override { return true; }
    int Connect() override { return 0; }
    int Deconnect() override { return 0; }
    int StartMonitor() override { return 0; }
    int StopMonitor() override { return 0; }
};

// Answers no prompt; keeps what the check would have shown.
class SilentAccessUi final : public services::IAccessCheckUi {
  public:
    std::string message;
    bool AskPassword(const services::UnlockPrompt&, services::Secret&) override {
        message = msg::kPasswordProtected;
        return false;
    }
    void Show(const services::Notice& notice) override { message = notice.text; }
    void OpenFirmwareUpdate() override { message = msg::kPasswordProtected; }
};

} // namespace

bool SoftwareCapable(comm::IControllerLink& reader, int familyIndex) {
    std::unique_ptr<CFctTabIdentite> identity = model::CreateIdentityTable(familyIndex, reader);
    if (!identity)
        return false; // not a family this program knows
    if (identity->Read() != 0)
        return true;
    return model::SoftwareOffersServices(familyIndex, identity->GetSoftwareV(),
                                         identity->GetSoftwareI(), identity->GetSoftwareR());
}

std::string BlockedMessage(std::uint8_t halfMinutesLeft) {
    return services::BlockedText(halfMinutesLeft);
}

bool AccessAllowed(comm::IControllerLink& reader, std::string& message) {
    ReaderOnlyLink link(reader);
    SilentAccessUi ui;
    bool allowed = services::RunAccessCheck(link, ui);
    message = allowed ? std::string() : ui.message;
    return allowed;
}

} // namespace cli
