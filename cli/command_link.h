// Opening the link a command needs: the link options checked, an Ethernet label resolved by
// discovery, the core started. main does it for every command that needs a link; a command
// group with verbs that need none (datalogs plot) does it itself for the others.
#pragma once

#include "cli/commands.h"
#include "cli/session.h"

namespace cli {

// kExitOk, or the exit status after printing why the link could not be opened.
int OpenCommandLink(Context& context, LinkSession& session);

} // namespace cli
