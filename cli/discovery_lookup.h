// --eth LABEL: the link options name a controller by its discovery label; the address is
// looked up on the network before the link is opened.
#pragma once

#include <string>

#include "cli/link_options.h"

namespace cli {

// Searches, waits up to a few seconds for a controller labelled `options.label` and sets
// `options.host` to its address. False with the message in `error` when none answers.
bool ResolveEthernetLabel(LinkOptions& options, std::string& error);

} // namespace cli
