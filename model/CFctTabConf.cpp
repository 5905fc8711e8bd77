#include "model/CFctTabConf.h"

#include <algorithm>
#include <cstdio>

#include "model/AnsiText.h"
#include "model/ModelTable.h"

namespace {

constexpr std::size_t kPath = 0, kPathSize = 128;
constexpr std::size_t kAuthor = 128, kAuthorSize = 32;
constexpr std::size_t kProject = 160, kProjectSize = 24;
constexpr std::size_t kVersion = 184;
constexpr std::size_t kParamMenu = 211;
constexpr std::size_t kPassword = 212;
constexpr std::size_t kCycle = 216;
constexpr std::size_t kWatchdog = 218;
constexpr std::size_t kProgramUsed1 = 234, kProgramUsed2 = 236;
constexpr std::size_t kParamUsed = 238;
constexpr std::size_t kDigitalUsed1 = 240, kOtherUsed1 = 242;
constexpr std::size_t kDigitalUsed2 = 244, kOtherUsed2 = 246;
constexpr std::size_t kMarker = 250;

} // namespace

CFctTabConf::CFctTabConf(comm::IControllerLink& reader, const model::ConfLayout& layout)
    : reader_(reader), layout_(layout), record_(layout.recordSize, 0) {}

void CFctTabConf::Reset() {
    std::fill(record_.begin(), record_.end(), 0);
    netView_.fill(0);
    reservedView_.fill(0);
    gprsView_.fill(0);
    cachedNet0_ = record_[layout_.networkBlock];
    cachedNet1_ = record_[layout_.networkBlock + 1];
    timeoutMs_ = reader_.LinkTimeoutMs();
}

std::uint8_t CFctTabConf::Read() {
    std::vector<std::uint8_t> fresh(record_.size());
    if (reader_.Read(fresh.data(), kAddress, std::uint32_t(fresh.size()), timeoutMs_) != 0)
        return comm::kTargetNotAnswering;
    record_ = std::move(fresh);
    return 0;
}

void CFctTabConf::PrepareNetworkView() {
    std::copy_n(record_.begin() + layout_.networkBlock, netView_.size(), netView_.begin());
    std::copy_n(record_.begin() + layout_.reservedAddress, reservedView_.size(),
                reservedView_.begin());
}

void CFctTabConf::PrepareGprsView() {
    std::copy_n(record_.begin() + layout_.networkBlock, gprsView_.size(), gprsView_.begin());
}

std::uint16_t CFctTabConf::U16(std::size_t offset) const {
    return std::uint16_t(record_[offset] | record_[offset + 1] << 8);
}

std::string CFctTabConf::GetProjectName() const {
    return model::FieldText(record_.data() + kProject, kProjectSize);
}

std::string CFctTabConf::GetProgramVersion() const {
    return std::to_string(record_[kVersion]) + "." + std::to_string(record_[kVersion + 1]);
}

std::string CFctTabConf::GetAuthor() const {
    return model::FieldText(record_.data() + kAuthor, kAuthorSize);
}

std::string CFctTabConf::GetParamMenuAccess() const {
    return record_[kParamMenu] != 0 ? "Enabled" : "Disabled";
}

std::string CFctTabConf::GetWatchdogState() const {
    switch (record_[kWatchdog]) {
    case 0:
        return "Inactive";
    case 1:
        return "Alarm";
    case 2:
        return "Error";
    default:
        return "Unknown";
    }
}

std::string CFctTabConf::GetCycleTime() const {
    std::uint16_t cycle = U16(kCycle);
    return cycle == 0 ? "Unknown" : std::to_string(cycle) + " x 2 ms";
}

std::string CFctTabConf::GetPasswordText() const {
    return U16(kPassword) != 0 ? "Yes" : "No";
}

std::uint8_t CFctTabConf::GetProgramMarker() const {
    return record_[kMarker];
}

int CFctTabConf::GetParamZoneUsed() const {
    return std::int16_t(U16(kParamUsed));
}

unsigned CFctTabConf::GetDigitalZoneUsed() const {
    return unsigned(U16(kDigitalUsed2)) + U16(kDigitalUsed1);
}

unsigned CFctTabConf::GetOtherZonesUsed() const {
    return unsigned(U16(kOtherUsed2)) + U16(kOtherUsed1);
}

unsigned CFctTabConf::GetProgramZoneUsed() const {
    return unsigned(U16(kProgramUsed2)) + U16(kProgramUsed1);
}

std::size_t
CFctTabConf::CopyNetworkBlock(std::span<std::uint8_t, kNetworkBlockHandedOut> dest) const {
    std::copy_n(record_.begin() + layout_.networkBlock, kNetworkBlockHandedOut, dest.begin());
    return kNetworkBlockHandedOut;
}

std::string CFctTabConf::GetProgramFileName() const {
    // The path was stored by the programming tool and uses backslashes: keep the part from the
    // last backslash (included) and drop the extension.
    std::string path = model::FieldCode(record_.data() + kPath, kPathSize);
    std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos)
        return {};
    std::string name = path.substr(slash);
    std::size_t dot = name.rfind('.');
    // A name without extension is kept whole rather than lost.
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::uint16_t CFctTabConf::GetPasswordFlag() const {
    return U16(kPassword);
}

std::uint16_t CFctTabConf::GetChecksum() const {
    return U16(layout_.checksum);
}

std::string CFctTabConf::GetChecksumText() const {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", GetChecksum());
    return text;
}

std::string CFctTabConf::GetToolVersion() const {
    std::size_t at = layout_.toolVersion;
    return model::FormatVir(record_[at], record_[at + 1], record_[at + 2]);
}

std::span<const std::uint8_t, CFctTabConf::kDatalogConfigSize>
CFctTabConf::GetDatalogConfig() const {
    return std::span<const std::uint8_t, kDatalogConfigSize>(record_.data() + kDatalogConfigOffset,
                                                             kDatalogConfigSize);
}
