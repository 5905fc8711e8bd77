// Comparing two program files zone by zone (the controller's program, read into a file, and
// a file on disk): which zones differ, by how many bytes, and where first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "transfer/ProgramImage.h"

namespace transfer {

// Reads and parses a whole program file. False with the reason in `error` when the file
// cannot be read or is damaged.
bool LoadProgramImage(const std::string& path, ProgramImage& image, std::string& error);

struct ZoneDifference {
    std::string name;
    std::uint32_t address = 0;
    std::size_t differingBytes = 0; // bytes beyond the shorter zone count as differing
    std::size_t firstOffset = 0;    // from the zone's start
};

// The zones of `a` and `b` that differ, zones matched by name and address; a zone only one
// side holds differs in all its bytes. Empty when the programs are identical.
std::vector<ZoneDifference> CompareProgramImages(const ProgramImage& a, const ProgramImage& b);

// "identical\n", or one line per differing zone: "Metier at 0x00004000: 3 bytes differ, the
// first at offset 12\n".
std::string ComparisonText(const std::vector<ZoneDifference>& differences);

} // namespace transfer
