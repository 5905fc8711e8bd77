// Binding of one transport library: the loaded module, the path it came from, its
// version and its T71_COMM entry point.
#pragma once

#include <cstdint>
#include <string>

#include "platform/shared_library.h"
#include "wire/t71.h"

class CDllBase {
  public:
    CDllBase() = default;
    CDllBase(const CDllBase&) = delete;
    CDllBase& operator=(const CDllBase&) = delete;
    virtual ~CDllBase();

    // 1 on success. The base loads nothing and succeeds.
    virtual int Load(const std::string& path);
    // Frees the library, if any, and forgets the entry point.
    virtual void Unload();
    // 1 on success. The base reads nothing and succeeds.
    virtual int GetVersion(t71::VersionRecord& record);
    // "major.minor"; "255.255" until a version was read.
    virtual std::string FormatVersion() const;

    T71_COMM_Fn Entry() const { return entry_; }
    bool IsLoaded() const { return entry_ != nullptr; }
    const std::string& Path() const { return path_; }
    std::uint16_t VersionMajor() const { return major_; }
    std::uint16_t VersionMinor() const { return minor_; }
    int StatusFlag() const { return status_; }

  protected:
    platform::SharedLibrary library_;
    std::string path_;
    std::uint16_t major_ = 255;
    std::uint16_t minor_ = 255;
    int status_ = 0;
    T71_COMM_Fn entry_ = nullptr;
};
