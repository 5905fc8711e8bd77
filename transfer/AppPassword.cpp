#include "transfer/AppPassword.h"

namespace transfer {

bool AppPasswordPrompt::Refresh() {
    std::array<std::uint8_t, kAppAttemptsSize> record{};
    if (link_.Read(record.data(), kAppAttemptsAddress, kAppAttemptsSize, link_.LinkTimeoutMs()) !=
        0)
        return false;
    attempts_ = record;
    blocked_ = record[0] > 4;
    if (blocked_) {
        message_ = kAppLockedMessage;
        attemptLine_ = "Please wait " + std::to_string(record[1] / 2) + " min" +
                       (record[1] > 3 ? "s" : "") + ".";
        return true;
    }
    message_ = kAppProtectedMessage;
    attempts_[0] = std::uint8_t(record[0] + 1);
    attemptLine_ =
        "Attempt number : " + std::to_string(attempts_[0]) + "/" + std::to_string(kAppMaxAttempts);
    return true;
}

AppPasswordPrompt::Outcome AppPasswordPrompt::Submit(const std::string& typed) {
    if (typed.size() < kAppPasswordLength)
        return Outcome::TooShort;
    std::array<std::uint8_t, kAppPasswordSize> stored{};
    if (link_.Read(stored.data(), kAppPasswordAddress, kAppPasswordSize, link_.LinkTimeoutMs()) !=
        0)
        return Outcome::ReadFailed;
    bool same = true;
    for (std::size_t k = 0; k < kAppPasswordLength && same; ++k)
        same = std::uint8_t(typed[k]) == stored[k];
    return same ? Outcome::Accepted : Outcome::Wrong;
}

bool AppPasswordPrompt::RecordWrongAttempt() {
    const std::uint8_t attempt = attempts_[0];
    const std::uint8_t record[kAppAttemptsSize] = {
        attempt, std::uint8_t(attempt == kAppMaxAttempts ? 60 : 0), 0, 0, 0, 0};
    return link_.Write(record, kAppAttemptsAddress, kAppAttemptsSize, link_.LinkTimeoutMs()) == 0 &&
           Refresh();
}

} // namespace transfer
