// Reading a firmware package: the line template, the skipped blocks, the Base64 binary and
// its image blocks.
#include "firmware/FirmwarePackage.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "firmware/FirmwareFolders.h"
#include "model/ModelTable.h"

namespace transfer::fw {

std::uint32_t ImageAddress(ImageKind kind) {
    switch (kind) {
    case ImageKind::kBaseFirmware:
    case ImageKind::kTransitionFirmware:
    case ImageKind::kTrelPart1:
        return 0x08000000;
    case ImageKind::kBaseBootloader:
        return 0x08110000;
    case ImageKind::kTrelPart2:
        return 0x08200000;
    case ImageKind::kBoardBootloader:
        return 0x48000000;
    case ImageKind::kBoardFirmware:
        return 0x48018000;
    }
    return 0;
}

const char* ImageKindName(ImageKind kind) {
    switch (kind) {
    case ImageKind::kBaseFirmware:
        return "base firmware";
    case ImageKind::kBaseBootloader:
        return "base bootloader";
    case ImageKind::kTransitionFirmware:
        return "transition firmware";
    case ImageKind::kBoardFirmware:
        return "daughter-board firmware";
    case ImageKind::kBoardBootloader:
        return "daughter-board bootloader";
    case ImageKind::kTrelPart1:
        return "firmware part 1";
    case ImageKind::kTrelPart2:
        return "firmware part 2";
    }
    return "";
}

PackageLayout LayoutOfModel(int modelIndex) {
    switch (modelIndex) {
    case 0:
    case 7:
    case 8:
        return PackageLayout::kBaseOnly;
    case 2:
    case 3:
    case 9:
    case 10:
        return PackageLayout::kWithDaughterBoard;
    case 14:
    case 15:
    case 16:
        return PackageLayout::kTrel;
    default:
        return PackageLayout::kNone;
    }
}

std::vector<ImageKind> BlocksOfLayout(PackageLayout layout) {
    using K = ImageKind;
    switch (layout) {
    case PackageLayout::kBaseOnly:
        return {K::kBaseFirmware, K::kBaseBootloader};
    case PackageLayout::kWithDaughterBoard:
        return {K::kTransitionFirmware, K::kBoardFirmware, K::kBaseFirmware, K::kBaseBootloader,
                K::kBoardBootloader};
    case PackageLayout::kTrel:
        return {K::kTrelPart1, K::kTrelPart2};
    case PackageLayout::kNone:
        break;
    }
    return {};
}

const Block* FirmwarePackage::Find(ImageKind kind) const {
    for (const Block& b : blocks)
        if (b.kind == kind)
            return &b;
    return nullptr;
}

std::vector<TemplateEntry> LineTemplate(int modelIndex) {
    std::vector<TemplateEntry> t = {
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?>", ""},
        {"<Firmware>", ""},
        {"<RBZ9_VERSION>", "</RBZ9_VERSION>"},
        {"<Gamme_produit>", "</Gamme_produit>"},
        {"<Code_8>", "</Code_8>"},
        {"<Nom>", "</Nom>"},
        {"<VIR_Firmware>", "</VIR_Firmware>"},
        {"<VIR_Soft_Base>", "</VIR_Soft_Base>"},
        {"", ""},
        {"<Binary>", "</Firmware>"},
    };
    if ((modelIndex >= 0 && modelIndex <= 4) || (modelIndex >= 7 && modelIndex <= 10)) {
        if (modelIndex != 1)
            t[8] = {"<VIR_Soft_CF>", "</VIR_Soft_CF>"};
    } else if (modelIndex >= 14 && modelIndex <= 16) {
        t[8] = {"<VIR_Soft_Efr>", "</VIR_Soft_Efr"};
    }
    return t;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line(text.substr(at, end - at));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        at = end + 1;
    }
    return lines;
}

std::string TextBetween(std::string_view line, std::string_view open, std::string_view close) {
    const std::size_t from = line.find(open);
    if (from == std::string_view::npos)
        return "";
    const std::size_t start = from + open.size();
    const std::size_t end = line.find(close, start);
    return end == std::string_view::npos ? "" : std::string(line.substr(start, end - start));
}

namespace {

std::string_view Trim(std::string_view s) {
    const char* ws = " \t\r\n\f\v";
    const std::size_t first = s.find_first_not_of(ws);
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(ws) - first + 1);
}

bool Contains(std::string_view line, std::string_view part) {
    return line.find(part) != std::string_view::npos;
}

