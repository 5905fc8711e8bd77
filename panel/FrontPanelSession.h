// The front panel's behaviour without any drawing: taking the published front-panel
// blocks, the screen they make, and the keys written back to the controller. The Qt view
// and the command-line panel both drive one of these.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "comm/SharedTexts.h"
#include "panel/FrontPanelBlock.h"
#include "panel/KeyBits.h"
#include "panel/PanelLink.h"

namespace panel {

// Which keys are shown pressed (A, B, -, +, Esc, Enter, chord): process-wide, all 0 at
// start and never reset, so a key held by a double-click survives a rebuilt panel.
std::array<int, kKeyCount>& KeyState();

// Family index from a model index: 0-6 kz9, 7-10 Pask, anything else Trel.
int FamilyForModel(int model);

constexpr const char* kCommunicationFailed = texts::kCommunicationFailed;
constexpr int kClickHoldMs = 200;
constexpr std::uint8_t kParameterAccessCommand = 30;

class FrontPanelSession {
  public:
    struct Hooks {
        std::function<void(int key, bool pressed)> setKeyPicture; // buttons 0-5
        std::function<void()> repaint;                            // repaint the panel now
        std::function<void(const std::string&)> warn;             // warning alert
        std::function<void(int ms)> wait;                         // blocking pause
    };

    FrontPanelSession(PanelLink& link, int family, Hooks hooks = {});

    // The idle pass: takes every publication waiting (processing each in order) so the
    // screen never falls behind the controller. Returns how many were taken; the caller
    // redraws when that is non-zero. Never blocks, except to re-identify a BLE controller.
    int Tick();

    bool HasScreen() const { return hasScreen_; }
    // Whether the screen on show is the "COMMUNICATION" / "ERROR" screen of a failed read.
    bool ShowsErrorScreen() const { return showsError_; }
    // Whether the screen on show comes from a controller that runs its loader only (no
    // firmware). The state word is read with the first screen of a link (and again after a
    // failed read); the warning hook gets texts::kNoFirmware once each time it is found so.
    bool ShowsNoFirmware() const { return hasScreen_ && !showsError_ && noFirmware_; }
    // The screen on show, cells as code points.
    const ScreenRecord& Screen() const { return screen_; }
    std::uint32_t ShownIcons() const { return IconMask(screen_.iconByte, screen_.iconWord); }
    std::uint64_t PublicationsTaken() const { return taken_; }
    int Family() const { return family_; }
    const KeyBitRow& KeyBits() const { return keyBits_; }

    std::uint8_t KeyMask() const { return keyMask_; }
    void SetKeyMask(std::uint8_t mask) { keyMask_ = mask; }

    // Key operations; keys 0-5 are A, B, -, +, Esc, Enter, 6 the Esc+Enter chord. Each does
    // nothing while the link is not open.
    void ToggleKey(int key);
    void ClickKey(int key); // toggle, repaint, 200 ms, toggle
    void ClickEnter();      // the Enter click with monitoring paused around it
    void DoubleClickKey(int key) { ToggleKey(key); }

  private:
    void Take(const Publication& pub);
    void ReidentifyIfAsked();
    void CheckFirmwareIfDue();
    void SetPicture(int key, bool pressed);
    void Warn();

    PanelLink& link_;
    int family_;
    KeyBitRow keyBits_;
    Hooks hooks_;
    ScreenRecord screen_;
    bool hasScreen_ = false;
    bool showsError_ = false;
    bool noFirmware_ = false;
    bool checkFirmware_ = true;
    bool dropped_ = false; // this session dropped the (Ethernet) link after a failed read
    int blocksSinceCheck_ = 0;
    bool reidentify_ = false;
    std::uint8_t keyMask_ = 0;
    std::uint64_t taken_ = 0;
};

} // namespace panel
