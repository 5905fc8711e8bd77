// The remote password: the controller refuses communication from a PC while it is locked,
// counts wrong passwords and blocks itself after five. The program only shows and sends.
//
// Lock state, 13 bytes at 0x7300:
//   0  remote protection available (0: cannot be unlocked from here)
//   1  protection active (non-zero while locked)
//   2  unlock possible (0: the controller must be updated first)
//   3-6 not used      7 attempts left (0: blocked)      8 block time left, half-minutes
//   9-12 32-bit value, not used
// Password buffer: the 10 bytes written at 0x7200 (unlock) or 0x7400 (new password): the low
// byte of each typed character, then zeros.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "comm/ControllerLink.h"
#include "services/Notice.h"
#include "services/Secret.h"

namespace services {

constexpr std::uint32_t kAccessProbeAddress = 0x40000, kAccessProbeSize = 847;
constexpr std::uint32_t kLockStateAddress = 0x7300, kLockStateSize = 13;
constexpr std::uint32_t kUnlockAddress = 0x7200;
constexpr std::uint32_t kNewPasswordAddress = 0x7400;
constexpr std::size_t kPasswordSize = 10;
constexpr int kMaxAttempts = 5;

inline constexpr const char* kTextProtected = "The controller is password protected.";
inline constexpr const char* kTextWrongPassword = "Wrong password.";
inline constexpr const char* kTextBlocked = "Too much connection attempt. The product is blocked.";
inline constexpr const char* kTextCannotProtect = "The controller cannot be protected.";
inline constexpr const char* kTextProtectError =
    "An error occurred while protecting the controller.";
inline constexpr const char* kTextLocked = "Product has been successfully locked.";
inline constexpr const char* kTextPasswordInvalid =
    "The password is not valid. Please enter the passwords again.";
inline constexpr const char* kTextPasswordsDiffer =
    "Passwords are different. Please enter the passwords again.";
inline constexpr const char* kTextTypeCharacters = "Type 10 alphanumeric characters.";

struct LockState {
    bool available = false;
    bool active = false;
    bool unlockPossible = false;
    int attemptsLeft = 0;
    int blockHalfMinutes = 0;
};

LockState DecodeLockState(const std::array<std::uint8_t, kLockStateSize>& bytes);
std::optional<LockState> ReadLockState(comm::IControllerLink& reader);

using PasswordBuffer = std::array<std::uint8_t, kPasswordSize>;
// The buffer of a typed password (UTF-8): the low byte of each character, zero-filled.
// Nothing when it has more than 10 characters.
std::optional<PasswordBuffer> MakePasswordBuffer(std::string_view utf8);
// Its number of characters, as the edits count them.
std::size_t PasswordLength(std::string_view utf8);

// The blocked message: "%s\n\n%s" of the blocked line and the time left.
std::string BlockedText(int blockHalfMinutes);
// The unlock prompt's status line: the first prompt of one check says the controller is
// protected, every later one that the password was wrong.
std::string StatusLine(bool firstPrompt);
// "(second attempt)" ... "(fifth and last attempt)" for 1 to 4 attempts made; else empty.
std::string AttemptLine(int attemptsMade);
// The lock dialog's OK: a warning when the first password is empty or the two differ.
std::optional<Notice> CheckNewPassword(std::string_view first, std::string_view second);

// What one unlock prompt shows.
struct UnlockPrompt {
    bool firstPrompt = true;
    int attemptsMade = 0; // 5 minus the attempts left
};

// The user side of the access check.
class IAccessCheckUi {
  public:
    virtual ~IAccessCheckUi() = default;
    // Asks for the password; false when the user cancels (or none can be asked).
    virtual bool AskPassword(const UnlockPrompt& prompt, Secret& password) = 0;
    virtual void Show(const Notice& notice) = 0;
    // The controller must be updated before it can be unlocked: the firmware update.
    virtual void OpenFirmwareUpdate() = 0;
    virtual void SetWaitCursor(bool /*on*/) {}
};

// Whether the controller may be used now: not locked, or unlocked by the user. Connects
// first when no link is connected.
bool RunAccessCheck(comm::IControllerLink& link, IAccessCheckUi& ui);

// The protect command's user side: the access check's, plus the new password.
class IProtectUi : public IAccessCheckUi {
  public:
    // The new password, typed twice and checked; false when the user cancels.
    virtual bool AskNewPassword(Secret& password) = 0;
};

enum class ProtectResult {
    NotProtectable, // the lock state could not be read
    AccessRefused,  // the access check refused
    Cancelled,
    WriteFailed,
    Locked,
};

// Stores a new remote password (steps 1 to 4 of "Protect the controller with password");
// every outcome is shown through `ui` except a refusal and a cancel.
ProtectResult ProtectController(comm::IControllerLink& link, IProtectUi& ui);
// The end of the protect command in the program: disconnect, then run the access check
// again (a freshly locked controller asks for its password at once); when it allows,
// connect and restart monitoring.
bool ReconnectAfterProtect(comm::IControllerLink& link, IAccessCheckUi& ui);

} // namespace services
