#include "services/RemotePassword.h"

#include <vector>

namespace services {

namespace {

constexpr std::size_t kAvailable = 0, kActive = 1, kUnlockPossible = 2, kAttemptsLeft = 7,
                      kBlockTime = 8;
// The prompt counter of the access check starts at this value; the first prompt is the one
// shown while it still has it.
constexpr int kFirstPromptCounter = 34;

// Code points of UTF-8 text; a byte that does not start a valid sequence counts as one
// character of its own value.
std::vector<char32_t> CodePoints(std::string_view utf8) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = std::uint8_t(utf8[i]);
        std::size_t length = lead < 0x80           ? 1
                             : (lead >> 5) == 0x6  ? 2
                             : (lead >> 4) == 0xE  ? 3
                             : (lead >> 3) == 0x1E ? 4
                                                   : 0;
        char32_t cp = length == 1   ? lead
                      : length == 2 ? lead & 0x1F
                      : length == 3 ? lead & 0x0F
                                    : lead & 0x07;
        bool valid = length != 0 && i + length <= utf8.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = std::uint8_t(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (!valid) {
            out.push_back(lead);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += length;
    }
    return out;
}

std::optional<LockState> ReadLock(comm::IControllerLink& link) {
    return ReadLockState(link);
}

void ShowBlocked(IAccessCheckUi& ui, const LockState& state) {
    ui.Show({NoticeKind::Warning, BlockedText(state.blockHalfMinutes)});
}

class WaitCursor {
  public:
    explicit WaitCursor(IAccessCheckUi& ui) : ui_(ui) { ui_.SetWaitCursor(true); }
    ~WaitCursor() { ui_.SetWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    IAccessCheckUi& ui_;
};

// Writes a password buffer and wipes it.
int WritePassword(comm::IControllerLink& link, std::uint32_t address, PasswordBuffer& buffer) {
    int result = link.Write(buffer.data(), address, kPasswordSize, link.LinkTimeoutMs());
    volatile std::uint8_t* p = buffer.data();
    for (std::size_t i = 0; i < buffer.size(); ++i)
        p[i] = 0;
    return result;
}

} // namespace

LockState DecodeLockState(const std::array<std::uint8_t, kLockStateSize>& b) {
    LockState s;
    s.available = b[kAvailable] != 0;
    s.active = b[kActive] != 0;
    s.unlockPossible = b[kUnlockPossible] != 0;
    s.attemptsLeft = b[kAttemptsLeft];
    s.blockHalfMinutes = b[kBlockTime];
    return s;
}

std::optional<LockState> ReadLockState(comm::IControllerLink& reader) {
    std::array<std::uint8_t, kLockStateSize> bytes{};
    if (reader.Read(bytes.data(), kLockStateAddress, kLockStateSize, reader.LinkTimeoutMs()) != 0)
        return std::nullopt;
    return DecodeLockState(bytes);
}

std::size_t PasswordLength(std::string_view utf8) {
    return CodePoints(utf8).size();
}

std::optional<PasswordBuffer> MakePasswordBuffer(std::string_view utf8) {
    std::vector<char32_t> chars = CodePoints(utf8);
    if (chars.size() > kPasswordSize)
        return std::nullopt;
    PasswordBuffer buffer{};
    for (std::size_t i = 0; i < chars.size(); ++i)
        buffer[i] = std::uint8_t(chars[i] & 0xFF);
    std::fill(chars.begin(), chars.end(), U'\0');
    return buffer;
}

std::string BlockedText(int blockHalfMinutes) {
    std::string time =
        blockHalfMinutes < 2
            ? std::string("Less than 1 minute remaining before unblocking.")
            : std::to_string(blockHalfMinutes / 2) + " minutes remaining before unblocking.";
    return std::string(kTextBlocked) + "\n\n" + time;
}

std::string StatusLine(bool firstPrompt) {
    return firstPrompt ? kTextProtected : kTextWrongPassword;
}

std::string AttemptLine(int attemptsMade) {
    switch (attemptsMade) {
    case 1:
        return "(second attempt)";
    case 2:
        return "(third attempt)";
    case 3:
        return "(fourth attempt)";
    case 4:
        return "(fifth and last attempt)";
    default:
        return "";
    }
}

std::optional<Notice> CheckNewPassword(std::string_view first, std::string_view second) {
    if (first.empty())
        return Notice{NoticeKind::Warning, kTextPasswordInvalid};
    if (first != second)
        return Notice{NoticeKind::Warning, kTextPasswordsDiffer};
    return std::nullopt;
}

bool RunAccessCheck(comm::IControllerLink& link, IAccessCheckUi& ui) {
    if (!link.IsConnected())
        link.Connect();
    std::vector<std::uint8_t> probe(kAccessProbeSize);
    if (link.Read(probe.data(), kAccessProbeAddress, kAccessProbeSize, link.LinkTimeoutMs()) == 0)
        return true;
    std::optional<LockState> state = ReadLock(link);
    if (!state || !state->active)
        return true; // an unreadable lock state: the services meet any refusal themselves
    if (!state->available)
        return false;
    if (state->attemptsLeft == 0) {
        ShowBlocked(ui, *state);
        return false;
    }
    int promptCounter = kFirstPromptCounter;
    while (state->unlockPossible && state->attemptsLeft != 0) {
        Secret typed;
        UnlockPrompt prompt{promptCounter == kFirstPromptCounter,
                            kMaxAttempts - state->attemptsLeft};
        if (!ui.AskPassword(prompt, typed))
            return false;
        std::optional<PasswordBuffer> buffer = MakePasswordBuffer(typed.View());
        if (!buffer || WritePassword(link, kUnlockAddress, *buffer) != 0)
            return false;
        state = ReadLock(link);
        if (!state)
            return false;
        ++promptCounter;
        if (!state->active)
            break;
    }
    if (!state->active)
        return true;
    if (!state->unlockPossible) {
        WaitCursor wait(ui);
        link.StopMonitor();
        ui.OpenFirmwareUpdate();
        link.Connect();
        link.StartMonitor();
        return false;
    }
    if (state->attemptsLeft == 0)
        ShowBlocked(ui, *state);
    return false;
}

ProtectResult ProtectController(comm::IControllerLink& link, IProtectUi& ui) {
    if (!ReadLock(link)) {
        ui.Show({NoticeKind::Warning, kTextCannotProtect});
        return ProtectResult::NotProtectable;
    }
    if (!RunAccessCheck(link, ui))
        return ProtectResult::AccessRefused;
    Secret password;
    if (!ui.AskNewPassword(password))
        return ProtectResult::Cancelled;
    std::optional<PasswordBuffer> buffer = MakePasswordBuffer(password.View());
    if (!buffer || WritePassword(link, kNewPasswordAddress, *buffer) != 0) {
        ui.Show({NoticeKind::Warning, kTextProtectError});
        return ProtectResult::WriteFailed;
    }
    ui.Show({NoticeKind::Information, kTextLocked});
    return ProtectResult::Locked;
}

bool ReconnectAfterProtect(comm::IControllerLink& link, IAccessCheckUi& ui) {
    link.Deconnect();
    if (!RunAccessCheck(link, ui))
        return false;
    link.Connect();
    link.StartMonitor();
    return true;
}

} // namespace services
