// The run state (0x4000) and the state word (0x5000) as the status command shows them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace cli {

// The error-code text of the diagnostics: "No error", the low 24 bits when bit 0x04000000
// (orange) or else 0x40000000 (red) is set, "Unknown default code" otherwise.
std::string ErrorCodeText(std::uint32_t stateWord);

struct StatusReport {
    bool running = false;
    std::optional<std::uint32_t> stateWord; // nothing when its read failed
    bool NoFirmware() const;                // the controller runs its loader only
};

std::string StatusText(const StatusReport& status);
// Keys: running (bool), state_word (integer or null), error_code (text; "Unknown" when the
// state word could not be read), no_firmware (bool: the controller runs its loader only).
std::string StatusJson(const StatusReport& status);

} // namespace cli
