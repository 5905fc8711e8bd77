// The controller label: the text the technician gives a controller, 18 bytes at 0x0F00.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "comm/ControllerLink.h"

namespace model {

constexpr std::uint32_t kLabelAddress = 0x0F00, kLabelSize = 18;

// The label with trailing white space removed, read with the reader's link time-out; nothing
// when the read fails.
std::optional<std::string> ReadLabel(comm::IControllerLink& reader);

} // namespace model
