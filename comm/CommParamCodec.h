// Conversions between the PARAM_COM block and the ComType message, for both ends of the
// request channel: the client builds ComType from its caller's block and fills a block
// from an answer; the core server stores a ComType into its live block and describes
// that block back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "QRL_protocole.pb.h"
#include "wire/t71.h"

namespace commparam {

// PortCom always travels as 8 bytes, SSLPeerName as 14, BLE_device_path as 256.
constexpr std::size_t kPortComSize = 8;
constexpr std::size_t kSslPeerNameSize = 14;
// The BLE address string runs from the address position to the first NUL, at most
// through the dongle port name that follows it (6 + 10 bytes).
constexpr std::size_t kBleAddressSpan = paramcom::kBleAddressSize + paramcom::kDonglePortSize;

// Client side. Builds the CommParam of a SET_COMM_PARAM; `sslPeerName` holds the 14
// bytes sent when the block's SSL flag is set. False when the block's medium lies
// outside MoyenCom (the request cannot be built).
bool BuildForRequest(const PARAM_COM& block, const char* sslPeerName, ComType& out);

// Client side. Stores an answer's CommParam into `block`, keeping its other fields; an
// SSL peer name goes to `sslArea` (16 bytes, NUL-terminated). 0, or -1 when the answer
// lacks the fields its medium needs.
int FillFromAnswer(const ComType& in, PARAM_COM& block, char (&sslArea)[16]);

// Server side. Stores the parameters into the live block (the medium first, so that a
// rejected request still switches it). 0, or the servercode of the missing part.
std::uint32_t StoreOnServer(const ComType& in, PARAM_COM& block,
                            char (&sslPeerName)[kSslPeerNameSize]);

// Server side. The GET_COMM_PARAM answer for the live block.
void DescribeOnServer(const PARAM_COM& block, std::uint32_t cible,
                      const char (&sslPeerName)[kSslPeerNameSize], ComType& out);

} // namespace commparam
