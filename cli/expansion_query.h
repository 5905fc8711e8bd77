// The expansion query of the diagnostics hardware page: an expansion whose boot version reads
// 0.00.00 in the identity record is asked for it through a pass-through session, and the
// record read during that session carries the real version.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/identity_report.h"
#include "comm/ControllerLink.h"
#include "services/Diagnostics.h"

namespace cli {

// The query itself is the diagnostics' own: open the pass-through (0x100), boot mode
// [6, 2n], read the identity record, then [7, 2n] and close (0x200).
using services::QueryExpansionBoot;

// Replaces every expansion boot version that reads 0.00.00 by the one the query finds.
void CompleteExpansionBoots(IdentityReport& report, comm::IControllerLink& link);

} // namespace cli
