#include "model/CFctTabIdentiteTrel.h"

#include "model/ModelTable.h"

namespace {
constexpr std::size_t kTrelBoot = 83;
} // namespace

CFctTabIdentiteTrel::CFctTabIdentiteTrel(comm::IControllerLink& reader)
    : CFctTabIdentite(reader, kTrelBoot) {
    Reset();
}

int CFctTabIdentiteTrel::ModelFromCode8(long code8) const {
    return model::ModelFromCode8Trel(code8);
}

void CFctTabIdentiteTrel::BuildSummary(model::IdentitySummary& out) const {
    out = model::IdentitySummary{};
    out.code8 = GetCode8();
    out.boot = FormatBootVir();
    out.bootloader = FormatBootloaderVir();
    out.software = FormatSoftwareVir();
}

int CFctTabIdentiteTrel::GetFamilyIndex() const {
    return record_[kFamilyCode] == model::kFamilyCodeTrel ? model::kFamilyTrel
                                                          : model::kUnknownFamily;
}
