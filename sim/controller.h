// The simulated controller: one kz9, Pask or Trel controller with its memory map, run
// state, loader states, remote lock, clock, datalogs and front panel. Links (USB pty,
// TCP, BLE dongle) hand it request bodies and send back what it answers. Qt-free.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "sim/controller_options.h"
#include "wire/frame_codec.h"

namespace sim {

class ControllerState;
struct Request;

// What a link does with an answer beyond sending it, decided per request by the fault
// options: spoil the check byte (serial links), or drop the connection after sending.
struct AnswerFaults {
    bool corrupt_check = false;
    bool drop_link = false;
};

class Controller {
  public:
    // `clock` gives milliseconds of a monotonic time base; by default the steady clock.
    // Tests pass their own to run half-minute countdowns and datalog periods fast.
    using MonotonicClock = std::function<std::int64_t()>;

    explicit Controller(ControllerOptions options, MonotonicClock clock = {});
    ~Controller();
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;

    // The one entry every link calls. `body` = target, function, address (4), count (2),
    // data (writes). Returns the answer body without check byte (read answer, write echo,
    // exception or refusal), or an empty vector when the controller stays silent.
    // Thread-safe; never throws on malformed input. `faults`, when given, receives the
    // link-level faults to apply to this answer.
    wire::Bytes HandleRequest(const wire::Bytes& body, AnswerFaults* faults = nullptr);

    // The link that carried the session closed: the session ends (the remote lock re-arms).
    void LinkClosed();

    // Persistence of the memory image (--state FILE). Load returns false, leaving the
    // fresh profile in place, when the file is missing or not a state of this model.
    bool LoadState(const std::string& path);
    bool SaveState(const std::string& path) const;

    // Readable log of every request served, one line each.
    void SetLogSink(std::function<void(const std::string& line)> sink);

    // Adds a line to the request log (links note what never reaches the controller, such
    // as a frame with a wrong check byte).
    void LogNote(const std::string& line);

    // Read-only views for links and discovery.
    std::uint32_t Code8() const;
    std::uint32_t ProductId() const;
    std::string Label() const; // 0x0F00, trailing blanks removed
    // The controller clock now, seconds since 2000-01-01 00:00.
    std::int64_t ClockSeconds() const;

    // Snapshot of the 156-byte front-panel block (for tests and a console view).
    wire::Bytes PanelBlock();

    // True once after any accepted write since the last call (the program then saves the
    // state file).
    bool TakeDirty();

  private:
    // The silence of --fault-silent-image-frame: counts the image frames of `r` and tells
    // whether the controller has gone silent.
    bool SilencedByImageFault(const Request& r);

    mutable std::mutex mutex_;
    MonotonicClock clock_;
    ControllerOptions options_;
    std::unique_ptr<ControllerState> state_;
    std::function<void(const std::string&)> log_;
    std::uint64_t requests_ = 0;
    std::uint64_t answered_ = 0;
    bool dirty_ = false;
    int image_frames_ = 0;
    bool image_silence_ = false;
};

} // namespace sim
