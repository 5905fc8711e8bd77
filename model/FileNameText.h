// File and folder names made from controller texts (program file, datalog CSV files, backup
// folder), by one rule: the text is kept as the controller gives it (UTF-8 after the
// Windows-1252 conversion: letters, digits, spaces, accents, "°"), and only what a name cannot
// or should not hold is replaced by '_': path separators, control characters, the characters
// other file systems refuse (: * ? " < > |), a leading dot (a hidden file), the second dot
// of ".." and a trailing dot. Surrounding spaces are removed.
#pragma once

#include <string>
#include <string_view>

namespace model {

// The name for `text`; empty when nothing is left (the caller names the file otherwise).
std::string FileNameFromText(std::string_view text);

} // namespace model
