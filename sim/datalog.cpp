#include "sim/datalog.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace sim {

namespace {
constexpr std::uint8_t kRecordMarker = 0x0A;
constexpr std::uint8_t kTrailer = 0x00;

int Ranges(DatalogMemory::Form form) {
    return form == DatalogMemory::Form::kOwn ? 2 : 3;
}

// The mask byte as stored in a record: a 32-bit range marks channel k by bits k and k+4,
// so that the reader's length formula (2 bytes per set bit) counts 4 bytes per channel.
std::uint8_t RecordMask(const DatalogConfig& c, int r) {
    if (c.wide[r] == 0)
        return c.mask[r];
    std::uint8_t low = c.mask[r] & 0x0F;
    return std::uint8_t(low | low << 4);
}

void PutLE32(wire::Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}
} // namespace

wire::Bytes EncodeDatalogConfig(const DatalogConfig& c, bool long_form) {
    wire::Bytes out(20, 0);
    out.insert(out.end(), c.mask, c.mask + 3);
    if (long_form)
        out.insert(out.end(), c.wide, c.wide + 3);
    wire::PutBE32(out, c.period_s);
    out.push_back(std::uint8_t(c.field_separator));
    out.push_back(std::uint8_t(c.decimal_separator));
    out.push_back(0);
    out.push_back(0);
    return out;
}

DatalogConfig DecodeDatalogConfig(const std::uint8_t* d, bool long_form) {
    DatalogConfig c;
    std::memcpy(c.mask, d + 20, 3);
    std::size_t at = 23;
    if (long_form) {
        for (int r = 0; r < 3; ++r)
            c.wide[r] = d[23 + r] == 1 ? 1 : 0;
        at = 26;
    }
    c.period_s = wire::GetBE32(d + at);
    c.field_separator = char(d[at + 4]);
    c.decimal_separator = char(d[at + 5]);
    return c;
}

void PutLabel(std::uint8_t* table, int channel, const char* name, const char* unit,
              std::uint8_t decimals) {
    std::uint8_t* e = table + std::size_t(channel - 1) * kLabelEntry;
    std::memset(e, 0, kLabelEntry);
    std::strncpy(reinterpret_cast<char*>(e), name, 25);
    std::strncpy(reinterpret_cast<char*>(e + 26), unit, 4);
    e[31] = decimals;
}

std::size_t RecordLength(DatalogMemory::Form form, const DatalogConfig& config) {
    std::size_t fixed = form == DatalogMemory::Form::kOwn ? 11 : 12;
    std::size_t bits = 0;
    for (int r = 0; r < Ranges(form); ++r)
        bits += std::size_t(std::popcount(RecordMask(config, r)));
    return fixed + 2 * bits;
}

DatalogMemory::DatalogMemory(Form form, std::uint32_t capacity) : form_(form), capacity_(capacity) {
    Erase();
}

void DatalogMemory::Erase() {
    bytes_.clear();
    records_ = 0;
    if (form_ == Form::kBoard)
        WriteHeader();
}

void DatalogMemory::WriteHeader() {
    // Board memory bytes 0-3: the record count, little-endian.
    if (bytes_.size() < 4)
        bytes_.resize(4);
    for (int i = 0; i < 4; ++i)
        bytes_[std::size_t(i)] = std::uint8_t(records_ >> (8 * i));
}

bool DatalogMemory::Append(const CivilTime& t, const DatalogConfig& config, const ValueOf& value) {
    const std::size_t length = RecordLength(form_, config);
    if (bytes_.size() + length > capacity_)
        return false;
    // Record: marker, sec, min, hour, unused, day, month, yy, masks, values, trailer.
    wire::Bytes rec{kRecordMarker,
                    std::uint8_t(t.second),
                    std::uint8_t(t.minute),
                    std::uint8_t(t.hour),
                    0,
                    std::uint8_t(t.day),
                    std::uint8_t(t.month),
                    std::uint8_t(t.year - 2000)};
    const int ranges = Ranges(form_);
    for (int r = 0; r < ranges; ++r)
        rec.push_back(RecordMask(config, r));
    for (int r = 0; r < ranges; ++r) {
        const bool wide = config.wide[r] != 0;
        const int channels = wide ? 4 : 8;
        for (int k = 0; k < channels; ++k) {
            if ((config.mask[r] >> k & 1) == 0)
                continue;
            auto v = std::uint32_t(value(8 * r + k + 1));
            rec.push_back(std::uint8_t(v));
            rec.push_back(std::uint8_t(v >> 8));
            if (wide) {
                rec.push_back(std::uint8_t(v >> 16));
                rec.push_back(std::uint8_t(v >> 24));
            }
        }
    }
    rec.push_back(kTrailer);
    bytes_.insert(bytes_.end(), rec.begin(), rec.end());
    ++records_;
    if (form_ == Form::kBoard)
        WriteHeader();
    return true;
}

wire::Bytes DatalogMemory::Frame(std::uint32_t k, std::size_t count) const {
    wire::Bytes out(count, 0xFF);
    const std::uint64_t start = std::uint64_t(k) * kDatalogFrame;
    for (std::size_t i = 0; i < count && start + i < bytes_.size(); ++i)
        out[i] = bytes_[std::size_t(start + i)];
    return out;
}

wire::Bytes DatalogMemory::SizeWords() const {
    wire::Bytes out;
    if (form_ == Form::kOwn) {
        PutLE32(out, capacity_);
        PutLE32(out, Size());
        PutLE32(out, 0);
    } else {
        PutLE32(out, capacity_);
        PutLE32(out, Size());
        PutLE32(out, records_);
        PutLE32(out, Size());
    }
    return out;
}

bool DatalogMemory::Restore(const wire::Bytes& raw) {
    if (raw.size() > capacity_ || (form_ == Form::kBoard && raw.size() < 4))
        return false;
    bytes_ = raw;
    if (form_ == Form::kBoard) {
        records_ = std::uint32_t(raw[0]) | std::uint32_t(raw[1]) << 8 |
                   std::uint32_t(raw[2]) << 16 | std::uint32_t(raw[3]) << 24;
    } else {
        // Count the records by walking their lengths from the masks.
        records_ = 0;
        std::size_t at = 0;
        while (at + 11 <= bytes_.size()) {
            std::size_t len =
                11 + 2 * std::size_t(std::popcount(bytes_[at + 8]) + std::popcount(bytes_[at + 9]));
            at += len;
            ++records_;
        }
    }
    return true;
}

bool DatalogMemory::Prepare(wire::Bytes raw) {
    const std::size_t keep = form_ == Form::kBoard ? 4 : 0;
    while (raw.size() > keep && raw.back() == 0xFF)
        raw.pop_back();
    capacity_ = std::max<std::uint32_t>(capacity_, std::uint32_t(raw.size()));
    return Restore(raw);
}

std::string Utf8ToAnsi(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::uint32_t cp = c;
        std::size_t n = 1;
        if (c >= 0xC0 && c < 0xE0 && i + 1 < text.size()) {
            cp = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            n = 2;
        } else if (c >= 0xE0 && c < 0xF0 && i + 2 < text.size()) {
            cp = (c & 0x0Fu) << 12 | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6 |
                 (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            n = 3;
        } else if (c >= 0x80) {
            cp = '?';
            n = c >= 0xF0 ? 4 : 1;
        }
        if (cp == 0x20AC)
            out.push_back(char(0x80));
        else
            out.push_back(cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF) ? char(cp) : '?');
        i += n;
    }
    return out;
}

} // namespace sim
