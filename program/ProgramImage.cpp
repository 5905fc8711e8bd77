#include "program/ProgramImage.h"

#include <cstdlib>

namespace transfer {

namespace {

std::string Trimmed(const std::string& line) {
    const char* blank = " \t\r\n\v\f";
    const std::size_t first = line.find_first_not_of(blank);
    if (first == std::string::npos)
        return {};
    return line.substr(first, line.find_last_not_of(blank) - first + 1);
}

constexpr std::size_t kFirstCodeLine = 2, kLastCodeLine = 4, kFirmwareLine = 8;

} // namespace

ImageError ParseProgramImage(const std::vector<std::string>& lines, bool trim, ProgramImage& out) {
    out = ProgramImage{};
    std::size_t lineIndex = 0;
    bool insideZone = false;
    int element = 0;
    ProgramZone zone;
    for (const std::string& raw : lines) {
        const std::string line = trim ? Trimmed(raw) : raw;
        if (line == kEndOfFile)
            break;
        const std::size_t index = lineIndex;
        if (!ValidateLine(line, lineIndex))
            return ImageError::InvalidLine;
        if (index >= kFirstCodeLine && index <= kLastCodeLine && !insideZone)
            out.codeLines.push_back(line);
        if (index == kFirmwareLine && !insideZone)
            out.firmwareLine = line;
        if (insideZone) {
            if (line != "</Zone>") {
                ParseZoneElement(line, zone.record, element);
                continue;
            }
            insideZone = false;
            if (element != 7 || !zone.record.complete ||
                !DecodeContent(zone.record.content, zone.record.size, zone.bytes))
                return ImageError::Damaged;
            if (zone.record.address == 0x000B0000 &&
                zone.record.eraseContent.size() < std::size_t(zone.record.size) * 2)
                return ImageError::Damaged;
            if (out.zones.size() == kMaxZones)
                return ImageError::TooManyZones;
            out.zones.push_back(std::move(zone));
            continue;
        }
        if (line.find("<Zone>") != std::string::npos) {
            insideZone = true;
            element = 0;
            zone = ProgramZone{};
        }
    }
    // A zone still open at the end of the file was never closed.
    return insideZone ? ImageError::Damaged : ImageError::None;
}

bool FirmwareCompatible(const std::string& firmwareLine, const std::string& targetVir) {
    const std::size_t tag = firmwareLine.find('>');
    if (tag == std::string::npos)
        return false;
    const std::string file = firmwareLine.substr(tag + 1, 6);
    if (file.size() < 4 || targetVir.size() < 4)
        return false;
    // "1.03.07": the major number first, the minor number in characters 3 and 4.
    return std::atoi(file.c_str()) == std::atoi(targetVir.c_str()) &&
           std::atoi(file.substr(2, 2).c_str()) == std::atoi(targetVir.substr(2, 2).c_str());
}

bool CodesCompatible(const std::vector<std::string>& codeLines,
                     const model::IdentitySummary& target) {
    const std::string targetCodes[3] = {target.code8, target.xt1Code8, target.xt2Code8};
    std::size_t matched = 0;
    for (std::size_t i = 0; i < codeLines.size(); ++i) {
        const std::string& line = codeLines[i];
        const std::size_t open = line.find('>');
        const std::string after = open == std::string::npos ? "" : line.substr(open + 1);
        const bool hasCode = after.size() > 8 && after.compare(8, 2, "</") == 0;
        if (!hasCode) {
            if (i == 0)
                return false; // the base code must be present
            continue;
        }
        const std::string code = after.substr(0, 8);
        if (matched >= 3 || code != FileCode8(targetCodes[matched]) || targetCodes[matched].empty())
            return false;
        ++matched;
    }
    return true;
}

} // namespace transfer
