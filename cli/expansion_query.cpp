#include "cli/expansion_query.h"

namespace cli {

void CompleteExpansionBoots(IdentityReport& report, comm::IControllerLink& link) {
    for (std::size_t i = 0; i < report.expansions.size() && i < 2; ++i) {
        ExpansionReport& expansion = report.expansions[i];
        if (expansion.boot != "0.00.00")
            continue;
        if (std::optional<std::string> boot = QueryExpansionBoot(int(i) + 1, link))
            expansion.boot = *boot;
    }
}

} // namespace cli
