// The transfer framework: every long operation on the controller (program read and write,
// datalog read, firmware update) is a subclass of ITransfert whose Run does the whole job in
// the worker thread (CThreadTransfert) while the user interface polls the progress fields
// every 100 ms (ProgressPoll, CIhmDlgExecutionTransfert, the command line's progress line).
//
// Contract for subclasses:
//  - Run starts with Reset(first step text) and ends on EVERY path with either Finish() or
//    Fail(...) (which shows the alert first, then sets `failed`). A Run that sets neither
//    would leave the progress display waiting for ever.
//  - Requests go through Link() and the primitives below, with LinkTimeoutMs() unless a
//    fixed time-out applies; waits go through Clock(); alerts and questions through Alert()
//    (marshalled to the user-interface thread by the caller's ITransferUi).
//  - Progress accounting: StartDataPhase(total) before a data phase, then every frame of n
//    bytes counts through CountBytes(n) (the primitives do it themselves).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "comm/ControllerLink.h"
#include "transfer/TransferClock.h"
#include "transfer/TransferUi.h"

namespace transfer {

// Result of every primitive: 0, or 15 when a request failed (the target did not answer).
constexpr int kPrimitiveOk = 0;
constexpr int kPrimitiveFailed = 15;
// Data frames: 2048 bytes for reads and USB/BLE writes, 2000 for Ethernet framed writes.
constexpr std::uint32_t kFrameSize = 2048;
constexpr std::uint32_t kEthernetFrameSize = 2000;
// Pause after each full frame of WriteFramed.
constexpr std::uint32_t kFramedPauseMs = 150;
// Controller commands are written at this address.
constexpr std::uint32_t kCommandAddress = 0x7000;
// The datalog erase takes this many one-second steps.
constexpr int kDatalogEraseSteps = 70;

// How a two-byte controller command is sent.
enum class CommandKind { Write, WriteCF, WriteExt };

// What the progress display reads, copied in one piece.
struct TransferProgress {
    std::uint16_t percent = 0;
    std::string stepText;
    std::string warningText;
    bool finished = false;
    bool failed = false;
    bool warningVisible = false;
};

class ITransfert {
  public:
    explicit ITransfert(comm::IControllerLink& link = comm::ComClientLink());
    virtual ~ITransfert() = default;
    ITransfert(const ITransfert&) = delete;
    ITransfert& operator=(const ITransfert&) = delete;

    // The whole job; called once, from the worker thread.
    virtual void Run() = 0;

    // Where alerts go (nothing shown when none is set: SilentTransferUi) and which clock the
    // waits use (DefaultTransferClock() unless set). Set before the worker starts.
    void SetUi(ITransferUi* ui) { ui_ = ui; }
    void SetClock(ITransferClock& clock) { clock_ = &clock; }
    // Called from the worker with every step text set (tools that log each step rather than
    // poll, so none is missed). Set before the worker starts.
    void SetStepObserver(std::function<void(const std::string&)> observer) {
        stepObserver_ = std::move(observer);
    }

    // Read by the user-interface thread while the worker runs.
    TransferProgress Snapshot() const;
    std::uint16_t Percent() const { return percent_.load(); }
    bool IsFinished() const { return finished_.load() != 0; }
    bool IsFailed() const { return failed_.load() != 0; }
    bool IsEnded() const { return IsFinished() || IsFailed(); }
    // The text of the last alert the transfer raised (empty when none): the command line
    // prints it, tests check it.
    std::string LastAlertText() const;

    // ---- Progress accounting.
    // bytesPerPercent = total / (100 - percent now); pendingBytes = 0.
    void StartDataPhase(std::uint32_t totalBytes);
    // Sets bytesPerPercent directly (the program write shares progress per zone).
    void SetBytesPerPercent(std::uint32_t bytesPerPercent);
    // Counts n bytes moved: whole percents go to `percent` (at most 100), the rest waits.
    void CountBytes(std::uint32_t n);
    std::uint32_t BytesPerPercent() const { return bytesPerPercent_; }
    std::uint32_t PendingBytes() const { return pendingBytes_; }

