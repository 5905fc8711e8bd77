// Writing a firmware package: the header lines, optional release notes and the Base64 binary
// of the image blocks, in the order the reader expects for the model.
#pragma once

#include <string>
#include <vector>

#include "firmware/FirmwarePackage.h"

namespace transfer::fw {

struct PackageContents {
    int modelIndex = 0;
    std::string code8;         // the product code named in the package
    std::string name;          // the model name
    std::string firmwareVir;   // "1.10.00"
    std::string releaseNotes;  // lines kept between <Release_Notes> and </Release_Notes>
    std::vector<Bytes> images; // in the order of BlocksOfLayout(LayoutOfModel(modelIndex))
};

// The block of one image: the 11-byte header (content offset 11, information bytes naming the
// image kind, length) followed by the content.
Bytes EncodeBlock(ImageKind kind, const Bytes& content);

// The package text; empty when the image count does not fit the model's layout.
std::string WritePackage(const PackageContents& contents);

} // namespace transfer::fw
