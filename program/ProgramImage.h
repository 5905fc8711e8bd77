// A program file taken in whole before anything is written to a controller: every line
// validated against the line template, every zone parsed and its content decoded, the
// product codes and firmware version checked against the target. Only a file that passes all
// of it is erased into the controller, so a damaged or incompatible file leaves the
// controller untouched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/CFctTabIdentite.h"
#include "program/ProgramFile.h"

namespace transfer {

// At most this many zones are written.
constexpr std::size_t kMaxZones = 12;

struct ProgramZone {
    ZoneRecord record;
    std::vector<std::uint8_t> bytes; // Size bytes decoded from the content
};

struct ProgramImage {
    std::vector<std::string> codeLines; // lines 2 to 4 as read
    std::string firmwareLine;           // line 8 as read
    std::vector<ProgramZone> zones;     // in file order
};

enum class ImageError {
    None,
    InvalidLine,  // a line does not fit the template
    Damaged,      // zone content short or not upper-case hexadecimal, or an incomplete zone
    TooManyZones, // more than 12 zones
};

// Walks the lines until "</UserApplication>". `trim` removes each line's surrounding white
// space first (the USB/BLE reading).
ImageError ParseProgramImage(const std::vector<std::string>& lines, bool trim, ProgramImage& out);

// The file's "<fw>" line against the target's software version ("V.II.RR"): compatible when
// the major numbers and the two-digit minor numbers are equal.
bool FirmwareCompatible(const std::string& firmwareLine, const std::string& targetVir);

// The file's product-code lines against the target's codes (base, expansion 1, expansion 2):
// a line holding an 8-character code must equal the next unmatched target code cut to 7
// characters + "X"; a line without one is accepted, except the base code line.
bool CodesCompatible(const std::vector<std::string>& codeLines,
                     const model::IdentitySummary& target);

} // namespace transfer
