#include "sim/controller_state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace sim {

namespace {

constexpr std::int64_t kHalfMinuteMs = 30000;
constexpr std::uint32_t kOwnLogCapacity = 32 * 1024;
constexpr std::uint32_t kBoardLogCapacity = 64 * 1024;
constexpr int kMaxRecordsPerAdvance = 4096;
// The largest read or write a request may carry (the request channel's own limit).
constexpr std::uint16_t kMaxRequestData = 40000;

void PutText(wire::Bytes& rec, std::size_t at, const std::string& text, std::size_t width,
             char pad = ' ') {
    for (std::size_t i = 0; i < width; ++i)
        rec[at + i] = std::uint8_t(i < text.size() ? text[i] : pad);
}

void PutVersion(wire::Bytes& rec, std::size_t at, const Version& v) {
    rec[at] = v.v;
    rec[at + 1] = v.i;
    rec[at + 2] = v.r;
}

void PutLE16(wire::Bytes& rec, std::size_t at, std::uint16_t v) {
    rec[at] = std::uint8_t(v);
    rec[at + 1] = std::uint8_t(v >> 8);
}

std::string Code8Text(std::uint32_t code8) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08u", code8 % 100000000u);
    return buf;
}

std::string Hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

Reply Ack(std::string note = {}) {
    Reply r;
    r.kind = Reply::kWriteAck;
    r.note = std::move(note);
    return r;
}
Reply Exception(std::uint8_t code, std::string note) {
    Reply r;
    r.kind = Reply::kException;
    r.code = code;
    r.note = std::move(note);
    return r;
}
Reply Silent(std::string note) {
    Reply r;
    r.kind = Reply::kSilent;
    r.note = std::move(note);
    return r;
}
Reply Refusal(std::string note) {
    Reply r;
    r.kind = Reply::kRefusal;
    r.note = std::move(note);
    return r;
}
Reply Data(wire::Bytes data) {
    Reply r;
    r.kind = Reply::kRead;
    r.data = std::move(data);
    return r;
}

// The program areas of the catalogue and the daughter-board areas, with the largest
// length any link writes (Ethernet writes fixed lengths that may exceed the area size).
struct AreaSpec {
    const char* name;
    std::uint32_t base;
    std::uint32_t size;
    bool persistent;
};

} // namespace

ControllerState::ControllerState(const ControllerOptions& options, std::int64_t now_ms)
    : options_(options), profile_(MakeProfile(options)),
      own_log_(DatalogMemory::Form::kOwn, kOwnLogCapacity),
      board_log_(DatalogMemory::Form::kBoard, kBoardLogCapacity), panel_(profile_) {
    label_ = options.label.substr(0, 18);
    rtc_.Set(options.clock_start.value_or(0), now_ms);
    last_advance_ms_ = now_ms;
    BuildAreas();
    config_served_ = AreaNamed("TabConf")->data;
    if (!options.remote_password.empty()) {
        for (std::size_t i = 0; i < remote_password_.size() && i < options.remote_password.size();
             ++i)
            remote_password_[i] = std::uint8_t(options.remote_password[i]);
    }
    locked_ = HasRemotePassword();
    if (!options.app_password.empty()) {
        app_protected_ = true;
        for (std::size_t i = 0; i < 6 && i < options.app_password.size(); ++i)
            app_password_[i] = std::uint8_t(options.app_password[i]);
    }
    if (options.with_application) {
        LoadApplication();
        running_ = options.running;
    }
    error_word_ = options.state_word;
    switch (options.state_word) {
    case kWordLoaderIdle:
        loader_ = LoaderState::kLoaderIdle;
        break;
    case kWordLoading:
        loader_ = LoaderState::kLoading;
        break;
    case kWordLoaded:
        loader_ = LoaderState::kLoaded;
        image_bytes_ = 1;
        break;
    case kWordTrelPending:
        loader_ = LoaderState::kTrelPending;
        break;
    default:
        break;
    }
    if (loader_ != LoaderState::kApp) {
        error_word_ = 0;
        running_ = false;
    }
    SeedDatalogs(now_ms);
    next_log_ms_ = now_ms + std::int64_t(CurrentDatalogConfig().period_s) * 1000;
}

