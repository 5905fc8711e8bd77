// BGAPI packets as the BLE dongle speaks them over its serial port.
//
//   byte 0   message type: 0x00 command/response, 0x80 event (low 3 bits: high length
//            bits, always 0 here)
//   byte 1   payload length
//   byte 2   class
//   byte 3   message id
//   4..      payload: little-endian fields; a uint8array is a length byte then the bytes
//
// Fields are written and read one byte at a time, never by casting structures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace bgapi {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kHeaderSize = 4;
constexpr std::uint8_t kTypeCommand = 0x00;
constexpr std::uint8_t kTypeEvent = 0x80;

// Message classes of the SDK 1.x protocol.
enum Class : std::uint8_t {
    kClassSystem = 0,
    kClassFlash = 1,
    kClassAttributes = 2,
    kClassConnection = 3,
    kClassAttClient = 4,
    kClassSm = 5,
    kClassGap = 6,
    kClassHardware = 7,
    kClassTest = 8,
    kClassDfu = 9,
};
constexpr std::uint8_t kClassCount = 10;

// Message ids used by the library and the simulated dongle.
namespace id {
// Commands (and their responses).
constexpr std::uint8_t kSystemReset = 0;
constexpr std::uint8_t kConnectionDisconnect = 0;
constexpr std::uint8_t kAttClientReadByGroupType = 1;
constexpr std::uint8_t kAttClientFindInformation = 3;
constexpr std::uint8_t kAttClientAttributeWrite = 5;
constexpr std::uint8_t kAttClientWriteCommand = 6;
constexpr std::uint8_t kGapDiscover = 2;
constexpr std::uint8_t kGapConnectDirect = 3;
constexpr std::uint8_t kGapEndProcedure = 4;
constexpr std::uint8_t kGapSetScanParameters = 7;
// Events.
constexpr std::uint8_t kSystemBoot = 0;
constexpr std::uint8_t kConnectionStatus = 0;
constexpr std::uint8_t kConnectionDisconnected = 4;
constexpr std::uint8_t kAttClientProcedureCompleted = 1;
constexpr std::uint8_t kAttClientGroupFound = 2;
constexpr std::uint8_t kAttClientFindInformationFound = 4;
constexpr std::uint8_t kAttClientAttributeValue = 5;
constexpr std::uint8_t kGapScanResponse = 0;
} // namespace id

struct Header {
    std::uint8_t type = 0;
    std::uint8_t length = 0;
    std::uint8_t cls = 0;
    std::uint8_t id = 0;
    bool IsEvent() const { return (type & kTypeEvent) != 0; }
};

Header DecodeHeader(const std::uint8_t bytes[kHeaderSize]);

struct Packet {
    Header header;
    Bytes payload;
};

// Whether a response (event = false) or an event of that class and id belongs to the
// protocol the library knows; anything else is an unknown message.
bool IsKnownMessage(bool event, std::uint8_t cls, std::uint8_t id);

// Header + payload; the payload must fit the one length byte (at most 255 bytes).
Bytes EncodePacket(std::uint8_t type, std::uint8_t cls, std::uint8_t id, const Bytes& payload);

// Takes the first complete packet off the front of a byte stream; nothing while the
// stream holds only part of one.
std::optional<Packet> TakePacket(Bytes& stream);

// Little-endian field writer.
class Writer {
  public:
    explicit Writer(Bytes& out) : out_(out) {}
    Writer& U8(std::uint8_t v);
    Writer& U16(std::uint16_t v);
    Writer& Raw(const std::uint8_t* data, std::size_t n);
    // A uint8array: length byte then the bytes (at most 255).
    Writer& Array(const std::uint8_t* data, std::size_t n);

  private:
    Bytes& out_;
};

// Little-endian field reader over a payload; a read past the end marks it failed and
// yields zeros, so a short payload is detected once with ok().
class Reader {
  public:
    Reader(const std::uint8_t* data, std::size_t n) : data_(data), size_(n) {}
    explicit Reader(const Bytes& b) : Reader(b.data(), b.size()) {}
    std::uint8_t U8();
    std::uint16_t U16();
    // Copies n raw bytes into out.
    void Raw(std::uint8_t* out, std::size_t n);
    // A uint8array; empty (and failed) when its length runs past the payload.
    Bytes Array();
    bool ok() const { return ok_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

} // namespace bgapi
