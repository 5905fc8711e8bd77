#include "sim/panel_app.h"

#include <cstdio>

namespace sim {

namespace {
constexpr std::size_t kAttributes = 72;
constexpr std::size_t kIconWord = 146;
constexpr char kArrow = 0x7E; // page 0: right arrow
constexpr std::array<std::int16_t, PanelApp::kParameters> kDefaults = {20, 5, 100, 0};
const char* const kParamNames[PanelApp::kParameters] = {"SETPOINT", "HYSTER.", "DELAY", "MODE"};
const char* const kMenuItems[] = {"CLOCK", "INPUTS", "COUNTER", "ABOUT"};
constexpr int kMenuCount = 4;

std::string Vir(const Version& v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%d.%02d.%02d", v.v, v.i, v.r);
    return buf;
}

std::string Format(const char* fmt, long a, long b = 0, long c = 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, a, b, c);
    return buf;
}

std::string ClockLine(const CivilTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d %02d/%02d/%02d", t.hour, t.minute, t.second,
                  t.day, t.month, t.year % 100);
    return buf;
}

std::string Bits(std::uint8_t v) {
    std::string s;
    for (int i = 0; i < 8; ++i)
        s.push_back((v >> i & 1) ? '1' : '0');
    return s;
}
} // namespace

void PutLcdText(wire::Bytes& block, int row, const std::string& text) {
    for (int col = 0; col < kLcdColumns; ++col) {
        const std::size_t cell = std::size_t(row * kLcdColumns + col);
        auto c = std::uint8_t(col < int(text.size()) ? text[std::size_t(col)] : ' ');
        block[cell] = c;
        block[kAttributes + cell] = (c >= 0x21 && c <= 0x3F) ? 1 : 0;
    }
}

PanelApp::PanelApp(const Profile& profile) : profile_(profile), params_(kDefaults) {}

void PanelApp::ResetParameters() {
    params_ = kDefaults;
}

bool PanelApp::TakeCounterReset() {
    bool r = counter_reset_;
    counter_reset_ = false;
    return r;
}

void PanelApp::OpenParameterMenu() {
    screen_ = Screen::kParameters;
    cursor_ = 0;
}

void PanelApp::KeyMask(std::uint8_t mask) {
    const std::uint8_t keys = profile_.key_a | profile_.key_b | profile_.key_minus |
                              profile_.key_plus | profile_.key_esc | profile_.key_enter;
    mask &= keys; // bits that are not keys are ignored
    std::uint8_t down = mask & std::uint8_t(~mask_);
    mask_ = mask;
    const std::uint8_t chord = profile_.key_esc | profile_.key_enter;
    if ((down & chord) == chord)
        down &= std::uint8_t(~chord);
    if (down & profile_.key_a)
        Press(Key::kA);
    if (down & profile_.key_b)
        Press(Key::kB);
    if (down & profile_.key_minus)
        Press(Key::kMinus);
    if (down & profile_.key_plus)
        Press(Key::kPlus);
    if (down & profile_.key_esc)
        Press(Key::kEsc);
    if (down & profile_.key_enter)
        Press(Key::kEnter);
}

void PanelApp::Press(Key key) {
    switch (screen_) {
    case Screen::kHome:
        if (key == Key::kEnter) {
            screen_ = Screen::kMenu;
            cursor_ = 0;
        }
        break;
    case Screen::kMenu:
        if (key == Key::kPlus || key == Key::kB)
            cursor_ = (cursor_ + 1) % kMenuCount;
        else if (key == Key::kMinus || key == Key::kA)
            cursor_ = (cursor_ + kMenuCount - 1) % kMenuCount;
        else if (key == Key::kEsc)
            screen_ = Screen::kHome;
        else if (key == Key::kEnter)
            screen_ = Screen(int(Screen::kClock) + cursor_);
        break;
    case Screen::kCounter:
        if (key == Key::kA)
            counter_reset_ = true;
        if (key == Key::kEsc)
            screen_ = Screen::kMenu;
        break;
    case Screen::kClock:
    case Screen::kInputs:
    case Screen::kAbout:
        if (key == Key::kEsc)
            screen_ = Screen::kMenu;
        break;
    case Screen::kParameters:
        if (key == Key::kB || key == Key::kEnter)
            cursor_ = (cursor_ + 1) % kParameters;
        else if (key == Key::kA)
            cursor_ = (cursor_ + kParameters - 1) % kParameters;
        else if (key == Key::kPlus && params_[std::size_t(cursor_)] < 9999)
            ++params_[std::size_t(cursor_)];
        else if (key == Key::kMinus && params_[std::size_t(cursor_)] > -999)
            --params_[std::size_t(cursor_)];
        else if (key == Key::kEsc) {
            screen_ = Screen::kHome;
            cursor_ = 0;
        }
        break;
    }
}

