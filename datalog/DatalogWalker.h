// Walks the records of a datalog memory, in the controller's own memory or on the
// communication board, without ever reading past the memory whatever the records claim.
//
// Record: marker (0x0A; own memory also 0x09 = 32-bit values) · second · minute · hour ·
// (unused) · day · month · two-digit year · mask bytes (own 2, board 3) · values of the
// present channels, little-endian signed, by range then channel · one trailing byte.
// The walker steps by the record length, fixed part + 2 bytes per set mask bit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "datalog/DatalogConfig.h"

namespace transfer {

enum class DatalogMemoryKind { kOwn, kBoard };

// Where records start and how they are laid out in one kind of memory.
struct DatalogLayout {
    std::size_t start;       // first record (own memory: +1 when byte 0 is 0xFF)
    std::size_t endRun;      // 0xFF bytes where a record should start: end of data
    std::size_t window;      // bytes searched for the next marker after a damaged record
    std::size_t maskBytes;   // ranges that have a mask byte in a record
    std::size_t fixedLength; // record length without its values
    bool dropOnLostSync;     // a failed resynchronisation drops the whole range
};
const DatalogLayout& LayoutOf(DatalogMemoryKind kind);

class DatalogRecord {
  public:
    std::uint8_t second = 0, minute = 0, hour = 0, day = 0, month = 0, year = 0;

    // Whether channel k (0-based within the range) of `range` is in this record.
    bool Holds(int range, int channel) const;
    // Its value; only for a channel the record holds.
    std::int32_t Value(int range, int channel) const;

  private:
    friend class DatalogWalker;
    const std::uint8_t* values_[kDatalogRanges] = {}; // first value of each range
    std::uint8_t mask_[kDatalogRanges] = {};
    bool wide_[kDatalogRanges] = {};
};

class DatalogWalker {
  public:
    enum class End {
        kEndOfData, // an end-of-data run, the memory's end or a record cut short by it
        kLostSync,  // a damaged record and no marker within the window
    };

    // `wideRanges`: the configuration's width flags.
    DatalogWalker(std::span<const std::uint8_t> memory, DatalogMemoryKind kind,
                  const std::array<bool, kDatalogRanges>& wideRanges);

    // The next record, or nullopt at the end (then see end()).
    std::optional<DatalogRecord> Next();
    End end() const { return end_; }

  private:
    bool AtEndOfData() const;
    bool Resynchronise();
    std::optional<DatalogRecord> ReadRecord();

    std::span<const std::uint8_t> memory_;
    const DatalogLayout& layout_;
    std::array<bool, kDatalogRanges> wide_;
    std::size_t at_;
    bool done_ = false;
    End end_ = End::kEndOfData;
};

} // namespace transfer
