// The core server's side of the link: every T71_COMM call goes through here, with the
// CComManager's target, parameter block and current time-out. Used by the core server
// thread only.
#pragma once

#include <cstdint>

namespace corelink {

constexpr std::uint32_t kOpenTimeoutMs = 5000;
constexpr std::uint32_t kCloseTimeoutMs = 500;
constexpr std::uint32_t kMonitorTimeoutMs = 5000;
constexpr std::uint32_t kDisplayAddress = 0x6000;
constexpr std::uint32_t kDisplaySize = 156;
constexpr std::uint32_t kIdentityAddress = 0xE000;
constexpr std::uint32_t kIdentitySize = 21;

// One call of the current medium's T71_COMM with the block's current time-out. Returns
// the library's result, or servercode::kNoTransport when no library serves the medium.
int Transport(std::int32_t command, std::int32_t count, std::uint32_t address,
              std::uint8_t* buffer);

// Stores the time-out in the parameter block, where the transport may read it.
void SetTimeout(std::uint32_t ms);

// Family index from the identification's first byte: 4 kz9 (0), 5 Pask (1), else Trel (2).
int FamilyFromCode(std::uint8_t code);

// Opens the link when it is closed: open, per-medium handshake, identification read that
// sets ControllerFamily. 0, or the failing code (4 for a corrupt link-closed flag).
int EnsureConnected();

// Closes the link if it is not marked closed (500 ms, the block's time-out restored).
void CloseLink();

// A memory access of the program (a request or the monitoring read) on an open link. A
// result of 4 means the link was lost (device unplugged, connection dropped): the link is
// then marked closed, so that the next access opens it again instead of failing for ever.
int Access(std::int32_t command, std::int32_t count, std::uint32_t address, std::uint8_t* buffer);

// Goodbye to the controller, then CloseLink; the time-out is 500 ms meanwhile and is
// restored afterwards.
void GoodbyeAndClose();

// The monitoring read: EnsureConnected, then 156 bytes at 0x6000 with 5000 ms into
// `display`. 0 or the failing code.
int ReadDisplay(std::uint8_t (&display)[kDisplaySize]);

} // namespace corelink
