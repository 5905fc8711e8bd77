// Crafted datalog memories for the tests: records laid out byte by byte as a controller
// stores them, in its own memory or on the communication board.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "datalog/DatalogConfig.h"

namespace datalogtest {

using Bytes = std::vector<std::uint8_t>;

struct Stamp {
    std::uint8_t day, month, year, hour, minute, second;
};

// A value and its width in bytes (2 or 4).
using Value = std::pair<std::int32_t, int>;

class MemoryBuilder {
  public:
    // Board memories start with their 4-byte record count.
    explicit MemoryBuilder(bool board) : board_(board) {
        if (board_)
            bytes_ = {0, 0, 0, 0};
    }
    MemoryBuilder& Record(Stamp t, std::vector<std::uint8_t> masks, std::vector<Value> values,
                          std::uint8_t marker = 0x0A) {
        bytes_.insert(bytes_.end(),
                      {marker, t.second, t.minute, t.hour, 0, t.day, t.month, t.year});
        bytes_.insert(bytes_.end(), masks.begin(), masks.end());
        for (auto [v, width] : values)
            for (int i = 0; i < width; ++i)
                bytes_.push_back(std::uint8_t(std::uint32_t(v) >> (8 * i)));
        bytes_.push_back(0x00);
        return *this;
    }
    MemoryBuilder& Raw(std::vector<std::uint8_t> b) {
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return *this;
    }
    MemoryBuilder& Fill(std::size_t n, std::uint8_t b) {
        bytes_.insert(bytes_.end(), n, b);
        return *this;
    }
    // Ends the data with the end-of-data run and pads to a whole 2048-byte frame with 0xFF,
    // as the reader's buffer is.
    Bytes Frames() const {
        Bytes b = bytes_;
        b.insert(b.end(), board_ ? 12 : 11, 0xFF);
        b.resize((b.size() + 2047) / 2048 * 2048, 0xFF);
        return b;
    }
    const Bytes& bytes() const { return bytes_; }

  private:
    bool board_;
    Bytes bytes_;
};

// A configuration in its 34-byte form.
inline Bytes ConfigBytes(std::vector<std::uint8_t> masks, std::vector<std::uint8_t> widths,
                         char field, char decimal) {
    Bytes b(20, 0);
    b.insert(b.end(), masks.begin(), masks.end());
    b.insert(b.end(), widths.begin(), widths.end());
    b.insert(b.end(), {0, 0, 0, 10, std::uint8_t(field), std::uint8_t(decimal), 0, 0});
    return b;
}

inline void PutLabel(Bytes& table, int channel, const std::string& name, const std::string& unit,
                     std::uint8_t decimals) {
    std::uint8_t* e = table.data() + std::size_t(channel - 1) * transfer::kLabelEntrySize;
    std::copy(name.begin(), name.end(), e);
    std::copy(unit.begin(), unit.end(), e + 26);
    e[31] = decimals;
}

} // namespace datalogtest
