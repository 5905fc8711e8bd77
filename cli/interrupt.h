// Ctrl-C, SIGTERM and a closed terminal (SIGHUP) during a command.
//
// A command that only reads the controller stops at once: the output files not yet complete
// are removed, the state the controller is left in is said, and the process exits with 130
// (its descriptors, and so the link, are closed by the system).
// From the first change to the controller until it is whole again (a WriteGuard), the first
// two Ctrl-C (or SIGTERM) only say what stopping would do and the write goes on; the third
// stops anyway. SIGHUP lets the write finish without a terminal. A stop asked during a write
// that then finishes ends the command with 130 right after it, the controller whole.
#pragma once

#include <functional>
#include <string>

#include "comm/ControllerLink.h"

namespace cli {

inline constexpr int kExitInterrupted = 130;

// What a write in progress would leave behind if it were stopped.
enum class WriteKind {
    kProgram,  // the controller's program is being replaced
    kFirmware, // the controller's firmware is being replaced
    kShort,    // one short write (a password): a stop waits for its end
};

// Installs the handlers of SIGINT, SIGTERM and SIGHUP for the rest of the process (commands
// on a link).
void InstallInterruptHandlers();

// Called with the text said, just before an interrupted command exits (from the thread that
// stops it): the history recording of the run finishes its row with it. Empty: nothing.
void SetStopObserver(std::function<void(const std::string& said)> observer);

// Marks a write in progress for its lifetime; Arm() starts it (at once unless constructed
// with armed = false, for a guard armed by GuardedLink at the first write request).
class WriteGuard {
  public:
    explicit WriteGuard(WriteKind kind, bool armed = true);
    ~WriteGuard();
    WriteGuard(const WriteGuard&) = delete;
    WriteGuard& operator=(const WriteGuard&) = delete;
    void Arm();

  private:
    WriteKind kind_;
    bool armed_ = false;
};

// A link that arms `guard` before its first write request, so the reads and questions before
// the first change to the controller can still be stopped at once.
class GuardedLink final : public comm::ForwardingLink {
  public:
    GuardedLink(comm::IControllerLink& link, WriteGuard& guard)
        : ForwardingLink(link), guard_(guard) {}
    int Write(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
              std::uint32_t timeoutMs) override {
        guard_.Arm();
        return ForwardingLink::Write(src, address, count, timeoutMs);
    }
    int WriteCF(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
                std::uint32_t timeoutMs) override {
        guard_.Arm();
        return ForwardingLink::WriteCF(src, address, count, timeoutMs);
    }
    int WriteExt(std::uint32_t address, std::uint32_t timeoutMs) override {
        guard_.Arm();
        return ForwardingLink::WriteExt(address, timeoutMs);
    }
    int CommandExt(std::uint8_t code, std::uint8_t argument, std::uint32_t timeoutMs) override {
        guard_.Arm();
        return ForwardingLink::CommandExt(code, argument, timeoutMs);
    }

  private:
    WriteGuard& guard_;
};

} // namespace cli
