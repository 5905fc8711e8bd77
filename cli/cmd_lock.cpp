// lock and unlock: the remote password. lock stores a new one (the controller locks from
// the next connection on); unlock gives the password of a locked controller, as the unlock
// prompt of every service does. Passwords are typed on the terminal without echo, or taken
// line by line from standard input; never from the arguments.
#include <optional>
#include <ostream>

#include "cli/access_check.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/messages.h"
#include "comm/SharedTexts.h"
#include "services/RemotePassword.h"

namespace {

constexpr const char* kTextNotProtected = "The controller is not password protected.";
constexpr const char* kTextUnlocked = "The controller is unlocked for this connection.";

// The lock dialog on the command line.
class CliProtectUi final : public services::IProtectUi {
  public:
    explicit CliProtectUi(cli::Context& context) : context_(context), access_(context.err) {}

    bool AskPassword(const services::UnlockPrompt& prompt, services::Secret& password) override {
        return access_.AskPassword(prompt, password);
    }
    void Show(const services::Notice& notice) override {
        // Confirmations too are messages: standard output holds results only.
        if (notice.kind == services::NoticeKind::Information) {
            context_.err << notice.text << "\n";
            return;
        }
        access_.Show(notice);
    }
    void OpenFirmwareUpdate() override { access_.OpenFirmwareUpdate(); }

    bool AskNewPassword(services::Secret& password) override {
        if (!cli::ReadSecret(context_.err, "Password: ", password)) {
            Show({services::NoticeKind::Warning, services::kTextPasswordInvalid});
            return false;
        }
        if (services::PasswordLength(password.View()) > services::kPasswordSize) {
            Show({services::NoticeKind::Warning, services::kTextTypeCharacters});
            return false;
        }
        services::Secret confirm;
        if (cli::CanConfirmPassword()) {
            if (!cli::ReadSecret(context_.err, "Confirm the password: ", confirm))
                return false;
        } else {
            confirm.Mutable() = std::string(password.View());
        }
        if (auto refusal = services::CheckNewPassword(password.View(), confirm.View())) {
            Show(*refusal);
            return false;
        }
        // The password is written next: a stop waits for the write's end.
        guard_.emplace(cli::WriteKind::kShort);
        return true;
    }

    void ExplainRefusal() { access_.ExplainRefusal(); }

  private:
    cli::Context& context_;
    cli::CliAccessUi access_;
    std::optional<cli::WriteGuard> guard_;
};

int RunLock(cli::Context& context) {
    if (!cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    CliProtectUi ui(context);
    switch (services::ProtectController(comm::ComClientLink(), ui)) {
    case services::ProtectResult::Locked:
        return cli::kExitOk;
    case services::ProtectResult::AccessRefused:
        ui.ExplainRefusal();
        return cli::kExitFailure;
    default:
        return cli::kExitFailure;
    }
}

// Whether a remote password is active on this connection before the check; nothing when the
// lock state cannot be read (a controller that did not answer is not "not protected").
std::optional<bool> Locked(comm::IControllerLink& link) {
    std::optional<services::LockState> state = services::ReadLockState(link);
    if (!state)
        return std::nullopt;
    return state->active;
}

int RunUnlock(cli::Context& context) {
    if (!cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    comm::IControllerLink& link = comm::ComClientLink();
    cli::CliAccessUi ui(context.err);
    if (!link.IsConnected())
        link.Connect();
    const std::optional<bool> wasLocked = Locked(link);
    if (!wasLocked) {
        context.err << texts::kNotReacting << "\n";
        return cli::kExitFailure;
    }
    if (!services::RunAccessCheck(link, ui)) {
        ui.ExplainRefusal();
        return cli::kExitFailure;
    }
    context.err << (*wasLocked ? kTextUnlocked : kTextNotProtected) << "\n";
    return cli::kExitOk;
}

const cli::Command kLock{
    "lock",
    "lock",
    "Protect the controller with a remote password",
    "Asks for the new password (up to 10 characters): on a terminal it is typed twice\n"
    "without echo; otherwise it is the next line of standard input. A locked controller is\n"
    "first asked for its current password, as for every command. From the next connection\n"
    "on, the controller asks for the password before it serves anything.\n"
    "Says \"Product has been successfully locked.\" on standard error (standard output stays\n"
    "empty); a controller that cannot be protected or refuses the password gives the\n"
    "program's message and exit status 1.\n",
    true,
    RunLock};

const cli::Command kUnlock{
    "unlock",
    "unlock",
    "Give the password of a remote-locked controller",
    "Asks for the password as the unlock prompt does (status line and attempt line on\n"
    "standard error; on a terminal typed without echo, otherwise the next line of standard\n"
    "input). A wrong password is asked again while the controller allows; when no more\n"
    "can be read the command ends with exit status 1, the prompt's status and attempt lines\n"
    "on standard error. A blocked controller gives \"Too much connection attempt. The\n"
    "product is blocked.\" and the time left. Every other command asks the same way.\n"
    "Done, it says \"The controller is unlocked for this connection.\" (or that it is not\n"
    "password protected) on standard error; standard output stays empty.\n",
    true,
    RunUnlock};

const cli::RegisterCommand kRegisterLock(kLock);
const cli::RegisterCommand kRegisterUnlock(kUnlock);

} // namespace
