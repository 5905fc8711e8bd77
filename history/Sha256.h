// SHA-256 of bytes and of files, as lower-case hexadecimal text: the name of a kept program
// and the checksum of every file the service history records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace history {

class Sha256 {
  public:
    Sha256();
    void Update(const void* data, std::size_t size);
    // The digest as 64 lower-case hexadecimal digits; the object is spent afterwards.
    std::string HexDigest();

  private:
    void Block(const std::uint8_t* block);

    std::uint32_t state_[8];
    std::uint8_t buffer_[64];
    std::size_t buffered_ = 0;
    std::uint64_t totalBytes_ = 0;
};

std::string Sha256Hex(std::string_view bytes);

// The file's SHA-256 and size; false when it cannot be read.
bool Sha256OfFile(const std::string& path, std::string& hex, std::uint64_t& size);

} // namespace history
