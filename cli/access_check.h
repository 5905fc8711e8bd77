// The access check of the command menu on the command line: a remote-locked controller is
// asked for its password (on the terminal without echo, or the next line of standard input),
// as the unlock prompt does; with no password to be had the command ends with the
// controller's state on standard error.
#pragma once

#include "cli/commands.h"
#include "services/RemotePassword.h"

namespace cli {

// The unlock prompt of the command line.
class CliAccessUi : public services::IAccessCheckUi {
  public:
    explicit CliAccessUi(std::ostream& err) : err_(err) {}

    bool AskPassword(const services::UnlockPrompt& prompt, services::Secret& password) override;
    void Show(const services::Notice& notice) override;
    void OpenFirmwareUpdate() override;

    // After a refusal: says why, unless a message already did.
    void ExplainRefusal();

  protected:
    std::ostream& err_;

  private:
    bool told_ = false;
    bool asked_ = false;
    services::UnlockPrompt lastPrompt_;
};

// A password typed on the terminal without echo (after `prompt` on `err`), or the next line
// of standard input. False when none can be had.
bool ReadSecret(std::ostream& err, const std::string& prompt, services::Secret& password);
// Whether a second, confirming entry can be asked: only someone at a terminal can mistype.
bool CanConfirmPassword();

// Runs the check on the connected controller; false (with the reason on `context.err`) when
// the command may not go on.
bool CheckAccess(Context& context);

// The software capability check and then, for a capable controller, the access check: what
// the menu runs before its services. `refuseIncapable`: old software is refused with the
// program's warning (program, datalogs, diagnostics); otherwise it runs without the access
// check (clock, start and stop). Prints the reason and returns false when the command may not
// go on.
bool ServiceAllowed(Context& context, bool refuseIncapable);
// The same for a controller whose family index was read already.
bool ServiceAllowed(Context& context, int familyIndex, bool refuseIncapable);

} // namespace cli
