// The application password prompt's logic (CIhmDlgPasswordAppli shows it, the command line
// uses it directly). The program is protected when 0x5600 reads 1; the stored password is
// 8 bytes at 0x5500 (the first 6 compared); the attempt record is 6 bytes at 0xA000:
//   byte 0  wrong attempts so far (above 4: blocked)
//   byte 1  block time left, in half-minutes
//   bytes 2-5  0 when written
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "comm/ControllerLink.h"

namespace transfer {

constexpr std::uint32_t kAppPasswordAddress = 0x5500, kAppPasswordSize = 8;
constexpr std::uint32_t kAppAttemptsAddress = 0xA000, kAppAttemptsSize = 6;
constexpr std::size_t kAppPasswordLength = 6;
constexpr int kAppMaxAttempts = 5;

inline constexpr const char* kAppProtectedMessage =
    "The target is application protected.\nPlease enter the password.";
inline constexpr const char* kAppLockedMessage =
    "The target is application protected.\nIt is currently locked.";
inline constexpr const char* kAppPasswordTooShort =
    "Password too short !\nPlease enter 6 characters.";
inline constexpr const char* kAppWrongPassword = "Wrong password !\nPlease try again.";

class AppPasswordPrompt {
  public:
    explicit AppPasswordPrompt(comm::IControllerLink& link) : link_(link) {}

    // Reads the attempt record and sets the texts: false when the read failed.
    bool Refresh();
    bool Blocked() const { return blocked_; }
    const std::string& Message() const { return message_; }
    const std::string& AttemptLine() const { return attemptLine_; }

    enum class Outcome {
        Accepted,
        TooShort,   // fewer than 6 characters: nothing read
        ReadFailed, // the stored password could not be read
        Wrong,      // nothing written yet: the user is told first, then RecordWrongAttempt
    };
    Outcome Submit(const std::string& typed);
    // Writes the attempt record of a wrong password and reads it again for the texts: false
    // when the write (or the read) failed.
    bool RecordWrongAttempt();

  private:
    comm::IControllerLink& link_;
    std::array<std::uint8_t, kAppAttemptsSize> attempts_{}; // byte 0: the attempt being made
    bool blocked_ = false;
    std::string message_ = kAppProtectedMessage;
    std::string attemptLine_;
};

} // namespace transfer
