// How the front panel looks for each family, and the table of its status icons. Plain
// data, so the command line and the picture tool read the same table as the view.
#pragma once

#include <array>
#include <cstdint>

namespace panel {

struct Rgb {
    std::uint8_t r, g, b;
};
struct Point {
    int x, y;
};
struct Rect {
    int left, top, right, bottom;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct FamilyLook {
    Rgb background;   // the LCD's colour, also the text background
    bool whiteText;   // white text and icons, else black
    Point lcdOrigin;  // LCD text rectangle origin in the panel
    Point iconOrigin; // icon bar origin in the panel
};

// Family 0 kz9, 1 Pask, any other value Trel.
const FamilyLook& LookForFamily(int family);

// The LCD text rectangle's size and the area cleared before the text is drawn.
constexpr int kLcdTextWidth = 238;
constexpr int kLcdTextHeight = 100;
constexpr Rect kLcdClearRect{57, 40, 295, 157};
// The panel's background picture is drawn from its top-left corner at this size.
constexpr int kPanelWidth = 350;
constexpr int kPanelHeight = 223;
// The LCD font: face name and size in points.
constexpr const char* kLcdFontFace = "Z9PCnormalFont";
constexpr const char* kLcdFontFile = "Z9PCnormalFont.ttf";
constexpr double kLcdFontPoints = 26.0;

struct IconEntry {
    Point offset;          // from the icon bar origin
    const char* whiteFile; // below res/Image/
    const char* blackFile;
    int whiteResource; // presence marks
    int blackResource;
    const char* meaning; // for text front ends
};

// The ten icons in bit order: warning, key, screen, line, then the six segments of the
// turning wheel (NW, W, SW, SE, E, NE) that share one place.
const std::array<IconEntry, 10>& IconTable();

constexpr const char* kImageFolder = "res/Image/";

// Where key button i (0-5: A, B, -, +, Esc, Enter) sits on the panel of a family. kz9 has
// one row of wide keys in that order; Pask and Trel a row of square keys ordered A, B,
// Esc, -, +, Enter.
Rect KeyRect(int family, int key);
// The key labels, for pictures and text front ends.
const char* KeyLabel(int key);

} // namespace panel
