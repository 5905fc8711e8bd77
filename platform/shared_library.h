// One shared library loaded at run time (dlopen), with its exported symbols.
#pragma once

#include <string>

namespace platform {

class SharedLibrary {
  public:
    SharedLibrary() = default;
    ~SharedLibrary() { Close(); }
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;

    // Loads the library at `path` (every symbol bound now, kept local to it). A library
    // already open is closed first. False on failure, with the loader's text in Error().
    bool Open(const std::string& path);
    // Releases the library; harmless when none is open.
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }
    // Address of the exported `name`, or nullptr when missing or nothing is open.
    void* Symbol(const char* name) const;
    const std::string& Error() const { return error_; }

  private:
    void* handle_ = nullptr;
    std::string error_;
};

} // namespace platform
