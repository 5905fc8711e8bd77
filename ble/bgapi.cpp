#include "ble/bgapi.h"

#include <cstring>

namespace bgapi {

namespace {
// Number of response ids and event ids per class in the SDK 1.x protocol: every id
// below the count is a known message.
struct ClassTable {
    std::uint8_t responses;
    std::uint8_t events;
};
constexpr ClassTable kTables[kClassCount] = {
    {18, 8}, // system: reset .. aes_decrypt; boot .. usb_enumerated
    {9, 1},  // flash: ps_defrag .. read_data; ps_key
    {6, 3},  // attributes: write .. send; value, user_read_request, status
    {10, 5}, // connection: disconnect .. slave_latency_disable; status .. disconnected
    {12, 7}, // attclient: find_by_type_value .. read_multiple; indicated .. read_multiple_response
    {9, 5},  // sm: encrypt_start .. set_pairing_distribution_keys; smp_data .. bond_status
    {13, 2}, // gap: set_privacy_flags .. set_nonresolvable_address; scan_response, mode_changed
    {22, 5}, // hardware: io_port_config_irq .. sleep_enable; io_port_status .. radio_error
    {7, 0},  // test: phy_tx .. channel_mode
    {4, 1},  // dfu: reset .. flash_upload_finish; boot
};
} // namespace

Header DecodeHeader(const std::uint8_t bytes[kHeaderSize]) {
    return Header{bytes[0], bytes[1], bytes[2], bytes[3]};
}

bool IsKnownMessage(bool event, std::uint8_t cls, std::uint8_t id) {
    if (cls >= kClassCount)
        return false;
    return id < (event ? kTables[cls].events : kTables[cls].responses);
}

Bytes EncodePacket(std::uint8_t type, std::uint8_t cls, std::uint8_t id, const Bytes& payload) {
    Bytes out{type, std::uint8_t(payload.size()), cls, id};
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::optional<Packet> TakePacket(Bytes& stream) {
    if (stream.size() < kHeaderSize)
        return std::nullopt;
    Header h = DecodeHeader(stream.data());
    std::size_t total = kHeaderSize + h.length;
    if (stream.size() < total)
        return std::nullopt;
    Packet p{h, Bytes(stream.begin() + kHeaderSize, stream.begin() + std::ptrdiff_t(total))};
    stream.erase(stream.begin(), stream.begin() + std::ptrdiff_t(total));
    return p;
}

Writer& Writer::U8(std::uint8_t v) {
    out_.push_back(v);
    return *this;
}

Writer& Writer::U16(std::uint16_t v) {
    out_.push_back(std::uint8_t(v));
    out_.push_back(std::uint8_t(v >> 8));
    return *this;
}

Writer& Writer::Raw(const std::uint8_t* data, std::size_t n) {
    if (n > 0)
        out_.insert(out_.end(), data, data + n);
    return *this;
}

Writer& Writer::Array(const std::uint8_t* data, std::size_t n) {
    if (n > 255)
        n = 255;
    U8(std::uint8_t(n));
    return Raw(data, n);
}

std::uint8_t Reader::U8() {
    if (pos_ + 1 > size_) {
        ok_ = false;
        pos_ = size_;
        return 0;
    }
    return data_[pos_++];
}

std::uint16_t Reader::U16() {
    std::uint16_t lo = U8();
    std::uint16_t hi = U8();
    return std::uint16_t(lo | hi << 8);
}

void Reader::Raw(std::uint8_t* out, std::size_t n) {
    if (pos_ + n > size_) {
        ok_ = false;
        pos_ = size_;
        std::memset(out, 0, n);
        return;
    }
    std::memcpy(out, data_ + pos_, n);
    pos_ += n;
}

Bytes Reader::Array() {
    std::size_t n = U8();
    if (!ok_ || pos_ + n > size_) {
        ok_ = false;
        pos_ = size_;
        return {};
    }
    Bytes out(data_ + pos_, data_ + pos_ + n);
    pos_ += n;
    return out;
}

} // namespace bgapi
