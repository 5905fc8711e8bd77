#include "sim/controller_state.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "sim/controller_helpers.h"

namespace sim {

using namespace detail;

namespace {

constexpr std::uint32_t kOwnLogCapacity = 32 * 1024;
constexpr std::uint32_t kBoardLogCapacity = 64 * 1024;
constexpr int kMaxRecordsPerAdvance = 4096;

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
                              wire::Bytes(s.persistent ? size : 0, 0xFF), 0, std::nullopt});
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

// The communication board's program: its directory, parameters, messages and labels.
void ControllerState::EraseDaughterBoardProgram() {
    for (const char* area : {"annuaire", "paramCF", "message", "label"})
        EraseArea(area);
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
        ApplyDatalogOptions(log);
        wire::Bytes form = EncodeDatalogConfig(log, true);
        std::copy(form.begin(), form.end(), c.begin() + addr::kConfigDatalog);
    }
    if (profile_.communicating) {
        log.mask[0] = 0x07;
        log.mask[1] = 0x01; // channel 9: 32-bit range
        log.wide[1] = profile_.DatalogConfigLong() ? 1 : 0;
        ApplyDatalogOptions(log);
        if (!profile_.DatalogConfigLong())
            std::fill(log.wide, log.wide + 3, 0); // the short form has no width flags
        wire::Bytes form = EncodeDatalogConfig(log, profile_.DatalogConfigLong());
        wire::Bytes& pcf = AreaNamed("paramCF")->data;
        std::fill(pcf.begin(), pcf.end(), 0);
        std::copy(form.begin(), form.end(), pcf.begin() + addr::kParamCfDatalogConfig);
        wire::Bytes& lab = AreaNamed("label")->data;
        std::fill(lab.begin(), lab.end(), 0);
        std::uint8_t* table = &lab[addr::kLabelTableOffset];
        if (options_.datalog_labels.empty()) {
            PutLabel(table, 1, "Counter", "", 0);
            PutLabel(table, 2, "Inputs", "", 0);
            PutLabel(table, 3, "Temperature",
                     "\xB0"
                     "C",
                     1);
            PutLabel(table, 9, "Energy", "Wh", 2);
        }
        for (const DatalogLabelOption& l : options_.datalog_labels)
            PutLabel(table, l.channel, Utf8ToAnsi(l.name).c_str(), Utf8ToAnsi(l.unit).c_str(),
                     l.decimals);
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
    SealApplication();
    config_served_ = c;
}

namespace {
// The two's complement of the 16-bit sum of bytes [from, to], least significant byte first
// at `at`.
void PutIntegrityWord(wire::Bytes& d, std::size_t at, std::size_t from, std::size_t to) {
    if (d.size() < at + 2 || to >= d.size())
        return;
    std::uint16_t sum = 0;
    for (std::size_t i = from; i <= to; ++i)
        sum = std::uint16_t(sum + d[i]);
    PutLE16(d, at, std::uint16_t(-sum));
}
} // namespace

// An application as the programming tool leaves it: most areas closed by integrity words
// (the last two bytes of the area's written length over all bytes before; the configuration
// record and the board's parameters at fixed places), so that writing the program read
// back from here, which recomputes those words, leaves the memory as it was.
void ControllerState::SealApplication() {
    const std::pair<const char*, std::size_t> closed[] = {
        {"Init", 20482},       {"Prog", 20482},  {"Param", 16386},
        {"MetierSlot", 69634}, {"Metier", 546},  {"annuaire", 4003},
        {"message", 15959},    {"zone133", 962}, {"zone143", 834}};
    for (const auto& [name, length] : closed)
        PutIntegrityWord(AreaNamed(name)->data, length - 2, 0, length - 3);
    PutIntegrityWord(AreaNamed("TabConf")->data, 847, 0, 844);
    wire::Bytes& pcf = AreaNamed("paramCF")->data;
    PutIntegrityWord(pcf, 194, 0, 193);
    PutIntegrityWord(pcf, 426, 196, 425);
}

// The channels and widths chosen on the command line replace the built-in ones.
void ControllerState::ApplyDatalogOptions(DatalogConfig& log) const {
    if (options_.datalog_masks)
        std::copy(options_.datalog_masks->begin(), options_.datalog_masks->end(), log.mask);
    if (options_.datalog_wide)
        std::copy(options_.datalog_wide->begin(), options_.datalog_wide->end(), log.wide);
}

void ControllerState::SeedDatalogs(std::int64_t now_ms) {
    // A prepared memory, or a few records already logged before the simulator started.
    if (options_.datalog_image) {
        DatalogMemory& log = profile_.communicating ? board_log_ : own_log_;
        log.Prepare(*options_.datalog_image);
        return;
    }
    if (!ProgramPresent())
        return;
    const DatalogConfig cfg = CurrentDatalogConfig();
    const std::int64_t now_s = rtc_.Now(now_ms);
    const std::int64_t period = cfg.period_s > 0 ? cfg.period_s : 10;
    for (int i = 5; i >= 1; --i)
        LogRecord(now_s - i * period, cfg);
}

void ControllerState::LogRecord(std::int64_t rtc_seconds, const DatalogConfig& cfg) {
    auto value = [&](int ch) { return ChannelValue(ch, rtc_seconds); };
    if (profile_.own_datalogs)
        own_log_.Append(FromSeconds(rtc_seconds), cfg, value);
    if (profile_.communicating)
        board_log_.Append(FromSeconds(rtc_seconds), cfg, value);
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
            LogRecord(rtc_.Now(next_log_ms_), cfg);
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

} // namespace sim
