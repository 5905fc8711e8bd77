#include "model/CFctTabIdentiteT71.h"

#include <algorithm>

#include "model/AnsiText.h"
#include "model/ModelTable.h"

namespace {

constexpr std::size_t kT71Boot = 80;
constexpr std::size_t kExpansionBase[2] = {98, 199};
// Offsets inside an expansion entry.
constexpr std::size_t kExpName = 0, kExpNameSize = 18;
constexpr std::size_t kExpCode8 = 18, kExpCode8Size = 8;
constexpr std::size_t kExpBoot = 26, kExpBootloader = 29, kExpSoftware = 32, kExpHardware = 35;
// Offsets inside the communication module block.
constexpr std::size_t kModBoot = 1, kModBootloader = 4, kModSoftware = 7;
constexpr std::size_t kModText = 13, kModTextSize = 18;

constexpr const char* kZeroVir = "0.00.00";

bool ValidExpansion(int n) {
    return n == 1 || n == 2;
}

} // namespace

CFctTabIdentiteT71::CFctTabIdentiteT71(comm::IControllerLink& reader)
    : CFctTabIdentite(reader, kT71Boot) {
    Reset();
}

void CFctTabIdentiteT71::Reset() {
    CFctTabIdentite::Reset();
    CopyModuleFromRecord();
}

int CFctTabIdentiteT71::ModelFromCode8(long code8) const {
    return model::ModelFromCode8T71(code8);
}

bool CFctTabIdentiteT71::IsCommunicating() const {
    return model::ModelIsCommunicating(GetModelIndex());
}

bool CFctTabIdentiteT71::HasGprs() const {
    return model::ModelHasGprs(GetModelIndex());
}

bool CFctTabIdentiteT71::HasTcpIp() const {
    return model::ModelHasTcpIp(GetModelIndex());
}

int CFctTabIdentiteT71::GetFamilyIndex() const {
    std::uint8_t code = record_[kFamilyCode];
    return code == model::kFamilyCodeKz9 || code == model::kFamilyCodePask
               ? model::FamilyFromFamilyCode(code)
               : model::kUnknownFamily;
}

std::string CFctTabIdentiteT71::GetExpansionName(int n) const {
    if (!ValidExpansion(n))
        return {};
    return model::FieldText(record_.data() + kExpansionBase[n - 1] + kExpName, kExpNameSize);
}

std::string CFctTabIdentiteT71::GetExpansionCode8(int n) const {
    if (!ValidExpansion(n))
        return {};
    return model::FieldCode(record_.data() + kExpansionBase[n - 1] + kExpCode8, kExpCode8Size);
}

std::string CFctTabIdentiteT71::FormatExpansionVir(int n, model::VirKind kind) const {
    if (!ValidExpansion(n))
        return {};
    std::size_t at = kExpansionBase[n - 1];
    switch (kind) {
    case model::VirKind::Boot:
        at += kExpBoot;
        break;
    case model::VirKind::Bootloader:
        at += kExpBootloader;
        break;
    case model::VirKind::Software:
        at += kExpSoftware;
        break;
    case model::VirKind::Hardware:
        at += kExpHardware;
        break;
    }
    return model::FormatVir(record_[at], record_[at + 1], record_[at + 2]);
}

std::string CFctTabIdentiteT71::FormatModuleVir(model::VirKind kind) const {
    std::size_t at = kind == model::VirKind::Boot         ? kModBoot
                     : kind == model::VirKind::Bootloader ? kModBootloader
                     : kind == model::VirKind::Software   ? kModSoftware
                                                          : kModuleSize;
    if (at == kModuleSize)
        return {};
    return model::FormatVir(module_[at], module_[at + 1], module_[at + 2]);
}

std::string CFctTabIdentiteT71::GetModuleImei() const {
    return model::FieldText(module_.data() + kModText, kModTextSize);
}

void CFctTabIdentiteT71::CopyModuleFromRecord() {
    std::copy_n(record_.begin() + kModuleOffset, kModuleSize, module_.begin());
}

void CFctTabIdentiteT71::BuildSummary(model::IdentitySummary& out) const {
    // Expansion boot versions that read all zeros are shown as unknown; software versions as
    // an unknown revision. Bootloader versions stay as formatted.
    auto boot = [this](int n) {
        std::string vir = FormatExpansionVir(n, model::VirKind::Boot);
        return vir == kZeroVir ? std::string("X.XX.XX") : vir;
    };
    auto software = [this](int n) {
        std::string vir = FormatExpansionVir(n, model::VirKind::Software);
        return vir == kZeroVir ? std::string("0.00.XX") : vir;
    };
    out.code8 = GetCode8();
    out.xt1Code8 = GetExpansionCode8(1);
    out.xt2Code8 = GetExpansionCode8(2);
    out.boot = FormatBootVir();
    out.bootloader = FormatBootloaderVir();
    out.software = FormatSoftwareVir();
    out.xt1Boot = boot(1);
    out.xt1Bootloader = FormatExpansionVir(1, model::VirKind::Bootloader);
    out.xt1Software = software(1);
    out.xt2Boot = boot(2);
    out.xt2Bootloader = FormatExpansionVir(2, model::VirKind::Bootloader);
    out.xt2Software = software(2);
}
