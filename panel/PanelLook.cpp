#include "panel/PanelLook.h"

namespace panel {

const FamilyLook& LookForFamily(int family) {
    static const FamilyLook kz9{{33, 48, 72}, true, {66, 48}, {66, 141}};
    static const FamilyLook pask{{161, 203, 63}, false, {64, 42}, {64, 135}};
    static const FamilyLook trel{{143, 242, 255}, false, {70, 35}, {70, 128}};
    switch (family) {
    case 0:
        return kz9;
    case 1:
        return pask;
    default:
        return trel;
    }
}

const std::array<IconEntry, 10>& IconTable() {
    static const std::array<IconEntry, 10> table{{
        {{89, 0}, "white_warning.bmp", "black_warning.bmp", 152, 219, "warning"},
        {{189, 1}, "white_key.bmp", "black_key.bmp", 144, 216, "key"},
        {{138, 0}, "white_screen.bmp", "black_screen.bmp", 145, 217, "screen"},
        {{-4, 1}, "icon_white_line.bmp", "icon_black_line.bmp", 151, 218, "line"},
        {{41, 0}, "white_wheel_nw.bmp", "black_wheel_nw.bmp", 139, 212, "wheel-nw"},
        {{41, 0}, "white_wheel_w.bmp", "black_wheel_w.bmp", 140, 213, "wheel-w"},
        {{41, 0}, "white_wheel_sw.bmp", "black_wheel_sw.bmp", 142, 215, "wheel-sw"},
        {{41, 0}, "white_wheel_se.bmp", "black_wheel_se.bmp", 141, 214, "wheel-se"},
        {{41, 0}, "white_wheel_e.bmp", "black_wheel_e.bmp", 137, 210, "wheel-e"},
        {{41, 0}, "white_wheel_ne.bmp", "black_wheel_ne.bmp", 138, 211, "wheel-ne"},
    }};
    return table;
}

Rect KeyRect(int family, int key) {
    if (key < 0 || key > 5)
        return {0, 0, 0, 0};
    if (family == 0) {
        const int x = 24 + 51 * key;
        return {x, 188, x + 42, 188 + 23};
    }
    static const int slot[6] = {0, 1, 3, 4, 2, 5};
    const int x = 30 + 50 * slot[key];
    return {x, 176, x + 39, 176 + 39};
}

const char* KeyLabel(int key) {
    static const char* const labels[6] = {"A", "B", "-", "+", "Esc", "Enter"};
    return key >= 0 && key < 6 ? labels[key] : "";
}

} // namespace panel
