// The access probe of the command menu: whether the controller may be used now. The
// configuration read at 0x40000 succeeds only while the controller is not remote-locked.
#pragma once

namespace services {

// A read of 847 bytes at 0x40000 with the link's time-out; true when it succeeds.
bool AccessProbe();

} // namespace services
