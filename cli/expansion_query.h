// The expansion query of the diagnostics hardware page: an expansion whose boot version reads
// 0.00.00 in the identity record is asked for it through a pass-through session, and the
// record read during that session carries the real version.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/identity_report.h"
#include "model/ControllerReader.h"

namespace cli {

// The two requests of the pass-through session besides the read.
class IExpansionLink {
  public:
    virtual ~IExpansionLink() = default;
    // A write of the third kind with no data at `address` (SendWriteExt): 0 on success.
    virtual int WriteExt(std::uint32_t address, std::uint32_t timeoutMs) = 0;
    // A controller command written with the third kind (SendCommandExt): 0 on success.
    virtual int CommandExt(std::uint8_t code, std::uint8_t argument, std::uint32_t timeoutMs) = 0;
};

// The link backed by the communication client.
IExpansionLink& ComClientExpansionLink();

// Runs the query for expansion n (1 = XT1, 2 = XT2): open the pass-through (0x100), boot mode
// [6, 2n], read the identity record, then [7, 2n] and close (0x200). The first failing step
// ends it. Returns the boot version read ("%d.%d.%02d"), or nothing when the read was not
// reached or failed.
std::optional<std::string> QueryExpansionBoot(int n, model::IControllerReader& reader,
                                              IExpansionLink& link);

// Replaces every expansion boot version that reads 0.00.00 by the one the query finds.
void CompleteExpansionBoots(IdentityReport& report, model::IControllerReader& reader,
                            IExpansionLink& link);

} // namespace cli
