// Writing a firmware package.
#include "firmware/FirmwarePackageWriter.h"

namespace transfer::fw {

Bytes EncodeBlock(ImageKind kind, const Bytes& content) {
    const auto length = std::uint32_t(content.size());
    // Information bytes: the image kind, then zeros (the update does not read them).
    Bytes b = {0,
               std::uint8_t(kBlockHeaderSize),
               std::uint8_t(int(kind) + 1),
               0,
               0,
               0,
               0,
               std::uint8_t(length >> 24),
               std::uint8_t(length >> 16),
               std::uint8_t(length >> 8),
               std::uint8_t(length)};
    b.insert(b.end(), content.begin(), content.end());
    return b;
}

std::string WritePackage(const PackageContents& c) {
    const std::vector<ImageKind> kinds = BlocksOfLayout(LayoutOfModel(c.modelIndex));
    if (kinds.empty() || kinds.size() != c.images.size())
        return "";
    Bytes data;
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        const Bytes block = EncodeBlock(kinds[k], c.images[k]);
        data.insert(data.end(), block.begin(), block.end());
    }
    const TemplateEntry extension = LineTemplate(c.modelIndex)[8];
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Firmware>\r\n";
    text += "<RBZ9_VERSION>1</RBZ9_VERSION>\r\n";
    text += "<Gamme_produit>" + std::string(c.modelIndex >= 14 ? "Trel" : "T71") +
            "</Gamme_produit>\r\n";
    text += "<Code_8>" + c.code8 + "</Code_8>\r\n";
    text += "<Nom>" + c.name + "</Nom>\r\n";
    text += "<VIR_Firmware>" + c.firmwareVir + "</VIR_Firmware>\r\n";
    text += "<VIR_Soft_Base>" + c.firmwareVir + "</VIR_Soft_Base>\r\n";
    if (!extension.opening.empty())
        text += extension.opening + c.firmwareVir +
                (extension.closing.back() == '>' ? extension.closing : extension.closing + ">") +
                "\r\n";
    else
        text += "<VIR_Soft_CF></VIR_Soft_CF>\r\n";
    if (!c.releaseNotes.empty())
        text += "<Release_Notes>\r\n" + c.releaseNotes + "\r\n</Release_Notes>\r\n";
    text += "<Binary>" + EncodeBase64(data) + "</Binary></Firmware>\r\n";
    return text;
}

} // namespace transfer::fw
