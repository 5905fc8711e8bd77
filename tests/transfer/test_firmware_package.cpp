// Reading firmware packages: the line template and its skipped blocks, the Base64 binary and
// the image blocks, and the refusals that keep a controller untouched.
#include <gtest/gtest.h>

#include "transfer/CTransfertWriteFWByETH.h"
#include "transfer/FirmwarePackage.h"
#include "transfer/FirmwarePackageWriter.h"

namespace {

using namespace transfer::fw;

Bytes Pattern(std::size_t n, std::uint8_t seed) {
    Bytes b(n);
    for (std::size_t k = 0; k < n; ++k)
        b[k] = std::uint8_t(k * 13 + seed);
    return b;
}

PackageContents Larch() {
    return PackageContents{0,         "61410001", "Larch",
                           "1.10.00", "",         {Pattern(3000, 1), Pattern(700, 2)}};
}

std::vector<std::string> Lines(const PackageContents& c) {
    return SplitLines(WritePackage(c));
}

// The line index of the first line containing `text`.
std::size_t LineOf(const std::vector<std::string>& lines, const std::string& text) {
    for (std::size_t k = 0; k < lines.size(); ++k)
        if (lines[k].find(text) != std::string::npos)
            return k;
    ADD_FAILURE() << "no line holds " << text;
    return 0;
}

// A package made by hand from the format's tables, not by the package writer, so that a
// misreading shared by the reader and the writer cannot pass: CR LF lines, surrounding white
// space, a comment and release notes to skip, the Base64 text split across two elements in
// the middle of a quantum, and two blocks with their 11-byte headers.
TEST(FirmwarePackage, AHandMadePackageReadsAsItsTablesSay) {
    const FirmwarePackage p =
        ReadFirmwarePackageFile(QUORVEL_FIRMWARE_GOLDEN "/larch_by_hand.vqfw", 0);
    ASSERT_TRUE(p.ok()) << p.detail;
    EXPECT_EQ(p.header.rbz9Version, "3.2");
    EXPECT_EQ(p.header.code8, "61410001");
    EXPECT_EQ(p.header.name, "Larch");
    EXPECT_EQ(p.header.firmwareVir, "1.10.04");
    ASSERT_EQ(p.blocks.size(), 2u);
    EXPECT_EQ(p.blocks[0].kind, ImageKind::kBaseFirmware);
    EXPECT_EQ(p.blocks[0].content, Bytes({'F', 'W', '-', '1', '.', '0'}));
    EXPECT_EQ(p.blocks[0].header, (std::array<std::uint8_t, kBlockHeaderSize>{
                                      0x00, 0x0B, 0x01, 0x02, 0x03, 0x04, 0x05, 0, 0, 0, 6}));
    EXPECT_EQ(p.blocks[1].kind, ImageKind::kBaseBootloader);
    EXPECT_EQ(p.blocks[1].content, Bytes({'B', 'T', 'L', '1'}));
    EXPECT_EQ(p.blocks[1].header[2], 0xAA);
}

TEST(FirmwarePackage, WrittenPackagesReadBackForEveryLayout) {
    struct Case {
        int model;
        const char* code8;
        std::size_t images;
    } cases[] = {{0, "61410001", 2}, {3, "61410031", 5}, {8, "61420002", 2}, {14, "61430001", 2}};
    for (const Case& c : cases) {
        PackageContents contents{c.model, c.code8, "X", "1.02.03", "", {}};
        for (std::size_t k = 0; k < c.images; ++k)
            contents.images.push_back(Pattern(1000 + 517 * k, std::uint8_t(k)));
        const FirmwarePackage pkg = ReadFirmwarePackage(Lines(contents), c.model);
        ASSERT_TRUE(pkg.ok()) << c.model << ": " << pkg.detail;
        const auto kinds = BlocksOfLayout(LayoutOfModel(c.model));
        ASSERT_EQ(pkg.blocks.size(), c.images);
        for (std::size_t k = 0; k < c.images; ++k) {
            EXPECT_EQ(pkg.blocks[k].kind, kinds[k]);
            EXPECT_EQ(pkg.blocks[k].content, contents.images[k]);
        }
        EXPECT_EQ(pkg.header.code8, c.code8);
        EXPECT_EQ(pkg.header.firmwareVir, "1.02.03");
    }
    EXPECT_EQ(ImageAddress(ImageKind::kBaseBootloader), 0x08110000u);
    EXPECT_EQ(ImageAddress(ImageKind::kTrelPart2), 0x08200000u);
    EXPECT_EQ(ImageAddress(ImageKind::kBoardFirmware), 0x48018000u);
}

TEST(FirmwarePackage, ReleaseNotesAndCommentsWithTagLikeTextAreSkipped) {
    auto lines = Lines(Larch());
    const std::size_t nom = LineOf(lines, "<Nom>");
    // Tag-like text in the notes and in comments, before and between template lines, with
    // blank lines and surrounding white space.
    const std::vector<std::string> inserted = {
        "  <Release_Notes>  ",
        "<Nom>not a name</Nom> <Binary>AAAA</Binary></Firmware>",
        "<VIR_Firmware>9.99.99</VIR_Firmware>",
        "</Release_Notes>",
        "",
        "<!-- a comment <Code_8>12345678</Code_8>",
        "   <Firmware> -->",
        "\t<!-- one-line comment </Nom> -->  ",
    };
    lines.insert(lines.begin() + std::ptrdiff_t(nom), inserted.begin(), inserted.end());
    lines.insert(lines.begin() + 1, "<Release_Notes>short</Release_Notes>");
    const FirmwarePackage pkg = ReadFirmwarePackage(lines, 0);
    ASSERT_TRUE(pkg.ok()) << pkg.detail;
    EXPECT_EQ(pkg.header.name, "Larch");
    EXPECT_EQ(pkg.header.firmwareVir, "1.10.00");
    EXPECT_EQ(pkg.blocks[0].content, Larch().images[0]);

    // A comment on the line of the expected entry is the entry itself.
    auto withComment = Lines(Larch());
    withComment[LineOf(withComment, "<Nom>")] = "<Nom>Larch</Nom> <!-- model name -->";
    EXPECT_TRUE(ReadFirmwarePackage(withComment, 0).ok());
}

TEST(FirmwarePackage, LinesThatDoNotFitTheTemplateAreRefused) {
    auto missingClose = Lines(Larch());
    missingClose[LineOf(missingClose, "<Nom>")] = "<Nom>Larch";
    FirmwarePackage pkg = ReadFirmwarePackage(missingClose, 0);
    EXPECT_EQ(pkg.error, PackageError::kWrongFormat);
    EXPECT_NE(pkg.detail.find("</Nom>"), std::string::npos) << pkg.detail;

    // Entries out of order, a package cut short, an unclosed release-notes block.
    auto swapped = Lines(Larch());
    std::swap(swapped[LineOf(swapped, "<Nom>")], swapped[LineOf(swapped, "<Code_8>")]);
    EXPECT_EQ(ReadFirmwarePackage(swapped, 0).error, PackageError::kWrongFormat);
    auto cut = Lines(Larch());
    cut.resize(LineOf(cut, "<Binary>"));
    EXPECT_EQ(ReadFirmwarePackage(cut, 0).error, PackageError::kWrongFormat);
    auto unclosed = Lines(Larch());
    unclosed.insert(unclosed.begin() + 3, "<Release_Notes> notes without end");
    EXPECT_EQ(ReadFirmwarePackage(unclosed, 0).error, PackageError::kWrongFormat);

    // Entry 8 depends on the model: a Trel package (VIR_Soft_Efr) does not fit a kz9 template.
    PackageContents trel{14, "61430001", "Hazel", "1.02.00", "", {Pattern(100, 1), Pattern(90, 2)}};
    EXPECT_EQ(ReadFirmwarePackage(Lines(trel), 3).error, PackageError::kWrongFormat);

    // More lines than the 8-bit line counter holds.
    auto longer = Lines(Larch());
    longer.insert(longer.begin() + 2, 250, "");
    EXPECT_EQ(ReadFirmwarePackage(longer, 0).error, PackageError::kWrongFormat);
}

TEST(FirmwarePackage, Base64IsDecodedInChunksAndBadTextRefused) {
    for (std::size_t n : {0u, 1u, 2u, 3u, 767u, 768u, 769u, 5000u}) {
        const Bytes data = Pattern(n, 9);
        const std::string text = EncodeBase64(data);
        EXPECT_EQ(DecodeBase64(text), data) << n;
    }
    EXPECT_EQ(DecodeBase64("TWFu"), (Bytes{'M', 'a', 'n'}));
    EXPECT_EQ(DecodeBase64("TWE="), (Bytes{'M', 'a'}));
    EXPECT_FALSE(DecodeBase64("TW=u")); // padding inside a quantum
    EXPECT_FALSE(DecodeBase64("TWFu!A=="));
    EXPECT_FALSE(DecodeBase64("TWF")); // not a multiple of 4
    // Padding inside the data (not at a chunk end) is refused.
    EXPECT_FALSE(DecodeBase64("TWE=TWFu"));

    auto lines = Lines(Larch());
    std::string& binary = lines[LineOf(lines, "<Binary>")];
    binary[binary.find("<Binary>") + 20] = '*';
    EXPECT_EQ(ReadFirmwarePackage(lines, 0).error, PackageError::kBadBinary);
}

TEST(FirmwarePackage, TwoBinaryElementsAreConcatenated) {
    auto lines = Lines(Larch());
    std::string& line = lines[LineOf(lines, "<Binary>")];
    const std::string text = TextBetween(line, "<Binary>", "</Binary>");
    const std::size_t cut = 2048; // a chunk boundary
    line = "<Binary>" + text.substr(0, cut) + "</Binary><Binary>" + text.substr(cut) +
           "</Binary></Firmware>";
    const FirmwarePackage pkg = ReadFirmwarePackage(lines, 0);
    ASSERT_TRUE(pkg.ok()) << pkg.detail;
    EXPECT_EQ(pkg.blocks[1].content, Larch().images[1]);
}

TEST(FirmwarePackage, BlocksMustFitTheModelAndStayInBounds) {
    std::vector<Block> blocks;
    std::string detail;
    // A block announcing more than 1,000,000 bytes.
    Bytes data = EncodeBlock(ImageKind::kBaseFirmware, Pattern(16, 1));
    data[7] = 0x00, data[8] = 0x0F, data[9] = 0x42, data[10] = 0x41; // 1,000,001
    EXPECT_EQ(ExtractBlocks(data, PackageLayout::kBaseOnly, blocks, detail),
              PackageError::kImageTooLarge);
    // A block of exactly 1,000,000 bytes is taken.
    Bytes big = EncodeBlock(ImageKind::kBaseFirmware, Bytes(kMaxImageSize, 7));
    const Bytes second = EncodeBlock(ImageKind::kBaseBootloader, Pattern(64, 3));
    big.insert(big.end(), second.begin(), second.end());
    EXPECT_EQ(ExtractBlocks(big, PackageLayout::kBaseOnly, blocks, detail), PackageError::kNone);
    EXPECT_EQ(blocks[0].content.size(), kMaxImageSize);

    // A length past the data, a missing block, bytes after the last block.
    Bytes overrun = EncodeBlock(ImageKind::kBaseFirmware, Pattern(100, 1));
    overrun[10] = 200;
    EXPECT_EQ(ExtractBlocks(overrun, PackageLayout::kBaseOnly, blocks, detail),
              PackageError::kBadBlocks);
    EXPECT_EQ(ExtractBlocks(EncodeBlock(ImageKind::kBaseFirmware, Pattern(100, 1)),
                            PackageLayout::kBaseOnly, blocks, detail),
              PackageError::kBadBlocks);
    Bytes extra = big;
    extra.push_back(0);
    EXPECT_EQ(ExtractBlocks(extra, PackageLayout::kBaseOnly, blocks, detail),
              PackageError::kBadBlocks);
    // A content offset pointing inside the header.
    Bytes inside = big;
    inside[1] = 5;
    EXPECT_EQ(ExtractBlocks(inside, PackageLayout::kBaseOnly, blocks, detail),
              PackageError::kBadBlocks);
}

TEST(FirmwarePackage, EthernetBlocksAreLeastSignificantByteFirstWithAnIntegrityWord) {
    Block block{
        ImageKind::kBaseFirmware, {0, 11, 1, 2, 3, 4, 5, 0, 0, 0, 8}, {1, 2, 3, 4, 9, 9, 9, 9}};
    // Content sum before the word: 1 + 2 + 3 + 4 = 10; its two's complement is 0xFFFFFFF6.
    EXPECT_EQ(transfer::EthernetBlock(block),
              (Bytes{11, 0, 1, 2, 3, 4, 5, 8, 0, 0, 0, 1, 2, 3, 4, 0xF6, 0xFF, 0xFF, 0xFF}));
    // The word makes the content sum to zero modulo 2^32 whatever the bytes.
    block.content = Pattern(5000, 77);
    block.header[9] = 0x13, block.header[10] = 0x88;
    const Bytes eth = transfer::EthernetBlock(block);
    ASSERT_EQ(eth.size(), 11u + 5000u);
    std::uint32_t sum = 0;
    for (std::size_t k = 11; k < eth.size() - 4; ++k)
        sum += eth[k];
    const std::uint32_t word =
        std::uint32_t(eth[eth.size() - 4]) | std::uint32_t(eth[eth.size() - 3]) << 8 |
        std::uint32_t(eth[eth.size() - 2]) << 16 | std::uint32_t(eth[eth.size() - 1]) << 24;
    EXPECT_EQ(sum + word, 0u);
    EXPECT_EQ(eth[7], 0x88);
    EXPECT_EQ(eth[8], 0x13);
}

TEST(FirmwarePackage, PackagesForAnotherModelAreRefused) {
    // A daughter-board package given to a base-only controller: five blocks, not two.
    PackageContents cedar{3, "", "Cedar", "1.10.00", "", {}};
    for (int k = 0; k < 5; ++k)
        cedar.images.push_back(Pattern(200, std::uint8_t(k)));
    EXPECT_EQ(ReadFirmwarePackage(Lines(cedar), 0).error, PackageError::kBadBlocks);
    // A base-only package naming a Pask product, given to a kz9 Larch.
    PackageContents alder = Larch();
    alder.code8 = "61420001";
    EXPECT_EQ(ReadFirmwarePackage(Lines(alder), 0).error, PackageError::kWrongModel);
    // Both codes of one package folder fit.
    EXPECT_TRUE(ReadFirmwarePackage(Lines(alder), 8).ok());
    // A model without firmware updates.
    EXPECT_EQ(ReadFirmwarePackage(Lines(Larch()), 1).error, PackageError::kNoUpdate);
    EXPECT_EQ(ReadFirmwarePackageFile("/nonexistent/x.vqfw", 0).error, PackageError::kUnreadable);
}

} // namespace
