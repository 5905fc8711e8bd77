// Test side of the recording transport library: a folder holding copies of it under the
// transport file names, and a handle on one copy's log and script.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/shared_library.h"
#include "recording_transport.h"

// Pairs of (file name in the folder, source library path).
using TransportFiles = std::vector<std::pair<std::string, std::string>>;

// A fresh temporary folder (path ending with '/') that holds copies of the given
// libraries under the given names; removed with its contents at the end.
class TransportFolder {
  public:
    explicit TransportFolder(const TransportFiles& files);
    // One library under one name.
    TransportFolder(const std::string& name, const std::string& source)
        : TransportFolder(TransportFiles{{name, source}}) {}
    ~TransportFolder();
    TransportFolder(const TransportFolder&) = delete;
    TransportFolder& operator=(const TransportFolder&) = delete;
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

// The three transport names, each a separate copy of the recording library.
TransportFiles AllRecordingTransports();

class Recorder {
  public:
    // Opens the copy at `path` (the same instance the binding loaded from that path).
    explicit Recorder(const std::string& path);

    void Reset() { reset_(); }
    void Push(int command, std::uint32_t address, int result,
              const std::vector<std::uint8_t>& data = {}) {
        push_(command, address, result, data.data(), int(data.size()));
    }
    void SetDefault(int command, int result) { setDefault_(command, result); }
    void SetDelay(int command, int ms) { setDelay_(command, ms); }
    void SetVersion(std::uint16_t code, std::uint16_t major, std::uint16_t minor) {
        setVersion_(code, major, minor);
    }
    int Count() const { return count_(); }
    std::vector<RecCall> Calls() const;

  private:
    platform::SharedLibrary library_;
    Rec_Reset_Fn reset_ = nullptr;
    Rec_Push_Fn push_ = nullptr;
    Rec_SetDefault_Fn setDefault_ = nullptr;
    Rec_SetDelay_Fn setDelay_ = nullptr;
    Rec_SetVersion_Fn setVersion_ = nullptr;
    Rec_Count_Fn count_ = nullptr;
    Rec_Get_Fn get_ = nullptr;
};

// The bytes a logged write carried.
std::vector<std::uint8_t> WrittenBytes(const RecCall& call);
