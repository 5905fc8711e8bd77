// A file of the fuzzer's own in shared memory, for parsers that read from a path.
#pragma once

#include <cstdio>
#include <string>
#include <unistd.h>

namespace fuzz {

class ScratchFile {
  public:
    explicit ScratchFile(const char* extension)
        : path_("/dev/shm/quorvel-fuzz-" + std::to_string(::getpid()) + "." + extension) {}
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Replaces the file's content; false when it cannot be written.
    bool Write(const std::uint8_t* data, std::size_t size) const {
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        if (f == nullptr)
            return false;
        const bool ok = std::fwrite(data, 1, size, f) == size;
        return std::fclose(f) == 0 && ok;
    }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

} // namespace fuzz
