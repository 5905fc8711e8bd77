#include "ble/spp_ids.h"

namespace hb30 {

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}
} // namespace

bgapi::Bytes UuidBytes(std::string_view text) {
    bgapi::Bytes bigEndian;
    int high = -1;
    for (char c : text) {
        if (c == '-')
            continue;
        int v = HexValue(c);
        if (v < 0)
            return {};
        if (high < 0) {
            high = v;
        } else {
            bigEndian.push_back(std::uint8_t(high << 4 | v));
            high = -1;
        }
    }
    if (bigEndian.size() != 16 || high >= 0)
        return {};
    return bgapi::Bytes(bigEndian.rbegin(), bigEndian.rend());
}

bgapi::Bytes UuidBytes(std::uint16_t shortUuid) {
    return {std::uint8_t(shortUuid), std::uint8_t(shortUuid >> 8)};
}

} // namespace hb30