void ControllerState::BuildAreas() {
    const Profile& p = profile_;
    const std::uint32_t label_size =
        (p.model == 3 || p.model == 9 || p.model == 10) ? 34338 : 15394;
    const AreaSpec specs[] = {
        {"TabConf", addr::kConfig, 849, true},
        {"Init", 0x60000, std::max<std::uint32_t>(p.init_size, 20482), true},
        {"Prog", 0x70000, std::max<std::uint32_t>(p.prog_size, 20482), true},
        {"Param", 0x80000, std::max<std::uint32_t>(p.param_size, 16386), true},
        {"MetierSlot", 0x90000, std::max<std::uint32_t>(p.slot_size, 69634), true},
        {"Metier", 0xB0000, std::max<std::uint32_t>(p.metier_size, 546), true},
        {"annuaire", 0x48118000, 4003, true},
        {"paramCF", addr::kParamCf, 462, true},
        {"message", 0x4811E000, 15959, true},
        {"label", addr::kLabelArea, std::max<std::uint32_t>(label_size, 34338), true},
        {"zone133", 0x48133000, 962, true},
        {"zone143", 0x48143000, 834, true},
        {"firmware", 0x08000000, 0x110000, false},
        {"bootloader", 0x08110000, 0xF0000, false},
        {"firmware2", 0x08200000, 0x100000, false},
        {"board-bootloader", 0x48000000, 0x18000, false},
        {"board-firmware", 0x48018000, 0x100000, false},
    };
    areas_.clear();
    for (const AreaSpec& s : specs) {
        // An unknown model is given the catalogue's placeholder size for every area.
        std::uint32_t size = s.size;
        if (p.model == kUnknownModel && s.persistent)
            size = std::max<std::uint32_t>(size, 12345);
        // Images are only counted, never kept: a firmware image may be a megabyte.
        areas_.push_back(Area{s.name, s.base, size, s.persistent,
                              wire::Bytes(s.persistent ? size : 0, 0xFF), 0});
    }
}

Area* ControllerState::AreaNamed(const char* name) {
    for (Area& a : areas_)
        if (std::strcmp(a.name, name) == 0)
            return &a;
    return nullptr;
}

// The area that holds [address, address + count): when two overlap (the placeholder sizes
// of an unknown model), the one that starts nearest below the address.
Area* ControllerState::FindArea(std::uint32_t address, std::uint32_t count) {
    Area* best = nullptr;
    for (Area& a : areas_) {
        if (address >= a.base && std::uint64_t(address) + count <= std::uint64_t(a.base) + a.size &&
            (best == nullptr || a.base > best->base))
            best = &a;
    }
    return best;
}

void ControllerState::EraseArea(const char* name) {
    Area* a = AreaNamed(name);
    if (a == nullptr)
        return;
    std::fill(a->data.begin(), a->data.end(), 0xFF);
    a->written = 0;
}

