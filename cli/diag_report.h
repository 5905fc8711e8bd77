// The diagnostics pages on the command line: each page's fields and table cells as rows of
// name and value, in the dialog's order and with its texts. A table cell is named by its row
// and column headers ("XT1 expansion: Boot V.I.R").
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "services/Diagnostics.h"

namespace cli {

struct DiagRow {
    std::string name, value;
    services::DiagColour colour = services::DiagColour::Normal;
    std::optional<bool> checked; // check boxes and radio buttons
};

std::vector<DiagRow> DiagRows(const services::DiagPage& page);

// One block per page: its title, then "name: value" lines; a coloured value is followed by
// " (orange)" or " (red)", a check box or radio button shows "[x]" or "[ ]".
std::string DiagText(const std::vector<services::DiagPage>& pages);
// {"hardware": [{"name", "value"}...], "application": [...], "network": [...],
//  "connection": [...]}; a row also has "colour" when coloured and "checked" for check
// boxes and radio buttons. A page not shown for the controller is absent.
std::string DiagJson(const std::vector<services::DiagPage>& pages);

} // namespace cli
