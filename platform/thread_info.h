// Naming threads and measuring the processor time a named thread used, so that a
// service thread can be found and measured from outside (benchmarks, diagnostics).
#pragma once

#include <optional>

namespace platform {

// Names the calling thread (the kernel keeps at most 15 characters).
void SetCurrentThreadName(const char* name);

// Processor time (user + system) used so far by the first thread of this process that
// carries `name`; nothing when no such thread exists.
std::optional<double> ThreadCpuSeconds(const char* name);

} // namespace platform
