// The state file of --state: the memory image of one controller, kept across runs.
//
// Layout: "QSIM" · format 1 (1 byte) · code8 (4, little-endian) · records, each a name
// length (1) · name · data length (4, little-endian) · data.
#include <algorithm>
#include <cstring>

#include "sim/controller_state.h"

namespace sim {

namespace {
constexpr char kMagic[] = "QSIM";
constexpr std::uint8_t kFormat = 1;

void PutLE(wire::Bytes& out, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}
std::uint64_t GetLE(const std::uint8_t* p, int n) {
    std::uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

void PutRecord(wire::Bytes& out, const std::string& name, const wire::Bytes& data) {
    out.push_back(std::uint8_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    PutLE(out, data.size(), 4);
    out.insert(out.end(), data.begin(), data.end());
}

wire::Bytes Scalar(std::uint64_t v, int n) {
    wire::Bytes b;
    PutLE(b, v, n);
    return b;
}
} // namespace

wire::Bytes ControllerState::Serialize(std::int64_t now_ms) const {
    wire::Bytes out(kMagic, kMagic + 4);
    out.push_back(kFormat);
    PutLE(out, profile_.code8, 4);
    for (const Area& a : areas_)
        if (a.persistent)
            PutRecord(out, std::string("area:") + a.name, a.data);
    PutRecord(out, "config-served", config_served_);
    PutRecord(out, "label", wire::Bytes(label_.begin(), label_.end()));
    PutRecord(out, "clock", Scalar(std::uint64_t(rtc_.Now(now_ms)), 8));
    PutRecord(out, "drift", Scalar(std::uint8_t(drift_), 1));
    PutRecord(out, "running", Scalar(running_ ? 1 : 0, 1));
    PutRecord(out, "error-word", Scalar(error_word_, 4));
    PutRecord(out, "loader", Scalar(std::uint8_t(loader_), 1));
    // The versions an update may have changed.
    PutRecord(out, "software",
              wire::Bytes{profile_.software.v, profile_.software.i, profile_.software.r});
    PutRecord(out, "bootloader",
              wire::Bytes{profile_.bootloader.v, profile_.bootloader.i, profile_.bootloader.r});
    PutRecord(out, "remote-password",
              wire::Bytes(remote_password_.begin(), remote_password_.end()));
    PutRecord(out, "lock",
              Scalar(std::uint64_t(lock_attempts_) | std::uint64_t(lock_block_) << 8, 2));
    PutRecord(out, "app-password", wire::Bytes(app_password_.begin(), app_password_.end()));
    PutRecord(out, "app-protected", Scalar(app_protected_ ? 1 : 0, 1));
    PutRecord(out, "app-attempts", wire::Bytes(app_attempts_.begin(), app_attempts_.end()));
    PutRecord(out, "own-log", own_log_.Raw());
    PutRecord(out, "board-log", board_log_.Raw());
    PutRecord(out, "counter", Scalar(counter_base_ + std::uint32_t(run_ms_ / 1000), 4));
    // The session's lock, for whoever inspects the file: not read back, since a restart
    // locks a controller with a remote password again.
    PutRecord(out, "session-locked", Scalar(locked_ ? 1 : 0, 1));
    return out;
}

bool ControllerState::Deserialize(const wire::Bytes& in, std::int64_t now_ms) {
    if (in.size() < 9 || std::memcmp(in.data(), kMagic, 4) != 0 || in[4] != kFormat ||
        GetLE(&in[5], 4) != profile_.code8)
        return false;
    // First pass: check that every record is whole before changing anything.
    std::size_t at = 9;
    while (at < in.size()) {
        if (at + 1 > in.size())
            return false;
        std::size_t name_len = in[at];
        if (at + 1 + name_len + 4 > in.size())
            return false;
        std::size_t len = std::size_t(GetLE(&in[at + 1 + name_len], 4));
        if (at + 1 + name_len + 4 + len > in.size())
            return false;
        at += 1 + name_len + 4 + len;
    }
    at = 9;
    while (at < in.size()) {
        std::size_t name_len = in[at];
        std::string name(reinterpret_cast<const char*>(&in[at + 1]), name_len);
        std::size_t len = std::size_t(GetLE(&in[at + 1 + name_len], 4));
        const std::uint8_t* d = &in[at + 1 + name_len + 4];
        at += 1 + name_len + 4 + len;
        wire::Bytes data(d, d + len);
        if (name.rfind("area:", 0) == 0) {
            Area* a = AreaNamed(name.substr(5).c_str());
            if (a != nullptr && a->persistent && data.size() == a->data.size())
                a->data = data;
        } else if (name == "config-served" && data.size() == config_served_.size()) {
            config_served_ = data;
        } else if (name == "label" && len <= 18) {
            label_.assign(data.begin(), data.end());
        } else if (name == "clock" && len == 8) {
            rtc_.Set(std::int64_t(GetLE(d, 8)), now_ms);
        } else if (name == "drift" && len == 1) {
            drift_ = std::int8_t(d[0]);
        } else if (name == "running" && len == 1) {
            running_ = d[0] != 0;
        } else if (name == "error-word" && len == 4) {
            error_word_ = std::uint32_t(GetLE(d, 4));
        } else if (name == "loader" && len == 1 &&
                   d[0] <= std::uint8_t(LoaderState::kTrelPending)) {
            loader_ = LoaderState(d[0]);
        } else if ((name == "software" || name == "bootloader") && len == 3) {
            (name == "software" ? profile_.software : profile_.bootloader) =
                Version{d[0], d[1], d[2]};
        } else if (name == "remote-password" && len == remote_password_.size()) {
            std::copy(d, d + len, remote_password_.begin());
        } else if (name == "lock" && len == 2) {
            lock_attempts_ = std::min<int>(d[0], 5);
            lock_block_ = d[1];
            lock_tick_ms_ = now_ms + 30000;
        } else if (name == "app-password" && len == app_password_.size()) {
            std::copy(d, d + len, app_password_.begin());
        } else if (name == "app-protected" && len == 1) {
            app_protected_ = d[0] != 0;
        } else if (name == "app-attempts" && len == app_attempts_.size()) {
            std::copy(d, d + len, app_attempts_.begin());
            app_tick_ms_ = now_ms + 30000;
        } else if (name == "own-log") {
            own_log_.Restore(data);
        } else if (name == "board-log") {
            board_log_.Restore(data);
        } else if (name == "counter" && len == 4) {
            counter_base_ = std::uint32_t(GetLE(d, 4));
            run_ms_ = 0;
        }
    }
    locked_ = HasRemotePassword();
    if (!ProgramPresent() || loader_ != LoaderState::kApp)
        running_ = false;
    last_advance_ms_ = now_ms;
    next_log_ms_ =
        now_ms + std::int64_t(std::max<std::uint32_t>(CurrentDatalogConfig().period_s, 1)) * 1000;
    return true;
}

} // namespace sim
