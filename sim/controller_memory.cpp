// Reads and writes of the memory map: generated regions, byte-addressed areas, the
// datalog windows and the lock and loader filters in front of them.
#include <algorithm>
#include <cstring>

#include "sim/controller_helpers.h"
#include "sim/controller_state.h"

namespace sim {

using namespace detail;

std::optional<wire::Bytes> ControllerState::SmallRegion(std::uint32_t base) const {
    using namespace addr;
    switch (base) {
    case kOwnLogLimits:
        return own_log_.SizeWords();
    case kLabel: {
        wire::Bytes b(18, ' ');
        PutText(b, 0, label_, 18);
        return b;
    }
    case kClock: {
        CivilTime t = FromSeconds(rtc_.Now(last_advance_ms_));
        return wire::Bytes{
            std::uint8_t(t.second), std::uint8_t(t.minute), std::uint8_t(t.hour),       0,
            std::uint8_t(t.day),    std::uint8_t(t.month),  std::uint8_t(t.year - 2000)};
    }
    case kDrift:
        return wire::Bytes{std::uint8_t(drift_)};
    case kRun:
        return wire::Bytes{0, 0, 0, std::uint8_t(running_ && loader_ == LoaderState::kApp ? 1 : 0)};
    case kStateWord: {
        wire::Bytes b;
        wire::PutBE32(b, StateWord());
        return b;
    }
    case kSlots: {
        wire::Bytes b;
        wire::PutBE16(b, ProgramPresent() ? std::min<std::uint16_t>(37, profile_.slots_max) : 0);
        return b;
    }
    case kAppPassword:
        return wire::Bytes(app_password_.begin(), app_password_.end());
    case kAppProtected:
        return wire::Bytes{std::uint8_t(app_protected_ ? 1 : 0)};
    case kProgramPresent:
        return wire::Bytes{std::uint8_t(ProgramPresent() ? 1 : 0)};
    case kChord:
        return wire::Bytes{std::uint8_t(options_.parameter_chord ? 1 : 0)};
    case kLockState:
        return LockState();
    case kIdentity:
        return IdentityRecord();
    case kAppAttempts:
        return wire::Bytes(app_attempts_.begin(), app_attempts_.end());
    case kBootIdentity:
        return BootIdentity();
    case kBoardDescriptor:
        return board_log_.SizeWords();
    default:
        return std::nullopt;
    }
}

wire::Bytes ControllerState::BootIdentity() const {
    // 0 family code, 1-8 code8 digits, 9-20 zeros.
    wire::Bytes b(21, 0);
    b[0] = profile_.family_code;
    PutText(b, 1, Code8Text(profile_.code8), 8);
    return b;
}

wire::Bytes ControllerState::IdentityRecord() const {
    const Profile& p = profile_;
    const bool trel = p.family == Family::kTrel;
    wire::Bytes rec(361, 0);
    PutText(rec, 0, p.type_text, 18);
    PutText(rec, 18, Code8Text(p.code8), 8);
    rec[26] = p.family_code;
    PutVersion(rec, 27, p.hardware);
    rec[30] = p.digital_inputs;
    rec[31] = p.relay_outputs;
    rec[32] = p.analog_inputs;
    rec[33] = p.pwm_outputs;
    // In LOADER_IDLE there is no valid firmware: software 0.00.00.
    const Version software = loader_ == LoaderState::kLoaderIdle ? Version{} : p.software;
    if (trel) {
        PutVersion(rec, 83, p.boot);
        PutVersion(rec, 86, p.bootloader);
        PutVersion(rec, 89, software);
        return rec;
    }
    PutVersion(rec, 80, p.boot);
    PutVersion(rec, 83, p.bootloader);
    PutVersion(rec, 86, software);
    // Expansions XT1 at 98, XT2 at 199: name, code8, boot, bootloader, software, hardware.
    // The boot version reads 0.00.00 except during the expansion query.
    for (int x = 0; x < 2; ++x) {
        const std::size_t at = x == 0 ? 98 : 199;
        if (p.xt_code8[x] == 0) {
            PutText(rec, at, "", 18);
            PutText(rec, at + 18, "", 8);
            continue;
        }
        PutText(rec, at, x == 0 ? "XT1 EXPANSION" : "XT2 EXPANSION", 18);
        PutText(rec, at + 18, Code8Text(p.xt_code8[x]), 8);
        if (xt_query_ == x + 1)
            PutVersion(rec, at + 26, p.xt_boot[x]);
        PutVersion(rec, at + 29, Version{1, 0, 0});
        PutVersion(rec, at + 32, p.xt_software[x]);
        PutVersion(rec, at + 35, Version{1, 0, 0});
    }
    // Communication module block at 298: +1 boot, +4 bootloader, +7 software, +13 text.
    if (p.communicating) {
        PutVersion(rec, 299, p.module_boot);
        PutVersion(rec, 302, p.module_bootloader);
        PutVersion(rec, 305, p.module_software);
        PutText(rec, 311, p.module_text, 18);
    }
    return rec;
}

wire::Bytes ControllerState::LockState() const {
    // 0 available, 1 active, 2 unlock possible, 3-6 zero, 7 attempts, 8 block, 9-12 zero.
    wire::Bytes b(13, 0);
    b[0] = options_.lock_available ? 1 : 0;
    b[1] = locked_ ? 1 : 0;
    b[2] = options_.lock_unlockable ? 1 : 0;
    b[7] = std::uint8_t(lock_attempts_);
    b[8] = std::uint8_t(lock_block_);
    return b;
}

PanelInputs ControllerState::GatherPanel(std::int64_t now_ms) const {
    PanelInputs in;
    const std::int64_t t = rtc_.Now(now_ms);
    in.running = running_ && loader_ == LoaderState::kApp;
    in.loader = loader_ != LoaderState::kApp;
    in.has_image = loader_ == LoaderState::kLoaded || image_bytes_ > 0;
    in.locked = locked_;
    in.state_word = StateWord();
    in.clock = FromSeconds(t);
    in.counter = std::uint32_t(ChannelValue(1, t));
    in.inputs = Inputs(t);
    in.analog = std::int16_t(ChannelValue(3, t));
    in.label = label_.empty() ? std::string(FamilyName(profile_.family)) + "label" : LabelText();
    in.now_ms = now_ms;
    return in;
}

wire::Bytes ControllerState::PanelBlock(std::int64_t now_ms) {
    Advance(now_ms);
    return panel_.Block(GatherPanel(now_ms));
}

static bool ReadableWhileLocked(std::uint32_t a) {
    return a == addr::kBootIdentity || a == addr::kStateWord || a == addr::kRun ||
           a == addr::kIdentity || a == addr::kLockState;
}

static bool ReadableInLoader(std::uint32_t a) {
    return a == addr::kBootIdentity || a == addr::kIdentity || a == addr::kStateWord ||
           a == addr::kRun || a == addr::kPanel || a == addr::kLockState || a == addr::kLabel;
}

Reply ControllerState::Read(const Request& r, std::int64_t now_ms) {
    const std::uint32_t a = r.address;
    if (r.count > kMaxRequestData)
        return Exception(kExIllegalValue, "read too long");
    if (locked_ && !ReadableWhileLocked(a))
        return Refusal("remote lock");
    if (BootloaderRunning() && !ReadableInLoader(a))
        return Exception(kExBusy, "refused: loader state");

    if (a == addr::kPanel) {
        if (r.count > kPanelBlock)
            return Exception(kExIllegalValue, "front panel read too long");
        wire::Bytes b = panel_.Block(GatherPanel(now_ms));
        b.resize(r.count);
        return Data(std::move(b));
    }
    // Datalog windows: base + frame number.
    if (a >= addr::kOwnLogFrames && a < addr::kOwnLogFrames + 0x10000) {
        if (r.count > kDatalogFrame)
            return Exception(kExIllegalValue, "datalog frame too long");
        Reply rep = Data(own_log_.Frame(a - addr::kOwnLogFrames, r.count));
        rep.note = "own datalog frame " + std::to_string(a - addr::kOwnLogFrames);
        return rep;
    }
    if (a >= addr::kBoardLogFrames && a < addr::kBoardLogFrames + 0x10000) {
        if (r.count > kDatalogFrame)
            return Exception(kExIllegalValue, "datalog frame too long");
        Reply rep = Data(board_log_.Frame(a - addr::kBoardLogFrames, r.count));
        rep.note = "board datalog frame " + std::to_string(a - addr::kBoardLogFrames);
        return rep;
    }
    if (auto region = SmallRegion(a)) {
        if (r.count > region->size())
            return Exception(kExIllegalValue, "read past the end of " + Hex(a));
        region->resize(r.count);
        return Data(std::move(*region));
    }
    if (a >= addr::kConfig && std::uint64_t(a) + r.count <= addr::kConfig + config_served_.size()) {
        auto from = config_served_.begin() + (a - addr::kConfig);
        return Data(wire::Bytes(from, from + r.count));
    }
    Area* area = FindArea(a, r.count);
    if (area == nullptr || !area->persistent)
        return Exception(kExIllegalAddress, "no readable memory at " + Hex(a));
    auto from = area->data.begin() + (a - area->base);
    return Data(wire::Bytes(from, from + r.count));
}

// ---------------------------------------------------------------- writes

static bool WritableWhileLocked(const Request& r) {
    if (r.address == addr::kCommand && r.count >= 1)
        return r.data[0] == 0x14 || r.data[0] == 0x15;
    return r.address == addr::kUnlock || r.address == addr::kEthHello ||
           r.address == addr::kEthGoodbye;
}

Reply ControllerState::Write(const Request& r, std::int64_t now_ms) {
    using namespace addr;
    const std::uint32_t a = r.address;
    if (locked_ && options_.strict_lock_writes && !WritableWhileLocked(r))
        return Refusal("remote lock, strict");
    if (a == kCommand)
        return Command(r, now_ms);
    if (a >= kAddressedFirst && a <= kAddressedLast)
        return AddressedCommand(r, now_ms);
    switch (a) {
    case kPassOpen:
        return Ack("pass-through open");
    case kPassClose:
        return Ack("pass-through close");
    case kEthHello:
        StartSession();
        return Ack("session start (Ethernet hello)");
    case kEthGoodbye:
        SessionEnd(now_ms);
        return Ack("session end (Ethernet goodbye)");
    default:
        break;
    }
    const bool in_loader = BootloaderRunning();
    Area* area = FindArea(a, r.count);
    const bool image = area != nullptr && !area->persistent;
    if (in_loader && !image)
        return Exception(kExBusy, "refused: loader state");

    switch (a) {
    case kLabel: {
        if (r.count > 18)
            return Exception(kExIllegalValue, "label longer than 18");
        label_.assign(reinterpret_cast<const char*>(r.data), r.count);
        label_ = LabelText();
        return Ack("label set");
    }
    case kClock: {
        if (r.count != 7)
            return Exception(kExIllegalValue, "clock record is 7 bytes");
        CivilTime t{r.data[0], r.data[1], r.data[2], r.data[4], r.data[5], 2000 + r.data[6]};
        if (!IsValid(t))
            return Exception(kExIllegalValue, "invalid date and time");
        rtc_.Set(ToSeconds(t), now_ms);
        return Ack("clock set");
    }
    case kDrift: {
        if (r.count != 1)
            return Exception(kExIllegalValue, "drift is 1 byte");
        // Kept as written: the drift's unit and range are the controller's own.
        drift_ = std::int8_t(r.data[0]);
        return Ack("drift set to " + std::to_string(drift_));
    }
    case kPanel:
        if (r.count != 1)
            return Exception(kExIllegalValue, "key mask is 1 byte");
        panel_.KeyMask(r.data[0]);
        return Ack("key mask " + Hex(r.data[0]));
    case kUnlock:
        return Unlock(r, now_ms);
    case kNewPassword:
        return NewPassword(r);
    case kAppAttempts:
        if (r.count != 6)
            return Exception(kExIllegalValue, "attempt record is 6 bytes");
        std::copy(r.data, r.data + 6, app_attempts_.begin());
        app_tick_ms_ = now_ms + kHalfMinuteMs;
        return Ack("application attempts " + std::to_string(r.data[0]));
    default:
        break;
    }
    if (area == nullptr)
        return Exception(kExIllegalAddress, "no writable memory at " + Hex(a));
    if (image)
        return WriteImage(*area, r);
    const bool program_area =
        std::strcmp(area->name, "Prog") == 0 || std::strcmp(area->name, "Init") == 0 ||
        std::strcmp(area->name, "Param") == 0 || std::strcmp(area->name, "MetierSlot") == 0 ||
        std::strcmp(area->name, "Metier") == 0 || std::strcmp(area->name, "TabConf") == 0;
    if (program_area && running_ && options_.strict_run_writes)
        return Exception(kExBusy, "refused: program area written while running");
    Reply rep = WriteArea(*area, r);
    if (program_area && running_)
        rep.note += " (written while running)";
    return rep;
}

// Images are counted, never kept. A write at the start of an area begins a new image; a
// signed image is whole once its announced length has been written.
Reply ControllerState::WriteImage(Area& area, const Request& r) {
    const std::uint32_t off = r.address - area.base;
    if (off == 0) {
        area.written = 0;
        area.signature = FindImageSignature(r.data, r.count);
        if (area.signature)
            image_incomplete_ = true;
    }
    const bool was_whole =
        area.signature && area.written >= area.signature->position + area.signature->length;
    area.written = std::max(area.written, off + r.count);
    if (loader_ == LoaderState::kLoading || loader_ == LoaderState::kLoaderIdle)
        image_bytes_ += r.count;
    if (std::strcmp(area.name, "firmware2") == 0)
        trel_part2_ = true;
    std::string note =
        std::string(area.name) + " image, " + std::to_string(area.written) + " bytes";
    if (area.signature && !was_whole &&
        area.written >= area.signature->position + area.signature->length) {
        ImageComplete(*area.signature);
        const ImageSignature& s = *area.signature;
        note += ", whole (version " + std::to_string(s.v) + "." + std::to_string(s.i) + "." +
                std::to_string(s.r) + ")";
    }
    return Ack(note);
}

void ControllerState::ImageComplete(const ImageSignature& s) {
    image_incomplete_ = false;
    const Version version{s.v, s.i, s.r};
    switch (s.kind) {
    case FirmwareImageKind::kBaseFirmware:
    case FirmwareImageKind::kTransitionFirmware:
    case FirmwareImageKind::kTrelPart1:
        pending_software_ = version;
        break;
    case FirmwareImageKind::kBaseBootloader:
        pending_bootloader_ = version;
        break;
    default:
        break;
    }
    if (loader_ == LoaderState::kLoading || loader_ == LoaderState::kLoaderIdle)
        loader_ = LoaderState::kLoaded;
}

Reply ControllerState::WriteArea(Area& area, const Request& r) {
    const std::uint32_t off = r.address - area.base;
    std::copy(r.data, r.data + r.count, area.data.begin() + off);
    area.written = std::max(area.written, off + r.count);
    if (std::strcmp(area.name, "TabConf") == 0) {
        const std::size_t n = std::min<std::size_t>(config_served_.size() - off, r.count);
        std::copy(r.data, r.data + n, config_served_.begin() + off);
        if (!ProgramPresent())
            running_ = false;
    }
    return Ack(std::string(area.name) + " +" + std::to_string(off));
}

} // namespace sim
