#include "cli/access_check.h"

#include <ostream>

#include "cli/console_input.h"
#include "cli/controller_checks.h"
#include "cli/messages.h"
#include "cli/password_input.h"
#include "cli/session.h"
#include "comm/SharedTexts.h"

namespace cli {

namespace {
constexpr const char* kTextUpdateFirst =
    "The controller must be updated before it can be unlocked: update its firmware.";
}

bool CliAccessUi::AskPassword(const services::UnlockPrompt& prompt, services::Secret& password) {
    asked_ = true;
    lastPrompt_ = prompt;
    std::string heading = services::StatusLine(prompt.firstPrompt);
    const std::string attempt = services::AttemptLine(prompt.attemptsMade);
    if (!attempt.empty())
        heading += " " + attempt;
    return ReadSecret(err_, heading + "\nIndicate the password: ", password);
}

void CliAccessUi::Show(const services::Notice& notice) {
    told_ = true;
    err_ << notice.text << "\n";
}

void CliAccessUi::OpenFirmwareUpdate() {
    told_ = true;
    err_ << kTextUpdateFirst << "\n";
}

void CliAccessUi::ExplainRefusal() {
    if (told_)
        return;
    if (!asked_) {
        err_ << services::kTextProtected << "\n";
        return;
    }
    // The prompt that found no password: the controller's state as it would show it.
    err_ << services::StatusLine(lastPrompt_.firstPrompt) << "\n";
    const std::string attempt = services::AttemptLine(lastPrompt_.attemptsMade);
    if (!attempt.empty())
        err_ << attempt << "\n";
}

bool ReadSecret(std::ostream& err, const std::string& prompt, services::Secret& password) {
    std::optional<std::string> line = ReadPassword(StandardInput(), err, prompt);
    if (!line)
        return false;
    password.Mutable().assign(*line);
    services::WipeText(*line);
    return true;
}

bool CanConfirmPassword() {
    return StandardInput().IsTerminal();
}

bool CheckAccess(Context& context) {
    CliAccessUi ui(context.err);
    if (services::RunAccessCheck(comm::ComClientLink(), ui))
        return true;
    ui.ExplainRefusal();
    return false;
}

bool ServiceAllowed(Context& context, bool refuseIncapable) {
    comm::IControllerLink& reader = comm::ComClientLink();
    int family = 0;
    if (ReadConnectedFamily(reader, family) != 0) {
        context.err << texts::kNotReacting << "\n";
        return false;
    }
    return ServiceAllowed(context, family, refuseIncapable);
}

bool ServiceAllowed(Context& context, int family, bool refuseIncapable) {
    comm::IControllerLink& reader = comm::ComClientLink();
    if (!SoftwareCapable(reader, family)) {
        if (!refuseIncapable)
            return true;
        context.err << texts::kUpdateSoftware << "\n";
        return false;
    }
    return CheckAccess(context);
}

} // namespace cli
