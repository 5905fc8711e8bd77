// The small built-in application that drives the simulated LCD: a status screen, a menu,
// a parameter menu opened by the Esc+Enter chord, and the "BOOT LOADER" screen of the
// loader states. It turns key-mask edges into key presses and renders the 156-byte
// front-panel block of 0x6000.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sim/controller_profile.h"
#include "sim/rtc.h"
#include "wire/frame_codec.h"

namespace sim {

constexpr std::size_t kPanelBlock = 156;
constexpr int kLcdRows = 4;
constexpr int kLcdColumns = 18;

// What the screens show, gathered by the controller at each read.
struct PanelInputs {
    bool running = false;
    bool loader = false;    // any loader state
    bool has_image = false; // an image is waiting in the loader
    bool locked = false;    // remote lock active for the session
    std::uint32_t state_word = 0;
    CivilTime clock;
    std::uint32_t counter = 0;
    std::uint8_t inputs = 0; // digital inputs 1-8
    std::int16_t analog = 0;
    std::string label;
    std::int64_t now_ms = 0;
};

class PanelApp {
  public:
    enum class Screen { kHome, kMenu, kClock, kInputs, kCounter, kAbout, kParameters };
    static constexpr int kParameters = 4;

    explicit PanelApp(const Profile& profile);

    // A write of the key mask at 0x6000: keys react on their 0 -> 1 edge. Esc and Enter
    // going down together are the chord, which the PC already sent as command 30: ignored.
    void KeyMask(std::uint8_t mask);
    // Command [30,0].
    void OpenParameterMenu();
    // Restores the parameter defaults ([3,0], reset of saved values).
    void ResetParameters();
    // Counter reset asked from the counter screen.
    bool TakeCounterReset();

    wire::Bytes Block(const PanelInputs& in) const;

    Screen screen() const { return screen_; }
    int cursor() const { return cursor_; }
    std::int16_t parameter(int i) const { return params_[std::size_t(i)]; }

  private:
    enum class Key { kA, kB, kMinus, kPlus, kEsc, kEnter };
    void Press(Key key);

    const Profile profile_;
    std::uint8_t mask_ = 0;
    Screen screen_ = Screen::kHome;
    int cursor_ = 0;
    bool counter_reset_ = false;
    std::array<std::int16_t, kParameters> params_{};
};

// Cell codes and page attributes of one LCD text: characters 0x21-0x3F go to page 1,
// where they are plain ASCII (page 0 draws them full-width); the rest stays on page 0.
void PutLcdText(wire::Bytes& block, int row, const std::string& text);

} // namespace sim
