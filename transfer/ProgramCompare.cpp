#include "transfer/ProgramCompare.h"

#include <algorithm>

namespace transfer {

namespace {

bool SameZone(const ProgramZone& x, const ProgramZone& y) {
    return x.record.name == y.record.name && x.record.address == y.record.address;
}

ZoneDifference Difference(const ProgramZone& zone, const std::vector<std::uint8_t>& other) {
    const std::vector<std::uint8_t>& bytes = zone.bytes;
    ZoneDifference d{zone.record.name, zone.record.address, 0, 0};
    const std::size_t common = std::min(bytes.size(), other.size());
    bool found = false;
    for (std::size_t i = 0; i < common; ++i) {
        if (bytes[i] == other[i])
            continue;
        if (!found)
            d.firstOffset = i;
        found = true;
        ++d.differingBytes;
    }
    if (bytes.size() != other.size()) {
        if (!found)
            d.firstOffset = common;
        d.differingBytes += std::max(bytes.size(), other.size()) - common;
    }
    return d;
}

} // namespace

bool LoadProgramImage(const std::string& path, ProgramImage& image, std::string& error) {
    std::vector<std::string> lines;
    switch (ReadAllLines(path, lines)) {
    case ReadResult::CannotOpen:
        error = "Cannot read " + path + ".";
        return false;
    case ReadResult::WrongFormat:
        error = path + " is not a program file.";
        return false;
    case ReadResult::Ok:
        break;
    }
    if (ParseProgramImage(lines, true, image) != ImageError::None) {
        error = path + " is damaged.";
        return false;
    }
    return true;
}

std::vector<ZoneDifference> CompareProgramImages(const ProgramImage& a, const ProgramImage& b) {
    std::vector<ZoneDifference> differences;
    const std::vector<std::uint8_t> none;
    for (const ProgramZone& zone : a.zones) {
        auto match = std::find_if(b.zones.begin(), b.zones.end(),
                                  [&](const ProgramZone& z) { return SameZone(zone, z); });
        ZoneDifference d = Difference(zone, match == b.zones.end() ? none : match->bytes);
        if (d.differingBytes > 0 || (match == b.zones.end()))
            differences.push_back(d);
    }
    for (const ProgramZone& zone : b.zones) {
        if (std::none_of(a.zones.begin(), a.zones.end(),
                         [&](const ProgramZone& z) { return SameZone(zone, z); }))
            differences.push_back(Difference(zone, none));
    }
    return differences;
}

std::string ComparisonText(const std::vector<ZoneDifference>& differences) {
    if (differences.empty())
        return "identical\n";
    std::string text;
    for (const ZoneDifference& d : differences)
        text += d.name + " at 0x" + Hex8(d.address) + ": " + std::to_string(d.differingBytes) +
                " bytes differ, the first at offset " + std::to_string(d.firstOffset) + "\n";
    return text;
}

} // namespace transfer
