// Identity record of the kz9 and Pask families (T71 layout). Beyond the common fields:
//   80/83/86  boot / bootloader / software V, I, R
//   98  18  XT1 name     116  8  XT1 code8   124/127/130/133  XT1 boot/bootloader/software/hardware
//  199  18  XT2 name     217  8  XT2 code8   225/228/231/234  XT2 boot/bootloader/software/hardware
//  298  63  communication module block: +1/+4/+7 boot/bootloader/software, +13 text (18, IMEI)
#pragma once

#include "model/CFctTabIdentite.h"

namespace model {
enum class VirKind { Boot, Bootloader, Software, Hardware };
} // namespace model

class CFctTabIdentiteT71 : public CFctTabIdentite {
  public:
    static constexpr std::size_t kModuleOffset = 298, kModuleSize = 63;
    using ModuleBlock = std::array<std::uint8_t, kModuleSize>;

    explicit CFctTabIdentiteT71(comm::IControllerLink& reader = comm::ComClientLink());

    // Also refreshes the module copy from the (zeroed) record.
    void Reset() override;
    int ModelFromCode8(long code8) const override;
    bool IsCommunicating() const override;
    bool HasGprs() const override;
    bool HasTcpIp() const override;
    bool IsT71Layout() const override { return true; }
    void BuildSummary(model::IdentitySummary& out) const override;
    int GetFamilyIndex() const override;

    // Expansion n (1 = XT1, 2 = XT2); empty texts for any other n.
    std::string GetExpansionName(int n) const;
    std::string GetExpansionCode8(int n) const;
    std::string FormatExpansionVir(int n, model::VirKind kind) const;
    // Versions and text of the communication module, from the module copy.
    std::string FormatModuleVir(model::VirKind kind) const;
    std::string GetModuleImei() const;
    // Copies record bytes 298-360 into the module copy (done by users after a successful read).
    void CopyModuleFromRecord();

  private:
    ModuleBlock module_{};
};
