#include "model/ControllerLabel.h"

#include <array>

#include "model/AnsiText.h"

namespace model {

std::optional<std::string> ReadLabel(comm::IControllerLink& reader) {
    std::array<std::uint8_t, kLabelSize> b{};
    if (reader.Read(b.data(), kLabelAddress, kLabelSize, reader.LinkTimeoutMs()) != 0)
        return std::nullopt;
    return FieldCode(b.data(), b.size());
}

} // namespace model