bool Fits(std::string_view line, const TemplateEntry& entry) {
    return Contains(line, entry.opening) &&
           (entry.closing.empty() || Contains(line, entry.closing));
}

void KeepHeaderValue(std::size_t entry, std::string_view line, const TemplateEntry& t,
                     PackageHeader& header) {
    std::string* fields[] = {nullptr,
                             nullptr,
                             &header.rbz9Version,
                             &header.productRange,
                             &header.code8,
                             &header.name,
                             &header.firmwareVir,
                             &header.baseVir,
                             &header.extensionVir};
    if (entry < 2 || entry > 8 || t.opening.empty())
        return;
    *fields[entry] = TextBetween(line, t.opening, t.closing);
}

// The texts of the first two <Binary> elements of the last line, concatenated.
std::optional<std::string> BinaryText(std::string_view line) {
    std::string text;
    std::size_t at = 0;
    int elements = 0;
    while (elements < 2) {
        const std::size_t open = line.find("<Binary>", at);
        if (open == std::string_view::npos)
            break;
        const std::size_t start = open + 8;
        const std::size_t close = line.find("</Binary>", start);
        if (close == std::string_view::npos)
            return std::nullopt;
        text.append(line.substr(start, close - start));
        at = close + 9;
        ++elements;
    }
    if (elements == 0)
        return std::nullopt;
    return text;
}

} // namespace

std::optional<std::string> ValidateLines(const std::vector<std::string>& lines, int modelIndex,
                                         PackageHeader& header, std::string& detail) {
    if (lines.size() > kMaxPackageLines) {
        detail = "more than " + std::to_string(kMaxPackageLines) + " lines";
        return std::nullopt;
    }
    const std::vector<TemplateEntry> entries = LineTemplate(modelIndex);
    std::size_t index = 0;
    const char* skipUntil = nullptr; // the end text of the block being skipped
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string_view line = Trim(lines[n]);
        if (line.empty())
            continue;
        if (skipUntil != nullptr) {
            if (Contains(line, skipUntil))
                skipUntil = nullptr;
            continue;
        }
        if (Contains(line, "<Release_Notes>")) {
            if (!Contains(line, "</Release_Notes>"))
                skipUntil = "</Release_Notes>";
            continue;
        }
        const TemplateEntry& expected = entries[index];
        if (Contains(line, "<!--") && !Fits(line, expected)) {
            if (!Contains(line.substr(line.find("<!--") + 4), "-->"))
                skipUntil = "-->";
            continue;
        }
        if (!Fits(line, expected)) {
            detail = "line " + std::to_string(n + 1) + " does not hold the expected \"" +
                     (expected.opening.empty() ? std::string("value") : expected.opening) + "\"" +
                     (expected.closing.empty() ? "" : " … \"" + expected.closing + "\"");
            return std::nullopt;
        }
        KeepHeaderValue(index, line, expected, header);
        if (++index == entries.size()) {
            auto text = BinaryText(line);
            if (!text)
                detail = "line " + std::to_string(n + 1) + " holds no complete <Binary> element";
            return text;
        }
    }
    detail = "the package ends before \"" + entries[index].opening + "\"";
    return std::nullopt;
}

namespace {

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// One chunk: a multiple of 4 characters, padding only in its last quantum.
bool DecodeChunk(std::string_view chunk, Bytes& out) {
    if (chunk.size() % 4 != 0)
        return false;
    for (std::size_t q = 0; q < chunk.size(); q += 4) {
        const bool last = q + 4 == chunk.size();
        int v[4];
        int pad = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = chunk[q + std::size_t(k)];
            if (c == '=' && last && k >= 2) {
                ++pad;
                v[k] = 0;
                continue;
            }
            if (pad > 0 || (v[k] = Base64Value(c)) < 0)
                return false;
        }
        const std::uint32_t n = std::uint32_t(v[0]) << 18 | std::uint32_t(v[1]) << 12 |
                                std::uint32_t(v[2]) << 6 | std::uint32_t(v[3]);
        out.push_back(std::uint8_t(n >> 16));
        if (pad < 2)
            out.push_back(std::uint8_t(n >> 8));
        if (pad < 1)
            out.push_back(std::uint8_t(n));
    }
    return true;
}

} // namespace

std::optional<Bytes> DecodeBase64(std::string_view text) {
    Bytes out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t at = 0; at < text.size(); at += kBase64Chunk)
        if (!DecodeChunk(text.substr(at, kBase64Chunk), out))
            return std::nullopt;
    return out;
}

