// Firmware packages (.vqfw) as the update reads them: from a file, lines checked against
// the model's template, the Base64 text decoded and split into image blocks.
#include <cstdlib>
#include <string>

#include "firmware/FirmwarePackage.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace transfer::fw;
    fuzz::Input in(data, size);
    const int modelIndex = in.U8() % 20;
    static const fuzz::ScratchFile file("vqfw");
    if (!file.Write(in.Rest(), in.Left()))
        return 0;
    const FirmwarePackage package = ReadFirmwarePackageFile(file.Path(), modelIndex);
    if (package.ok()) {
        const std::vector<ImageKind> expected = BlocksOfLayout(LayoutOfModel(modelIndex));
        if (package.blocks.size() != expected.size())
            std::abort();
        for (const Block& block : package.blocks) {
            if (block.content.size() > kMaxImageSize)
                std::abort();
        }
    }
    // Base64 of any text: what decodes encodes into text that decodes to the same bytes
    // (unused low bits of a last group may differ, as other decoders allow too).
    const std::string text(reinterpret_cast<const char*>(in.Rest()), in.Left());
    if (auto bytes = DecodeBase64(text)) {
        if (DecodeBase64(EncodeBase64(*bytes)) != bytes)
            std::abort();
    }
    return 0;
}