    // ---- Memory-area primitives: 0, or 15 when any request failed (later frames are not
    // sent). Each frame's bytes are counted, the failed one included.
    // SEND_READ: 2048-byte frames while the remaining length is a whole multiple of 2048,
    // anything else in one last request; address advances by `stride` per frame (buffer by
    // 2048). Link time-out.
    int ReadBaseArea(std::uint32_t address, std::uint32_t length, std::uint8_t* buffer,
                     std::uint32_t stride = kFrameSize);
    // SEND_READ_CF: 2048-byte frames while 2048 remain, then one short frame. Link time-out.
    int ReadDaughterArea(std::uint32_t address, std::uint32_t length, std::uint8_t* buffer,
                         std::uint32_t stride = kFrameSize);
    // SEND_WRITE: 2048-byte frames, then one short frame; the caller's time-out.
    int WriteBaseArea(std::uint32_t address, std::uint32_t length, const std::uint8_t* buffer,
                      std::uint32_t timeoutMs);
    // SEND_WRITE_CF: frames of `frameSize`, a 150 ms pause after each full frame, then one
    // short frame; the caller's time-out.
    int WriteFramed(std::uint32_t address, std::uint32_t length, const std::uint8_t* buffer,
                    std::uint32_t frameSize, std::uint32_t timeoutMs);
    // [code, argument] at 0x7000.
    int SendCommand(std::uint8_t code, std::uint8_t argument, CommandKind kind,
                    std::uint32_t timeoutMs);
    // SEND_WRITE_CF of `count` (0 or 1) bytes at a command address (0x47000000..0x4700000E,
    // 0x100, 0x200).
    int SendAddressedCommand(std::uint32_t address, const std::uint8_t* data, std::uint32_t count,
                             std::uint32_t timeoutMs);
    int SendAddressedCommand(std::uint32_t address, std::uint32_t timeoutMs) {
        return SendAddressedCommand(address, nullptr, 0, timeoutMs);
    }
    // One request for the whole length (status blocks, short areas), not counted.
    int ReadSingle(std::uint32_t address, std::uint32_t length, std::uint8_t* buffer, bool cf,
                   std::uint32_t timeoutMs);

    comm::IControllerLink& Link() { return link_; }
    ITransferClock& Clock() { return clock_ != nullptr ? *clock_ : DefaultTransferClock(); }
    std::uint32_t LinkTimeoutMs() const { return link_.LinkTimeoutMs(); }

  protected:
    // Start of Run: percent 0, flags 0, warning hidden and empty, counters 0, first step.
    void Reset(const std::string& firstStep);
    void SetStep(const std::string& text);
    void SetPercent(std::uint16_t percent);
    void ShowWarning(const std::string& text);
    void HideWarning();
    // Counts down: for n from `seconds` to 1, the warning line shows prefix + n + "s" for one
    // second of Clock(); the line is hidden afterwards.
    void Countdown(const std::string& prefix, int seconds);
    // Erases the datalogs after a program write or firmware update (DatalogErase.cpp): reads
    // the identity of `identityFamily` (kz9 for the T71 layout), checks whether datalogs are
    // present, sends the erase command of their memory, then 70 one-second steps with percent
    // 90 to 99 ("Erasing datalogs" ... "Datalogs deletion complete"). Nothing present: step
    // text "There is no datalogs to be deleted in the controller.". A failed read or command
    // shows "An error occurred during datalog deletion" and returns false; the transfer is not
    // marked failed by it. The status reads wait `statusTimeoutMs`, the erase command
    // `commandTimeoutMs`.
    bool EraseDatalogs(int identityFamily, std::uint32_t statusTimeoutMs,
                       std::uint32_t commandTimeoutMs);

    // Shows the alert through the user interface and waits for the answer.
    int Alert(AlertKind kind, const std::string& text);
    // The end of Run on an error: the alert first, then `failed`. Always returns false so a
    // Run can `return Fail(...)` from a bool helper.
    bool Fail(const std::string& text, AlertKind kind = AlertKind::Error);
    // The end of Run on success: percent 100, then `finished` unless already failed.
    void Finish();

  private:
    comm::IControllerLink& link_;
    ITransferUi* ui_ = nullptr;
    ITransferClock* clock_ = nullptr;
    std::function<void(const std::string&)> stepObserver_;

    std::atomic<std::uint16_t> percent_{0};
    std::atomic<int> finished_{0}, failed_{0}, warningVisible_{0};
    mutable std::mutex textMutex_; // the strings are read whole by the UI thread
    std::string stepText_, warningText_, lastAlert_;

    std::uint32_t bytesPerPercent_ = 0;
    std::uint32_t pendingBytes_ = 0;
};

} // namespace transfer
