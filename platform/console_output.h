// Keeps a command-line tool's standard output for its own results: the lines the core server
// and the transport libraries print on standard output go to standard error instead.
#pragma once

#include <ostream>

namespace platform {

// From the first call on, whatever the process writes to standard output (printf, std::cout)
// lands on standard error; the returned stream writes to the original standard output.
std::ostream& DivertStandardOutput();

// From the call on, whatever the process writes to standard output (the diagnostic lines of
// the core server, the discovery service and the transport libraries) is dropped; the stream
// of DivertStandardOutput still writes to the original standard output.
void DropDivertedOutput();

} // namespace platform
