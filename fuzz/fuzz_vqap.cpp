// Program files (.vqap) as a technician hands them to the program write: read from a file,
// every line checked, the zones parsed and decoded, the codes and firmware compared.
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "fuzz/scratch_file.h"
#include "program/ProgramFile.h"
#include "program/ProgramImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const bool trim = (in.U8() & 1) != 0;
    static const fuzz::ScratchFile file("vqap");
    if (!file.Write(in.Rest(), in.Left()))
        return 0;
    std::vector<std::string> lines;
    if (transfer::ReadAllLines(file.Path(), lines) != transfer::ReadResult::Ok)
        return 0;
    if (lines.size() > transfer::kMaxFileLines)
        std::abort();
    transfer::ProgramImage image;
    if (transfer::ParseProgramImage(lines, trim, image) != transfer::ImageError::None)
        return 0;
    if (image.zones.size() > transfer::kMaxZones)
        std::abort();
    for (const transfer::ProgramZone& zone : image.zones) {
        // Only whole, decoded zones are ever written to a controller.
        if (zone.bytes.size() != zone.record.size || !zone.record.complete)
            std::abort();
    }
    model::IdentitySummary target;
    target.code8 = "61410031";
    transfer::CodesCompatible(image.codeLines, target);
    transfer::FirmwareCompatible(image.firmwareLine, "2.03.01");
    return 0;
}
