// The program's version: 2.3.01.02, shown by the About dialog and the splash.
#pragma once

#include <cstdio>
#include <string>

constexpr int kVersionMajor = 2;
constexpr int kVersionMinor = 3;
constexpr int kVersionRevision = 1;
constexpr int kVersionBuild = 2;

// "%d.%d.%02d.%02d" of the four numbers, after `prefix`.
inline std::string VersionText(const std::string& prefix = "") {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%d.%d.%02d.%02d", prefix.c_str(), kVersionMajor,
                  kVersionMinor, kVersionRevision, kVersionBuild);
    return buf;
}
