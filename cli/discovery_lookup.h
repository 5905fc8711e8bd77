// --eth LABEL: the link options name a controller by its discovery label; the address is
// looked up on the network before the link is opened.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/link_options.h"
#include "discovery/CDiscoveryService.h"
#include "publish_reply.pb.h"

namespace cli {

// Searches, waits up to a few seconds for a controller labelled `options.label` and sets
// `options.host` to its address. False with the message in `error` when none answers.
bool ResolveEthernetLabel(LinkOptions& options, std::string& error);

// --iface NAMES (else QUORVEL_DISCOVERY_IFACES) into `options`, removed from the arguments;
// false, said on `err`, on a missing value.
bool TakeInterfaces(std::vector<std::string>& args, discovery::DiscoveryServiceOptions& options,
                    std::ostream& err);
// --wait SECONDS (0 to 600), removed from the arguments; `absent` when not given; nothing,
// said on `err`, for a bad value.
std::optional<int> TakeWaitSeconds(std::vector<std::string>& args, std::ostream& err, int absent);
// One discovery search, then the table after `waitSeconds`; nothing (said on `err`) when the
// discovery service does not run or answer.
std::optional<DiscoveryTable> SearchNetwork(const discovery::DiscoveryServiceOptions& options,
                                            int waitSeconds, std::ostream& err);

} // namespace cli
