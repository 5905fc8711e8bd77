// Start-up and shutdown of the communication core, shared by every front end (the GUI
// adds its windows around them; the command-line tool uses them as they are).
#pragma once

#include <string>

// Loads the three transport libraries from the program folder (USB, Ethernet, BLE,
// stopping at the first that fails; a missing library fails later, when its link is
// used) and starts the communication client. 1 when the client started, 0 when its
// sockets could not be connected.
int QuorvelStartup();
// The same, with the transport libraries taken from `libraryFolder` (ending with '/').
int QuorvelStartup(const std::string& libraryFolder);

// Sends DECONNECT and waits for its answer (monitoring off, goodbye, link closed), then
// stops the core server with QRL_KILL and a join bounded by `waitMs`; a link time-out is
// never waited for beyond that. True when the core server thread ended in time.
bool QuorvelShutdown(int waitMs = 2000);
