// The checks the command menu runs before a service, in the form a script can use: the
// software capability check and the remote-password access check without a prompt.
#pragma once

#include <cstdint>
#include <string>

#include "comm/ControllerLink.h"

namespace cli {

// Whether the controller's software offers the services. A failed identity read answers yes.
bool SoftwareCapable(comm::IControllerLink& reader, int familyIndex);

// Whether the controller accepts communication now. It does when the access probe (0x40000,
// 847 bytes) succeeds, when its lock state cannot be read or when protection is not active.
// A locked controller cannot be unlocked without a prompt: false, with the program's text for
// the case in `message` (empty when the controller cannot be unlocked from here).
bool AccessAllowed(comm::IControllerLink& reader, std::string& message);

// The blocked text for a block time left in half-minutes.
std::string BlockedMessage(std::uint8_t halfMinutesLeft);

} // namespace cli