wire::Bytes PanelApp::Block(const PanelInputs& in) const {
    wire::Bytes b(kPanelBlock, 0);
    std::string rows[kLcdRows];
    if (in.loader) {
        rows[0] = profile_.type_text;
        rows[1] = "   BOOT LOADER";
        rows[2] = in.has_image ? "   IMAGE READY" : "  WAITING IMAGE";
        rows[3] = Format("  CODE %lu", long(in.state_word & 0xFFFFFF));
    } else {
        switch (screen_) {
        case Screen::kHome:
            rows[0] = in.label;
            rows[1] = std::string(in.running ? "RUN " : "STOP") +
                      Format("  CNT %06lu", long(in.counter % 1000000));
            rows[2] = ClockLine(in.clock);
            rows[3] = in.locked ? "LOCKED   OK:MENU" : "I " + Bits(in.inputs) + " OK:MENU";
            break;
        case Screen::kMenu: {
            rows[0] = "MENU";
            int first = cursor_ < 3 ? 0 : cursor_ - 2;
            for (int i = 0; i < 3; ++i) {
                int item = first + i;
                rows[1 + i] = std::string(1, item == cursor_ ? kArrow : ' ') + kMenuItems[item];
            }
            break;
        }
        case Screen::kClock:
            rows[0] = "CLOCK";
            rows[1] = ClockLine(in.clock);
            rows[3] = "ESC:BACK";
            break;
        case Screen::kInputs:
            rows[0] = "INPUTS";
            rows[1] = "I1-8 " + Bits(in.inputs);
            rows[2] = Format("AN1 %+06ld", in.analog);
            rows[3] = "ESC:BACK";
            break;
        case Screen::kCounter:
            rows[0] = "COUNTER";
            rows[1] = Format("%010lu", long(in.counter));
            rows[2] = in.running ? "COUNTING" : "HALTED";
            rows[3] = "A:RESET ESC:BACK";
            break;
        case Screen::kAbout:
            rows[0] = profile_.type_text;
            rows[1] = Format("CODE %08lu", long(profile_.code8));
            rows[2] = "SOFT " + Vir(profile_.software);
            rows[3] = "ESC:BACK";
            break;
        case Screen::kParameters: {
            rows[0] = "PARAMETERS";
            int first = cursor_ < 3 ? 0 : cursor_ - 2;
            for (int i = 0; i < 3; ++i) {
                int p = first + i;
                std::string line(1, p == cursor_ ? kArrow : ' ');
                line += kParamNames[p];
                line.resize(12, ' ');
                line += Format("%5ld", params_[std::size_t(p)]);
                rows[1 + i] = line;
            }
            break;
        }
        }
    }
    for (int r = 0; r < kLcdRows; ++r)
        PutLcdText(b, r, rows[r]);

    // Icon word: 0 warning (state word set), 1 key (locked), 2 screen (parameter menu),
    // 4-9 the wheel, one segment lit at a time, turning every 250 ms while running.
    std::uint32_t icons = 0;
    if (in.state_word != 0)
        icons |= 1u << 0;
    if (in.locked)
        icons |= 1u << 1;
    if (!in.loader && screen_ == Screen::kParameters)
        icons |= 1u << 2;
    if (in.running && !in.loader)
        icons |= 1u << (4 + int((in.now_ms / 250) % 6));
    for (int i = 0; i < 4; ++i)
        b[kIconWord + std::size_t(i)] = std::uint8_t(icons >> (8 * i));
    return b;
}

} // namespace sim
