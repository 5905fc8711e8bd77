// Identity record of the Trel family: the common fields, then boot / bootloader / software
// V, I, R at 83 / 86 / 89. No expansions and no communication module.
#pragma once

#include "model/CFctTabIdentite.h"

class CFctTabIdentiteTrel : public CFctTabIdentite {
  public:
    explicit CFctTabIdentiteTrel(comm::IControllerLink& reader = comm::ComClientLink());

    int ModelFromCode8(long code8) const override;
    bool IsCommunicating() const override { return false; }
    bool HasGprs() const override { return false; }
    bool HasTcpIp() const override { return false; }
    bool IsT71Layout() const override { return false; }
    // Fills code8 and the three main versions; the other eight strings stay empty.
    void BuildSummary(model::IdentitySummary& out) const override;
    int GetFamilyIndex() const override;
};
