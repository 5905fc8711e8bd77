// Giving a finished file its final name: the temporary file written beside it replaces any
// file of that name in one step.
#pragma once

#include <string>

namespace platform {

// Renames `from` to `to` (same folder), replacing `to`. False when the rename failed.
bool ReplaceFile(const std::string& from, const std::string& to);

} // namespace platform
