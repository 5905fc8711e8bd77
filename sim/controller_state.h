// The memory and state machines behind sim::Controller (internal to the simulator).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/controller_options.h"
#include "sim/controller_profile.h"
#include "sim/datalog.h"
#include "sim/firmware_image.h"
#include "sim/panel_app.h"
#include "sim/rtc.h"
#include "wire/frame_codec.h"

namespace sim {

// Addresses of the memory map.
namespace addr {
constexpr std::uint32_t kPassOpen = 0x0100, kPassClose = 0x0200;
constexpr std::uint32_t kEthHello = 0x0300, kEthGoodbye = 0x0400;
constexpr std::uint32_t kOwnLogLimits = 0x0E00, kLabel = 0x0F00, kClock = 0x1000;
constexpr std::uint32_t kDrift = 0x3000, kRun = 0x4000, kStateWord = 0x5000;
constexpr std::uint32_t kSlots = 0x5200, kAppPassword = 0x5500, kAppProtected = 0x5600;
constexpr std::uint32_t kProgramPresent = 0x5700, kChord = 0x5900, kPanel = 0x6000;
constexpr std::uint32_t kCommand = 0x7000, kUnlock = 0x7200, kLockState = 0x7300;
constexpr std::uint32_t kNewPassword = 0x7400, kIdentity = 0x8000, kAppAttempts = 0xA000;
constexpr std::uint32_t kBootIdentity = 0xE000, kConfig = 0x40000;
constexpr std::uint32_t kOwnLogFrames = 0xC0000;
constexpr std::uint32_t kAddressedFirst = 0x47000000, kAddressedLast = 0x4700000E;
constexpr std::uint32_t kBoardDescriptor = 0x4700000D, kBoardLogFrames = 0x48200000;
constexpr std::uint32_t kParamCf = 0x48119000, kLabelArea = 0x48123000;
constexpr std::uint32_t kParamCfDatalogConfig = 428; // offset inside paramCF
constexpr std::uint32_t kLabelTableOffset = 2664;    // offset inside the label area
constexpr std::uint32_t kConfigDatalog = 256;        // own-memory datalog config offset
} // namespace addr

enum class LoaderState { kApp, kLoaderIdle, kLoading, kLoaded, kTrelPending };

// State word values of the loader states.
constexpr std::uint32_t kWordLoaderIdle = 0x400001F5;
constexpr std::uint32_t kWordLoading = 0x400001F6;
constexpr std::uint32_t kWordLoaded = 0x400001F7;
constexpr std::uint32_t kWordTrelPending = 0x40000201;

// One byte-addressed area (program areas, configuration, daughter-board areas, images).
struct Area {
    const char* name;
    std::uint32_t base;
    std::uint32_t size;
    bool persistent; // kept in the state file (images are not)
    wire::Bytes data;
    std::uint32_t written = 0;               // highest byte written + 1 since the last erase
    std::optional<ImageSignature> signature; // images: the signature of the image being written
};

// A decoded request body.
struct Request {
    std::uint8_t target = 0;
    std::uint8_t function = 0;
    std::uint32_t address = 0;
    std::uint16_t count = 0;
    const std::uint8_t* data = nullptr; // writes: `count` bytes
    bool IsRead() const { return function == 0x03 || function == 0x13 || function == 0x23; }
    bool IsWrite() const { return function == 0x10 || function == 0x20 || function == 0x30; }
    bool IsExt() const { return function == 0x30; }
};

// What the state machine answers: an answer body, or silence.
struct Reply {
    enum Kind { kRead, kWriteAck, kException, kRefusal, kSilent } kind = kSilent;
    wire::Bytes data;               // read data
    std::uint8_t code = 0;          // exception code
    std::uint32_t echo_address = 0; // write echo (0x7100 for the busy hello)
    std::string note;               // for the log
};

// Modbus-style exception codes the controller answers.
constexpr std::uint8_t kExIllegalFunction = 1;
constexpr std::uint8_t kExIllegalAddress = 2;
constexpr std::uint8_t kExIllegalValue = 3;
constexpr std::uint8_t kExBusy = 4;

class ControllerState {
  public:
    ControllerState(const ControllerOptions& options, std::int64_t now_ms);

    Reply Handle(const Request& request, std::int64_t now_ms);
    void SessionEnd(std::int64_t now_ms);

    wire::Bytes Serialize(std::int64_t now_ms) const;
    bool Deserialize(const wire::Bytes& image, std::int64_t now_ms);

