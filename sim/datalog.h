// Datalog memory of a simulated controller: the own-memory form (models with their
// datalogs in the controller, 0x0E00 and 0xC0000+k) and the communication-board form
// (0x4700000D and 0x48200000+k), their configuration record and their labels.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "sim/rtc.h"
#include "wire/frame_codec.h"

namespace sim {

constexpr std::uint32_t kDatalogFrame = 2048;

struct DatalogConfig {
    std::uint8_t mask[3] = {0, 0, 0}; // channel masks of ranges 1-8, 9-16, 17-24
    std::uint8_t wide[3] = {0, 0, 0}; // 1 = the range logs 32-bit values
    std::uint32_t period_s = 10;      // logging period, seconds
    char field_separator = ';';
    char decimal_separator = ',';
};

// Layout (34-byte form / 31-byte form):
//   0-19  header (zeros)
//   20-22 channel masks of ranges 1-3
//   23-25 width flags (34-byte form only)
//   26-29 / 23-26 period in seconds, big-endian
//   30 / 27 field separator, 31 / 28 decimal separator, 32-33 / 29-30 zeros
wire::Bytes EncodeDatalogConfig(const DatalogConfig& config, bool long_form);
DatalogConfig DecodeDatalogConfig(const std::uint8_t* data, bool long_form);

// Label table (24 entries of 37 bytes): name (26, zero-terminated), unit (5), decimals (1),
// 5 unused.
constexpr std::size_t kLabelEntry = 37;
constexpr std::size_t kLabelTable = 24 * kLabelEntry;
void PutLabel(std::uint8_t* table, int channel, const char* name, const char* unit,
              std::uint8_t decimals);

class DatalogMemory {
  public:
    enum class Form { kOwn, kBoard };
    using ValueOf = std::function<std::int32_t(int channel)>; // channel 1..24

    DatalogMemory(Form form, std::uint32_t capacity);

    Form form() const { return form_; }
    // Empties the log: the size words then give 0 (own) or 4 (board header only).
    void Erase();
    // Appends one record stamped `time` with the channels of `config`; false when the
    // memory is full (the log then stops, as a full controller log does).
    bool Append(const CivilTime& time, const DatalogConfig& config, const ValueOf& value);

    // Bytes served, the board's 4-byte record count included.
    std::uint32_t Size() const { return std::uint32_t(bytes_.size()); }
    std::uint32_t RecordCount() const { return records_; }
    std::uint32_t Capacity() const { return capacity_; }
    // Frame k: bytes 2048k .. 2048k + count - 1; bytes past the size read 0xFF.
    wire::Bytes Frame(std::uint32_t k, std::size_t count) const;
    // Own: 12 bytes w0 capacity, w1 end, w2 start (little-endian; size = w1 - w2).
    // Board: 16 bytes capacity, write offset, record count, size (little-endian).
    wire::Bytes SizeWords() const;

    // Persistence: the raw log bytes.
    const wire::Bytes& Raw() const { return bytes_; }
    bool Restore(const wire::Bytes& raw);
    // A prepared memory: the capacity grows to hold it, and trailing 0xFF bytes (its end of
    // data) are dropped so that records logged later follow its last record.
    bool Prepare(wire::Bytes raw);

  private:
    void WriteHeader();

    Form form_;
    std::uint32_t capacity_;
    std::uint32_t records_ = 0;
    wire::Bytes bytes_;
};

// UTF-8 text (as typed on a command line) in the controller's single-byte Windows-1252:
// Latin-1 characters keep their code, the euro sign becomes 0x80, anything else '?'.
std::string Utf8ToAnsi(const std::string& text);

// Length of one record for `config` in `form`.
std::size_t RecordLength(DatalogMemory::Form form, const DatalogConfig& config);

} // namespace sim
