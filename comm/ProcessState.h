// Process-wide integers shared between the user interface and the core server. Each is
// written by one thread and read by others; atomics make that well defined.
#pragma once

#include <atomic>
#include <cstdint>

// Link kind chosen in the connection dialogs: 0 USB, 1 BLE, 2 Ethernet (not MoyenCom).
std::atomic<int>& ConnectionKind();
// Family of the connected controller: 0 kz9, 1 Pask, 2 Trel; 1 until set.
std::atomic<int>& ControllerFamily();
// Time-out of a controller request made by dialogs and transfers, from the link kind:
// 6000 ms USB, 40000 ms BLE, 10000 ms Ethernet, 0 otherwise.
std::uint32_t RequestTimeoutMs();
// Whether the core server's link is open (its link-closed flag is 0).
bool IsLinkOpen();
