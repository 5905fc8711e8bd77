#include "panel/FrontPanelSession.h"

#include "model/LoaderState.h"

namespace panel {
namespace {

constexpr int kLinkBle = 1;
constexpr int kLinkEthernet = 2;

// A bound on one idle pass, so a flood of publications can never hold the interface.
constexpr int kMaxPublicationsPerTick = 256;
// While the controller runs its loader only, the state word is read again every so many
// screens, so the panel sees the firmware come back.
constexpr int kFirmwareRecheckBlocks = 50;

} // namespace

std::array<int, kKeyCount>& KeyState() {
    static std::array<int, kKeyCount> state{};
    return state;
}

int FamilyForModel(int model) {
    if (model >= 0 && model <= 6)
        return 0;
    if (model >= 7 && model <= 10)
        return 1;
    return 2;
}

FrontPanelSession::FrontPanelSession(PanelLink& link, int family, Hooks hooks)
    : link_(link), family_(family), keyBits_(KeyBitsForFamily(family)), hooks_(std::move(hooks)) {}

int FrontPanelSession::Tick() {
    int count = 0;
    Publication pub;
    while (count < kMaxPublicationsPerTick && link_.PollPublish(pub)) {
        Take(pub);
        ++count;
    }
    taken_ += static_cast<std::uint64_t>(count);
    return count;
}

void FrontPanelSession::Take(const Publication& pub) {
    if (!pub.ok) {
        screen_ = ErrorScreen();
        hasScreen_ = true;
        checkFirmware_ = true;
        showsError_ = true;
        if (link_.IsLinkOpen()) {
            // A failing Ethernet controller is not polled on; a BLE one may have been
            // replaced by another behind the same dongle.
            if (link_.LinkKind() == kLinkEthernet) {
                link_.Deconnect();
                dropped_ = true;
            } else if (link_.LinkKind() == kLinkBle)
                reidentify_ = true;
        }
        return;
    }
    // Blocks still queued when this session dropped the link were read before the failure:
    // they do not hide the error screen that says why the link was dropped.
    if (dropped_ && !link_.IsLinkOpen())
        return;
    dropped_ = false;
    ReidentifyIfAsked();
    const auto raw = DecodeBlock(pub.data.data(), pub.data.size());
    if (!raw || KeepsPreviousScreen(*raw))
        return;
    screen_ = MapThroughGlyphTable(*raw);
    hasScreen_ = true;
    showsError_ = false;
    CheckFirmwareIfDue();
}

void FrontPanelSession::CheckFirmwareIfDue() {
    if (!checkFirmware_ && !(noFirmware_ && ++blocksSinceCheck_ >= kFirmwareRecheckBlocks))
        return;
    checkFirmware_ = false;
    blocksSinceCheck_ = 0;
    std::uint32_t word = 0;
    // A failed read says nothing: what was known stays.
    if (!link_.IsLinkOpen() || link_.ReadStateWord(word) != 0)
        return;
    const bool was = noFirmware_;
    noFirmware_ = model::IsLoaderOnlyState(word);
    if (noFirmware_ && !was && hooks_.warn)
        hooks_.warn(texts::kNoFirmware);
}

void FrontPanelSession::ReidentifyIfAsked() {
    if (!reidentify_)
        return;
    int model = -1;
    // A failed read says nothing about the controller: keep the family and try again
    // with the next block.
    if (link_.ReadModelIndex(model) != 0)
        return;
    link_.SetFamilyIndex(FamilyForModel(model));
    reidentify_ = false;
}

void FrontPanelSession::SetPicture(int key, bool pressed) {
    if (hooks_.setKeyPicture)
        hooks_.setKeyPicture(key, pressed);
}

void FrontPanelSession::Warn() {
    if (hooks_.warn)
        hooks_.warn(kCommunicationFailed);
}

void FrontPanelSession::ToggleKey(int key) {
    if (key < 0 || key >= kKeyCount || !link_.IsLinkOpen())
        return;
    auto& state = KeyState();
    const std::uint8_t bit = keyBits_[key];
    if (key == kKeyChord) {
        const bool press = state[kKeyChord] == 0;
        SetPicture(kKeyEsc, press);
        SetPicture(kKeyEnter, press);
        if (hooks_.repaint)
            hooks_.repaint();
        state[kKeyChord] = press ? 1 : 0;
        if (!press) {
            keyMask_ = static_cast<std::uint8_t>(keyMask_ & ~bit);
            return;
        }
        // The chord is never written as a mask: the controller gets the parameter-access
        // command, and the bits stay in the mask for later key writes.
        keyMask_ = static_cast<std::uint8_t>(keyMask_ | bit);
        if (link_.SendControllerCommand(kParameterAccessCommand) != 0)
            Warn();
        return;
    }
    const bool press = state[key] == 0;
    SetPicture(key, press);
    state[key] = press ? 1 : 0;
    keyMask_ = press ? static_cast<std::uint8_t>(keyMask_ | bit)
                     : static_cast<std::uint8_t>(keyMask_ & ~bit);
    if (link_.WriteKeyMask(keyMask_) != 0)
        Warn();
}

void FrontPanelSession::ClickKey(int key) {
    if (!link_.IsLinkOpen())
        return;
    ToggleKey(key);
    if (hooks_.repaint)
        hooks_.repaint();
    if (hooks_.wait)
        hooks_.wait(kClickHoldMs);
    ToggleKey(key);
}

void FrontPanelSession::ClickEnter() {
    // Pausing and resuming monitoring on a closed link would reopen it behind the user's
    // back; the click itself would send nothing anyway.
    if (!link_.IsLinkOpen())
        return;
    link_.StopMonitor();
    ClickKey(kKeyEnter);
    link_.StartMonitor();
}

} // namespace panel