// A small application: a configuration record that names it, filled program areas,
// the datalog configuration and the channel labels.
void ControllerState::LoadApplication() {
    const bool trel = profile_.family == Family::kTrel;
    wire::Bytes& c = AreaNamed("TabConf")->data;
    std::fill(c.begin(), c.end(), 0);
    PutText(c, 0, "D:\\Projets\\Demo panel.vqap", 128, '\0');
    PutText(c, 128, "Quorvel", 32);
    PutText(c, 160, "DEMO PANEL", 24);
    c[184] = 1;
    c[185] = 2;
    c[211] = 1;
    PutLE16(c, 212, app_protected_ ? 1 : 0);
    PutLE16(c, 216, 25);
    c[218] = 1;
    PutLE16(c, 234, 1200);
    PutLE16(c, 236, 300);
    PutLE16(c, 238, 512);
    PutLE16(c, 240, 40);
    PutLE16(c, 242, 96);
    PutLE16(c, 244, 8);
    PutLE16(c, 246, 32);
    c[250] = 85;
    PutVersion(c, trel ? 587 : 349, Version{2, 1, 9});
    const std::size_t net = trel ? 537 : 767;
    if (profile_.gprs) {
        PutText(c, net, "20801", 8, '\0');
        PutText(c, net + 8, "33612345678", 15, '\0');
        c[net + 23] = 40;
    } else {
        const std::uint8_t ip[] = {192, 168, 1, 50, 255, 255, 255, 0, 192, 168, 1, 1, 1};
        std::memcpy(&c[net], ip, sizeof ip);
    }
    const std::size_t reserved = trel ? 370 : 600;
    const std::uint8_t server[] = {10, 0, 0, 7, 15};
    std::memcpy(&c[reserved], server, sizeof server);
    PutLE16(c, trel ? 610 : 840, 0x0A3F);

    DatalogConfig log;
    log.period_s = std::uint32_t(std::max(0, options_.datalog_period_s));
    if (profile_.own_datalogs) {
        log.mask[0] = 0x07; // counter, inputs, analog
        wire::Bytes form = EncodeDatalogConfig(log, true);
        std::copy(form.begin(), form.end(), c.begin() + addr::kConfigDatalog);
    }
    if (profile_.communicating) {
        log.mask[0] = 0x07;
        log.mask[1] = 0x01; // channel 9: 32-bit range
        log.wide[1] = profile_.DatalogConfigLong() ? 1 : 0;
        wire::Bytes form = EncodeDatalogConfig(log, profile_.DatalogConfigLong());
        wire::Bytes& pcf = AreaNamed("paramCF")->data;
        std::fill(pcf.begin(), pcf.end(), 0);
        std::copy(form.begin(), form.end(), pcf.begin() + addr::kParamCfDatalogConfig);
        wire::Bytes& lab = AreaNamed("label")->data;
        std::fill(lab.begin(), lab.end(), 0);
        std::uint8_t* table = &lab[addr::kLabelTableOffset];
        PutLabel(table, 1, "Counter", "", 0);
        PutLabel(table, 2, "Inputs", "", 0);
        PutLabel(table, 3, "Temperature", "C", 1);
        PutLabel(table, 9, "Energy", "Wh", 2);
    }
    // Recognisable content in the base areas, each a different pattern.
    int seed = 1;
    for (const char* name : {"Init", "Prog", "Param", "MetierSlot"}) {
        Area* a = AreaNamed(name);
        std::uint32_t used = std::min<std::uint32_t>(a->size, 4096);
        for (std::uint32_t i = 0; i < used; ++i)
            a->data[i] = std::uint8_t(i * 7 + std::uint32_t(seed) * 31);
        ++seed;
    }
    Area* metier = AreaNamed("Metier");
    std::fill(metier->data.begin(), metier->data.end(), 0);
    config_served_ = c;
}

void ControllerState::SeedDatalogs(std::int64_t now_ms) {
    // A few records already logged before the simulator started.
    if (!ProgramPresent())
        return;
    const DatalogConfig cfg = CurrentDatalogConfig();
    const std::int64_t now_s = rtc_.Now(now_ms);
    const std::int64_t period = cfg.period_s > 0 ? cfg.period_s : 10;
    for (int i = 5; i >= 1; --i) {
        const std::int64_t t = now_s - i * period;
        auto value = [&](int ch) { return ChannelValue(ch, t); };
        if (profile_.own_datalogs)
            own_log_.Append(FromSeconds(t), cfg, value);
        if (profile_.communicating)
            board_log_.Append(FromSeconds(t), cfg, value);
    }
}

DatalogConfig ControllerState::CurrentDatalogConfig() const {
    if (profile_.communicating) {
        const Area* pcf = const_cast<ControllerState*>(this)->AreaNamed("paramCF");
        return DecodeDatalogConfig(&pcf->data[addr::kParamCfDatalogConfig],
                                   profile_.DatalogConfigLong());
    }
    DatalogConfig cfg = DecodeDatalogConfig(&config_served_[addr::kConfigDatalog], true);
    cfg.mask[2] = 0; // own memory has two mask bytes
    cfg.wide[2] = 0;
    return cfg;
}

std::uint8_t ControllerState::Inputs(std::int64_t t) const {
    const std::uint64_t n = std::uint64_t(t / 2);
    return std::uint8_t(n ^ (n >> 1)); // a Gray code: one input changes at a time
}

