// The firmware package (.vqfw): a text file of lines checked against a line template, whose
// last line carries Base64 text that decodes into a sequence of image blocks.
//
// Block layout (offsets from the block start):
//    0  2  content offset from the block start, big-endian
//    2  5  information bytes (not used by the update)
//    7  4  content length, big-endian
// The next block starts 11 + length bytes after this one; the content sits at start + offset.
//
// A package is read whole, checked whole and its blocks extracted before the controller is
// touched: a damaged or foreign package never gets as far as an erase.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace transfer::fw {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kBlockHeaderSize = 11;
constexpr std::uint32_t kMaxImageSize = 1000000;
constexpr std::size_t kBase64Chunk = 1024;
// Lines a package may hold: the line counter of the format is 8 bits.
constexpr std::size_t kMaxPackageLines = 255;

// Images of a package and where each goes in the controller.
enum class ImageKind {
    kBaseFirmware,
    kBaseBootloader,
    kTransitionFirmware,
    kBoardFirmware,
    kBoardBootloader,
    kTrelPart1,
    kTrelPart2,
};

std::uint32_t ImageAddress(ImageKind kind);
const char* ImageKindName(ImageKind kind);

// How a model's package is built: no update, base images only, base and daughter board, or
// the Trel two-part firmware.
enum class PackageLayout { kNone, kBaseOnly, kWithDaughterBoard, kTrel };
PackageLayout LayoutOfModel(int modelIndex);
// The blocks of a layout, in package order; empty for kNone.
std::vector<ImageKind> BlocksOfLayout(PackageLayout layout);

struct Block {
    ImageKind kind;
    std::array<std::uint8_t, kBlockHeaderSize> header{};
    Bytes content;
};

// One entry of the line template: the line must contain `opening` and, when `closing` is
// not empty, `closing` too. An entry with an empty opening accepts any line.
struct TemplateEntry {
    std::string opening;
    std::string closing;
};
std::vector<TemplateEntry> LineTemplate(int modelIndex);

// Header values of a package (checked for presence by the template; kept for listing and
// for the check that the package is made for the connected model).
struct PackageHeader {
    std::string rbz9Version, productRange, code8, name, firmwareVir, baseVir, extensionVir;
};

// The outcome of reading a package.
enum class PackageError {
    kNone,
    kUnreadable,    // the file cannot be opened or read
    kWrongFormat,   // a line does not fit the template, or the package is cut short
    kBadBinary,     // the Base64 text does not decode
    kBadBlocks,     // the blocks do not fit the model's layout or overrun the data
    kImageTooLarge, // a block content over kMaxImageSize
    kWrongModel,    // the package names another controller model
    kNoUpdate,      // the model takes no firmware update
};

struct FirmwarePackage {
    PackageError error = PackageError::kNone;
    std::string detail; // a plain description of what is wrong, for logs and the CLI
    PackageHeader header;
    std::vector<Block> blocks;
    bool ok() const { return error == PackageError::kNone; }
    // The block of `kind`, or null.
    const Block* Find(ImageKind kind) const;
};

// Splits text into lines (LF or CR LF).
std::vector<std::string> SplitLines(std::string_view text);
// The text between the first `open` and the next `close` on `line` (empty when absent).
std::string TextBetween(std::string_view line, std::string_view open, std::string_view close);

// Validates `lines` against the template of `modelIndex` and returns the concatenated Base64
// text of the binary line; an empty optional when a line does not fit (`detail` says which).
std::optional<std::string> ValidateLines(const std::vector<std::string>& lines, int modelIndex,
                                         PackageHeader& header, std::string& detail);

// Standard Base64, decoded 1024 characters at a time; nullopt on a character outside the
// alphabet, a misplaced padding or a length that is not a multiple of 4.
std::optional<Bytes> DecodeBase64(std::string_view text);
std::string EncodeBase64(const Bytes& data);

// Splits decoded bytes into the blocks of `layout`.
PackageError ExtractBlocks(const Bytes& data, PackageLayout layout, std::vector<Block>& blocks,
                           std::string& detail);

// Reads, checks and extracts a package for a controller of `modelIndex`. The package's
// Code_8, when it names a known model, must name one that shares the controller's package
// folder.
FirmwarePackage ReadFirmwarePackage(const std::vector<std::string>& lines, int modelIndex);
FirmwarePackage ReadFirmwarePackageFile(const std::string& path, int modelIndex);
// The lines of a package file; nullopt when it cannot be opened or read.
std::optional<std::vector<std::string>> ReadPackageLines(const std::string& path);

} // namespace transfer::fw
