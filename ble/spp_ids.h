// Identifiers of the controller's serial-port-like GATT service, in the byte order BGAPI
// carries them (least significant byte first).
#pragma once

#include <cstdint>
#include <string_view>

#include "ble/bgapi.h"

namespace hb30 {

inline constexpr std::string_view kSppServiceUuid = "194E7E26-85F9-4E57-8D21-7DB42ADB1EDB";
inline constexpr std::string_view kSppDataUuid = "1D761665-AC8C-4C46-A8EC-3BD8FA92E63F";
inline constexpr std::uint16_t kCccUuid = 0x2902;
inline constexpr std::uint16_t kPrimaryServiceUuid = 0x2800;

// The 16 bytes of a UUID written "8-4-4-4-12", least significant byte first; empty when
// the text is not such a UUID.
bgapi::Bytes UuidBytes(std::string_view text);
// A 16-bit UUID as 2 bytes, least significant first.
bgapi::Bytes UuidBytes(std::uint16_t shortUuid);

} // namespace hb30