    const Profile& profile() const { return profile_; }
    std::string LabelText() const;
    std::int64_t ClockSeconds(std::int64_t now_ms) const { return rtc_.Now(now_ms); }
    wire::Bytes PanelBlock(std::int64_t now_ms);
    LoaderState loader() const { return loader_; }
    bool running() const { return running_; }

  private:
    void Advance(std::int64_t now_ms);
    void BuildAreas();
    void LoadApplication();
    void SealApplication();
    void SeedDatalogs(std::int64_t now_ms);
    void ApplyDatalogOptions(DatalogConfig& log) const;

    Reply Read(const Request& r, std::int64_t now_ms);
    Reply Write(const Request& r, std::int64_t now_ms);
    Reply Command(const Request& r, std::int64_t now_ms);
    Reply AddressedCommand(const Request& r, std::int64_t now_ms);
    Reply WriteArea(Area& area, const Request& r);
    Reply WriteImage(Area& area, const Request& r);
    void ImageComplete(const ImageSignature& signature);
    void ApplyPendingVersions();
    Reply Unlock(const Request& r, std::int64_t now_ms);
    Reply NewPassword(const Request& r);

    std::optional<wire::Bytes> SmallRegion(std::uint32_t base) const;
    Area* FindArea(std::uint32_t address, std::uint32_t count);
    Area* AreaNamed(const char* name);
    void EraseArea(const char* name);
    void EraseDaughterBoardProgram();
    void Reboot(std::int64_t now_ms);
    void StartSession();

    wire::Bytes BootIdentity() const;
    wire::Bytes IdentityRecord() const;
    wire::Bytes LockState() const;
    PanelInputs GatherPanel(std::int64_t now_ms) const;

    bool ProgramPresent() const;
    // The loader itself runs (no firmware, or waiting for an image): it serves only the
    // identification, the state and the images. In LOADED and TREL_PENDING the firmware
    // is there and everything is served; only the state word and the run bit differ.
    bool BootloaderRunning() const {
        return loader_ == LoaderState::kLoaderIdle || loader_ == LoaderState::kLoading;
    }
    std::uint32_t StateWord() const;
    bool Locked() const { return locked_; }
    bool HasRemotePassword() const;
    DatalogConfig CurrentDatalogConfig() const;
    // Logs the record of RTC time `rtc_seconds` in each log this model keeps.
    void LogRecord(std::int64_t rtc_seconds, const DatalogConfig& cfg);
    std::int32_t ChannelValue(int channel, std::int64_t rtc_seconds) const;
    std::uint8_t Inputs(std::int64_t rtc_seconds) const;

    ControllerOptions options_;
    Profile profile_;
    std::vector<Area> areas_;
    // The configuration record served at 0x40000 (on Trel, [5,3] clears only the stored copy
    // until the record is written again or the controller restarts).
    wire::Bytes config_served_;

    std::string label_;
    Rtc rtc_;
    std::int8_t drift_ = 0;
    bool running_ = false;
    std::uint32_t error_word_ = 0;
    LoaderState loader_ = LoaderState::kApp;
    std::uint32_t image_bytes_ = 0; // image bytes received in the current loading mode
    bool trel_part2_ = false;
    bool image_incomplete_ = false; // a signed image of this loading mode is not whole yet
    // Versions of complete images, reported once the controller restarts into them.
    std::optional<Version> pending_software_, pending_bootloader_;
    int xt_query_ = 0; // 1 or 2 while the expansion query runs
    std::int64_t silent_until_ms_ = 0;

    // Remote lock (0x7200 / 0x7300 / 0x7400).
    std::array<std::uint8_t, 10> remote_password_{};
    bool locked_ = false;
    int lock_attempts_ = 5;
    int lock_block_ = 0; // half-minutes
    std::int64_t lock_tick_ms_ = 0;

    // Application password (0x5500 / 0x5600 / 0xA000).
    std::array<std::uint8_t, 8> app_password_{};
    bool app_protected_ = false;
    std::array<std::uint8_t, 6> app_attempts_{};
    std::int64_t app_tick_ms_ = 0;

    // Running application.
    std::int64_t last_advance_ms_ = 0;
    std::int64_t run_ms_ = 0; // time spent running, drives the counter
    std::uint32_t counter_base_ = 0;
    std::int64_t next_log_ms_ = 0;
    DatalogMemory own_log_;
    DatalogMemory board_log_;
    PanelApp panel_;
};

} // namespace sim
