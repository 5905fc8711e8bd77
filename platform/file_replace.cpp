#include "platform/file_replace.h"

#include <cstdio>

namespace platform {

bool ReplaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace platform