std::int32_t ControllerState::ChannelValue(int channel, std::int64_t t) const {
    switch (channel) {
    case 1:
        return std::int32_t(counter_base_ + std::uint32_t(run_ms_ / 1000));
    case 2:
        return Inputs(t);
    case 3:
        return std::int32_t((t % 100) - 50) * 10; // a saw tooth of -50.0 .. 49.0 degrees
    default:
        return channel * 100 + std::int32_t(t % 60);
    }
}

bool ControllerState::ProgramPresent() const {
    return config_served_[250] == 85;
}

bool ControllerState::HasRemotePassword() const {
    return std::any_of(remote_password_.begin(), remote_password_.end(),
                       [](std::uint8_t b) { return b != 0; });
}

std::uint32_t ControllerState::StateWord() const {
    switch (loader_) {
    case LoaderState::kApp:
        return error_word_;
    case LoaderState::kLoaderIdle:
        return kWordLoaderIdle;
    case LoaderState::kLoading:
        return kWordLoading;
    case LoaderState::kLoaded:
        return kWordLoaded;
    case LoaderState::kTrelPending:
        return kWordTrelPending;
    }
    return 0;
}

std::string ControllerState::LabelText() const {
    std::string s = label_;
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

// Time-driven behaviour, brought up to date before each request: the run counter, the
// datalog records and the two half-minute countdowns.
void ControllerState::Advance(std::int64_t now_ms) {
    const std::int64_t elapsed = std::max<std::int64_t>(0, now_ms - last_advance_ms_);
    last_advance_ms_ = now_ms;
    const bool app_running = running_ && loader_ == LoaderState::kApp;
    if (app_running)
        run_ms_ += elapsed;

    const DatalogConfig cfg = CurrentDatalogConfig();
    if (!app_running || cfg.period_s == 0) {
        next_log_ms_ = now_ms + std::int64_t(std::max<std::uint32_t>(cfg.period_s, 1)) * 1000;
    } else {
        const std::int64_t period_ms = std::int64_t(cfg.period_s) * 1000;
        int made = 0;
        while (next_log_ms_ <= now_ms && made < kMaxRecordsPerAdvance) {
            const std::int64_t t = rtc_.Now(next_log_ms_);
            auto value = [&](int ch) { return ChannelValue(ch, t); };
            if (profile_.own_datalogs)
                own_log_.Append(FromSeconds(t), cfg, value);
            if (profile_.communicating)
                board_log_.Append(FromSeconds(t), cfg, value);
            next_log_ms_ += period_ms;
            ++made;
        }
        if (next_log_ms_ <= now_ms)
            next_log_ms_ = now_ms + period_ms;
    }

    while (lock_block_ > 0 && now_ms >= lock_tick_ms_) {
        --lock_block_;
        lock_tick_ms_ += kHalfMinuteMs;
        if (lock_block_ == 0)
            lock_attempts_ = 5;
    }
    while (app_attempts_[1] > 0 && now_ms >= app_tick_ms_) {
        --app_attempts_[1];
        app_tick_ms_ += kHalfMinuteMs;
        if (app_attempts_[1] == 0 && app_attempts_[0] >= 5)
            app_attempts_[0] = 0;
    }
    if (panel_.TakeCounterReset()) {
        counter_base_ = 0;
        run_ms_ = 0;
    }
}

Reply ControllerState::Handle(const Request& r, std::int64_t now_ms) {
    Advance(now_ms);
    if (now_ms < silent_until_ms_)
        return Silent("restarting");
    if (r.IsRead())
        return Read(r, now_ms);
    if (r.IsWrite())
        return Write(r, now_ms);
    return Exception(kExIllegalFunction, "unknown function code");
}

// ---------------------------------------------------------------- reads

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
        return Refusal("refused: remote lock");
    if (loader_ != LoaderState::kApp && !ReadableInLoader(a))
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
        return Refusal("refused: remote lock (strict)");
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
    const bool in_loader = loader_ != LoaderState::kApp;
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
        auto d = std::int8_t(r.data[0]);
        if (d < -59 || d > 59)
            return Exception(kExIllegalValue, "drift outside -59..59");
        drift_ = d;
        return Ack("drift set to " + std::to_string(d));
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
    if (image) {
        area->written = std::max(area->written, a - area->base + r.count);
        if (loader_ == LoaderState::kLoading || loader_ == LoaderState::kLoaderIdle)
            image_bytes_ += r.count;
        if (std::strcmp(area->name, "firmware2") == 0)
            trel_part2_ = true;
        return Ack(std::string(area->name) + " image, " + std::to_string(area->written) + " bytes");
    }
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

void ControllerState::StartSession() {
    // Each session starts locked when a remote password is stored.
    locked_ = HasRemotePassword();
}

void ControllerState::SessionEnd(std::int64_t /*now_ms*/) {
    locked_ = HasRemotePassword();
    xt_query_ = 0;
    // An update interrupted by the end of the session leaves the loader without firmware;
    // the Trel part 2, once written, waits for the command that starts it.
    if (loader_ == LoaderState::kLoading)
        loader_ = LoaderState::kLoaderIdle;
    if (trel_part2_ && profile_.family == Family::kTrel && loader_ == LoaderState::kApp) {
        loader_ = LoaderState::kTrelPending;
        running_ = false;
    }
    trel_part2_ = false;
}

void ControllerState::Reboot(std::int64_t now_ms) {
    silent_until_ms_ = now_ms + options_.reboot_ms;
    // A restart serves the stored configuration again and ends the session.
    config_served_ = AreaNamed("TabConf")->data;
    locked_ = HasRemotePassword();
    xt_query_ = 0;
    if (!ProgramPresent())
        running_ = false;
}

Reply ControllerState::Unlock(const Request& r, std::int64_t now_ms) {
    if (r.count != 10)
        return Exception(kExIllegalValue, "unlock password is 10 bytes");
    if (!HasRemotePassword())
        return Ack("unlock: no password stored");
    if (lock_attempts_ == 0)
        return Ack("unlock: blocked, ignored");
    if (!options_.lock_available || !options_.lock_unlockable)
        return Ack("unlock: not possible from here, ignored");
    if (std::equal(remote_password_.begin(), remote_password_.end(), r.data)) {
        locked_ = false;
        lock_attempts_ = 5;
        return Ack("unlock: right password");
    }
    --lock_attempts_;
    if (lock_attempts_ == 0) {
        lock_block_ = 60;
        lock_tick_ms_ = now_ms + kHalfMinuteMs;
        return Ack("unlock: wrong password, blocked for 60 half-minutes");
    }
    return Ack("unlock: wrong password, " + std::to_string(lock_attempts_) + " attempts left");
}

Reply ControllerState::NewPassword(const Request& r) {
    if (r.count != 10)
        return Exception(kExIllegalValue, "new password is 10 bytes");
    std::copy(r.data, r.data + 10, remote_password_.begin());
    lock_attempts_ = 5;
    lock_block_ = 0;
    if (!HasRemotePassword()) {
        locked_ = false;
        return Ack("remote password cleared");
    }
    return Ack("remote password stored");
}

// ---------------------------------------------------------------- commands

Reply ControllerState::Command(const Request& r, std::int64_t now_ms) {
    if (r.count == 4 && r.data[0] == 0x14 && r.data[1] == 0 && r.data[2] == 0 &&
        r.data[3] == 0x14) {
        StartSession();
        Reply rep = Ack("session start (hello)");
        if (options_.fault_hello_busy) {
            rep.echo_address = 0x7100;
            rep.note += ", answered busy";
        }
        return rep;
    }
    if (r.count != 2)
        return Exception(kExIllegalValue, "command is 2 bytes");
    const std::uint8_t code = r.data[0], arg = r.data[1];
    const std::string name = "cmd [" + std::to_string(code) + "," + std::to_string(arg) + "] ";
    const bool in_loader = loader_ != LoaderState::kApp;

    if (code == 7) {
        // Never answered: the sender does not wait, and a late answer would spoil its next
        // exchange.
        if (r.IsExt()) {
            xt_query_ = 0;
            return Silent(name + "end of expansion query");
        }
        if (r.function == 0x20)
            return Silent(name + "start daughter-board image");
        switch (loader_) {
        case LoaderState::kLoading:
            loader_ = image_bytes_ > 0 ? LoaderState::kApp : LoaderState::kLoaderIdle;
            break;
        case LoaderState::kLoaded:
        case LoaderState::kTrelPending:
            loader_ = LoaderState::kApp;
            break;
        default:
            break;
        }
        image_bytes_ = 0;
        Reboot(now_ms);
        return Silent(name + "leave loader, restart");
    }
    if (code == 6) {
        if (r.IsExt()) {
            if (arg != 2 && arg != 4)
                return Exception(kExIllegalValue, name + "unknown expansion");
            xt_query_ = arg / 2;
            return Ack(name + "expansion query XT" + std::to_string(xt_query_));
        }
        if (arg == 7)
            return Ack(name + "daughter-board bootloader mode");
        if (arg > 2)
            return Exception(kExIllegalValue, name + "unknown loading mode");
        loader_ = LoaderState::kLoading;
        image_bytes_ = 0;
        running_ = false;
        Reboot(now_ms);
        return Ack(name + (arg == 0 ? "loading mode: base firmware" : "loading mode: bootloader"));
    }
    if (code == 0x15) {
        SessionEnd(now_ms);
        return Ack("session end (goodbye)");
    }
    if (in_loader)
        return Exception(kExBusy, name + "refused: loader state");

    switch (code) {
    case 1:
        running_ = false;
        return Ack(name + "stop");
    case 2:
    case 3:
        if (code == 3) {
            panel_.ResetParameters();
            counter_base_ = 0;
            run_ms_ = 0;
        }
        if (!ProgramPresent())
            return Ack(name + "start refused: no program");
        running_ = true;
        return Ack(name + (code == 2 ? "start" : "start with reset"));
    case 5: {
        static const char* const kAreas[] = {nullptr,   "Init",  "Prog",
                                             "TabConf", "Param", "MetierSlot"};
        if (arg < 1 || arg > 5)
            return Exception(kExIllegalValue, name + "unknown area");
        EraseArea(kAreas[arg]);
        if (arg == 2 || (arg == 3 && profile_.family != Family::kTrel)) {
            // No program any more (on Trel the served record stays until rewritten).
            AreaNamed("TabConf")->data[250] = 0xFF;
            config_served_[250] = 0xFF;
            if (arg == 3)
                config_served_ = AreaNamed("TabConf")->data;
            running_ = false;
        }
        return Ack(name + "erase " + kAreas[arg]);
    }
    case 17:
        return Ack(name + "end of daughter-board update");
    case 18:
        for (const char* area : {"annuaire", "paramCF", "message", "label"})
            EraseArea(area);
        return Ack(name + "erase daughter board");
    case 26:
        return Ack(name + "end of datalog read");
    case 27:
        own_log_.Erase();
        return Ack(name + "erase own datalogs");
    case 30:
        if (options_.parameter_chord)
            panel_.OpenParameterMenu();
        return Ack(name + "parameter access");
    default:
        return Exception(kExIllegalValue, name + "unknown command");
    }
}

Reply ControllerState::AddressedCommand(const Request& r, std::int64_t now_ms) {
    const std::uint32_t which = r.address - addr::kAddressedFirst;
    const std::string name = "addr-cmd " + Hex(r.address) + " ";
    if (which == 0xD)
        return Exception(kExIllegalAddress, name + "is read only");
    if (r.count > 1)
        return Exception(kExIllegalValue, name + "carries at most 1 byte");
    switch (which) {
    case 0x0:
        return Ack(name + "open daughter-board session");
    case 0x1:
        return Ack(name + "close daughter-board session");
    case 0x2:
        for (const char* area : {"annuaire", "paramCF", "message", "label"})
            EraseArea(area);
        return Ack(name + "erase daughter-board program");
    case 0x3:
        Reboot(now_ms);
        return Ack(name + "apply update, restart");
    case 0x4:
        return Ack(name + "commit daughter-board firmware");
    case 0x8:
        return Ack(name + "restart daughter board");
    case 0x9:
        return Ack(name + "prepare base bootloader");
    case 0xA:
        board_log_.Erase();
        return Ack(name + "erase board datalogs");
    case 0xB:
        return Ack(name + "commit board bootloader");
    case 0xC:
        Reboot(now_ms);
        return Ack(name + "commit target update, restart");
    case 0xE:
        return Ack(name + "end of board datalog read");
    default:
        return Exception(kExIllegalAddress, name + "unknown");
    }
}

} // namespace sim
