// Codes the core server puts in codeErreur besides the transport libraries' own
// results (which are passed on unchanged: 1, 4, 5).
#pragma once

#include <cstdint>

namespace servercode {

constexpr std::uint32_t kBadLinkState = 4;   // link-closed flag neither 0 nor 1
constexpr std::uint32_t kNoSerialPort = 6;   // PORT_SERIE without PortCom
constexpr std::uint32_t kNoEthernetPeer = 7; // ETH without IPadress or TCPPort
constexpr std::uint32_t kNoCommParam = 8;    // SET_COMM_PARAM without CommParam
constexpr std::uint32_t kUnknownMedium = 9;  // ComWay outside MoyenCom (or absent)
constexpr std::uint32_t kNoTrame = 10;       // access without Trame, write without buffer
constexpr std::uint32_t kNoBleDevice = 11;   // BLTH without device path, address and port
constexpr std::uint32_t kTrameTooLarge = 12; // NbData above 40000, or above the bytes given
constexpr std::uint32_t kNoTransport = 13;   // the medium's library is not loaded

} // namespace servercode