std::string EncodeBase64(const Bytes& data) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    for (std::size_t at = 0; at < data.size(); at += 3) {
        const std::size_t n = std::min<std::size_t>(3, data.size() - at);
        std::uint32_t v = std::uint32_t(data[at]) << 16;
        if (n > 1)
            v |= std::uint32_t(data[at + 1]) << 8;
        if (n > 2)
            v |= data[at + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += n > 1 ? kAlphabet[(v >> 6) & 63] : '=';
        out += n > 2 ? kAlphabet[v & 63] : '=';
    }
    return out;
}

PackageError ExtractBlocks(const Bytes& data, PackageLayout layout, std::vector<Block>& blocks,
                           std::string& detail) {
    blocks.clear();
    std::size_t start = 0;
    for (ImageKind kind : BlocksOfLayout(layout)) {
        const std::string which = ImageKindName(kind);
        if (data.size() - start < kBlockHeaderSize) {
            detail = "the " + which + " block is missing";
            return PackageError::kBadBlocks;
        }
        Block b{kind, {}, {}};
        std::copy(data.begin() + std::ptrdiff_t(start),
                  data.begin() + std::ptrdiff_t(start + kBlockHeaderSize), b.header.begin());
        const std::size_t offset = std::size_t(b.header[0]) << 8 | b.header[1];
        const std::uint32_t length = std::uint32_t(b.header[7]) << 24 |
                                     std::uint32_t(b.header[8]) << 16 |
                                     std::uint32_t(b.header[9]) << 8 | b.header[10];
        if (length > kMaxImageSize) {
            detail = "the " + which + " holds " + std::to_string(length) + " bytes, more than " +
                     std::to_string(kMaxImageSize);
            return PackageError::kImageTooLarge;
        }
        // At least the 4 bytes an integrity word replaces over Ethernet.
        if (length < 4 || offset < kBlockHeaderSize || start + offset + length > data.size() ||
            start + kBlockHeaderSize + length > data.size()) {
            detail = "the " + which + " block overruns the package data or is empty";
            return PackageError::kBadBlocks;
        }
        b.content.assign(data.begin() + std::ptrdiff_t(start + offset),
                         data.begin() + std::ptrdiff_t(start + offset + length));
        blocks.push_back(std::move(b));
        start += kBlockHeaderSize + length;
    }
    if (start != data.size()) {
        detail = std::to_string(data.size() - start) + " bytes follow the last block";
        return PackageError::kBadBlocks;
    }
    return PackageError::kNone;
}

FirmwarePackage ReadFirmwarePackage(const std::vector<std::string>& lines, int modelIndex) {
    FirmwarePackage pkg;
    const PackageLayout layout = LayoutOfModel(modelIndex);
    auto text = ValidateLines(lines, modelIndex, pkg.header, pkg.detail);
    if (!text) {
        pkg.error = PackageError::kWrongFormat;
        return pkg;
    }
    if (layout == PackageLayout::kNone) {
        pkg.error = PackageError::kNoUpdate;
        pkg.detail = "model " + std::to_string(modelIndex) + " takes no firmware update";
        return pkg;
    }
    // A package that names a known product of another package folder is not for this one.
    const int packageModel = model::ModelFromCode8Any(model::ParseCode8(pkg.header.code8.c_str()));
    const auto own = PackageFolderOfModel(modelIndex);
    const auto theirs = PackageFolderOfModel(packageModel);
    if (packageModel != model::kUnknownModel &&
        (!theirs || std::string_view(theirs->modelName) != own->modelName)) {
        pkg.error = PackageError::kWrongModel;
        pkg.detail =
            "the package is made for code8 " + pkg.header.code8 + ", not for a " + own->modelName;
        return pkg;
    }
    auto data = DecodeBase64(*text);
    if (!data) {
        pkg.error = PackageError::kBadBinary;
        pkg.detail = "the binary is not valid Base64";
        return pkg;
    }
    pkg.error = ExtractBlocks(*data, layout, pkg.blocks, pkg.detail);
    return pkg;
}

std::optional<std::vector<std::string>> ReadPackageLines(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf(); // an empty file reads as no lines
    if (in.bad())
        return std::nullopt;
    return SplitLines(text.str());
}

FirmwarePackage ReadFirmwarePackageFile(const std::string& path, int modelIndex) {
    auto lines = ReadPackageLines(path);
    if (!lines) {
        FirmwarePackage pkg;
        pkg.error = PackageError::kUnreadable;
        pkg.detail = "cannot read " + path;
        return pkg;
    }
    return ReadFirmwarePackage(*lines, modelIndex);
}

} // namespace transfer::fw
