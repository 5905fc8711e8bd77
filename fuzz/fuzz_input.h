// Splits one fuzzer input into the choices a target makes and the bytes it feeds: numbers
// are taken from the front, and reading past the end yields zeros.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t U16() {
        std::uint16_t hi = U8();
        return std::uint16_t(hi << 8 | U8());
    }
    // Up to `n` bytes from the front; `got` is how many there were.
    const std::uint8_t* Take(std::size_t n, std::size_t& got) {
        got = n < size_ - pos_ ? n : size_ - pos_;
        const std::uint8_t* p = data_ + pos_;
        pos_ += got;
        return p;
    }
    const std::uint8_t* Rest() const { return data_ + pos_; }
    std::size_t Left() const { return size_ - pos_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

} // namespace fuzz
