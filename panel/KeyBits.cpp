#include "panel/KeyBits.h"

namespace panel {

KeyBitRow KeyBitsForFamily(int family) {
    switch (family) {
    case 0:
        return {0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x03};
    case 1:
    case 2:
        return {0x20, 0x10, 0x04, 0x02, 0x08, 0x01, 0x09};
    default:
        return {};
    }
}

const char* KeyPictureName(int key, bool pressed) {
    static const char* const normal[kButtonCount] = {"btn_a.png",    "btn_b.png",   "btn_minus.png",
                                                     "btn_plus.png", "btn_esc.png", "btn_ok.png"};
    static const char* const down[kButtonCount] = {"btn_a_pressed.png",     "btn_b_pressed.png",
                                                   "btn_minus_pressed.png", "btn_plus_pressed.png",
                                                   "btn_esc_pressed.png",   "btn_ok_pressed.png"};
    if (key < 0 || key >= kButtonCount)
        return "";
    return pressed ? down[key] : normal[key];
}

const char* StyleFolder(int family) {
    switch (family) {
    case 0:
        return "res/kz9Style/";
    case 2:
        return "res/trelStyle/";
    default:
        return "res/paskStyle/";
    }
}

} // namespace panel
