// Running a command on the link it needs: the link options checked, an Ethernet label
// resolved by discovery, the core started, and after a failure on a link that never opened,
// the cause. main does it for every command that needs a link; a command group with verbs
// that need none (datalogs plot) does it itself for the others.
#pragma once

#include <functional>

#include "cli/commands.h"

namespace cli {

// Runs `run` on the opened link and returns its exit status, or the status after printing
// why the link could not be opened.
int RunOnLink(Context& context, const std::function<int(Context&)>& run);

} // namespace cli
