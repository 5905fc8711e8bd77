// The program file: a kz9 read written byte for byte as the format says (golden), the file
// name rule made safe, and the validation cases of the reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "comm/SharedTexts.h"
#include "program/ProgramFile.h"
#include "program/ProgramImage.h"
#include "program/ProgramTransfers.h"
#include "tests/transfer/fake_controller.h"
#include "transfer/TransferMessages.h"

namespace {

using namespace transfer;
namespace fs = std::filesystem;

struct TempFolder {
    fs::path path;
    TempFolder() {
        path = fs::temp_directory_path() /
               ("vqap_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        fs::create_directories(path);
    }
    ~TempFolder() { fs::remove_all(path); }
    static inline int counter = 0;
};

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string UpperHex(const std::vector<std::uint8_t>& bytes, std::size_t n) {
    std::string out;
    char two[3];
    for (std::size_t k = 0; k < n; ++k) {
        std::snprintf(two, sizeof two, "%02X", bytes[k]);
        out += two;
    }
    return out;
}

// The file the read must produce, built line by line from the documented format.
std::string GoldenKz9(FakeControllerLink& link) {
    std::string f;
    auto line = [&f](const std::string& text) { f += text + "\n"; };
    line("<?xml version='1.0' encoding='utf-8'?>");
    line("<UserApplication gamme_produit=\"Vellmor Device\">");
    line("<Code_8>6141003X</Code_8>");
    line("<Code_8_ext1></Code_8_ext1>");
    line("<Code_8_ext2></Code_8_ext2>");
    line("<vir_soft>");
    line("<boot>2.00.00</boot>");
    line("<btl>3.00.00</btl>");
    line("<fw>1.09.03</fw>");
    line("</vir_soft>");
    for (const char* ext : {"vir_ext1", "vir_ext2"}) {
        line(std::string("<") + ext + ">");
        line("<boot>X.XX.XX</boot>");
        line("<btl>0.00.00</btl>");
        line("<fw>0.00.XX</fw>");
        line(std::string("</") + ext + ">");
    }
    line("<Programme>");
    struct Z {
        const char *name, *size, *addr, *dest, *cmd, *bin;
        std::uint32_t base, n;
    };
    const Z zones[] = {
        {"Init", "00005000", "00060000", "Base", "00007000", "0501", 0x60000, 0x5000},
        {"Prog", "0000A000", "00070000", "Base", "00007000", "0502", 0x70000, 0xA000},
        {"Param", "00004000", "00080000", "Base", "00007000", "0504", 0x80000, 0x4000},
        {"MetierSlot", "00001000", "00090000", "Base", "00007000", "0505", 0x90000, 0x1000},
        {"Metier", "00000220", "000B0000", "Base", "000B0000", nullptr, 0xB0000, 544},
        {"TabConf", "0000034F", "00040000", "Base", "00007000", "0503", 0x40000, 847},
        {"message", "00003E57", "4811E000", "CF", "47000002", "04", 0x4811E000, 15959},
        {"annuaire", "00000FA3", "48118000", "CF", "47000002", "04", 0x48118000, 4003},
        {"paramCF", "000001CE", "48119000", "CF", "47000002", "04", 0x48119000, 462},
        {"label", "00008622", "48123000", "CF", "47000002", "04", 0x48123000, 34338},
    };
    for (const Z& z : zones) {
        line("<Zone>");
        line(std::string("<Name>") + z.name + "</Name>");
        line(std::string("<Size>") + z.size + "</Size>");
        line(std::string("<Adress>") + z.addr + "</Adress>");
        line("<Binaire>" + UpperHex(link.memory[z.base], z.n) + "</Binaire>");
        line(std::string("<Dest>") + z.dest + "</Dest>");
        line(std::string("<CMD_Effacement>") + z.cmd + "</CMD_Effacement>");
        line("<Bin_Effacement>" + (z.bin ? std::string(z.bin) : std::string(1088, '0')) +
             "</Bin_Effacement>");
        line("</Zone>");
    }
    line("</Programme>");
    line("</UserApplication>");
    return f;
}

TEST(ProgramFile, Kz9ReadIsWrittenByteForByte) {
    FakeControllerLink link;
    LoadFakeController(link);
    TempFolder folder;
    CTransfertReadAppByUSB read(folder.path.string(), link, 0);
    read.Run();
    ASSERT_TRUE(read.IsFinished()) << read.LastAlertText();
    EXPECT_EQ(read.Percent(), 100);
    EXPECT_EQ(fs::path(read.FilePath()).filename(), "Line3.vqap");
    EXPECT_EQ(Slurp(read.FilePath()), GoldenKz9(link));
    // Nothing else is left in the folder (the temporary file was renamed).
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 1);
}

TEST(ProgramFile, AFailedReadLeavesNoFileBehind) {
    FakeControllerLink link;
    LoadFakeController(link);
    link.memory.erase(0x48123000); // the label area does not answer
    TempFolder folder;
    CTransfertReadAppByUSB read(folder.path.string(), link, 0);
    read.Run();
    EXPECT_TRUE(read.IsFailed());
    EXPECT_EQ(read.LastAlertText(), texts::kNotReacting);
    EXPECT_TRUE(fs::is_empty(folder.path));
}

TEST(ProgramFile, FileNamesAreMadeSafe) {
    std::tm t{};
    t.tm_hour = 14;
    t.tm_min = 3;
    t.tm_sec = 22;
    t.tm_mday = 6;
    t.tm_mon = 11;
    t.tm_year = 126;
    EXPECT_EQ(ProgramFileBaseName("\\Line3", t), "Line3");
    EXPECT_EQ(ProgramFileBaseName("", t), "EmptyName_H14_M03_S22_D06_M12_Y2026");
    // The rule of every name made from controller text: no hidden name, no "..", no
    // separator; the text's own characters kept.
    EXPECT_EQ(ProgramFileBaseName("\\..", t), "__");
    EXPECT_EQ(ProgramFileBaseName("\\../../etc/x\ty", t), "_._.__etc_x_y");
    EXPECT_EQ(ProgramFileBaseName("\\Pompe\xC3\xA9 N\xC2\xB0"
                                  "1.",
                                  t),
              "Pompe\xC3\xA9 N\xC2\xB0"
              "1_");
    EXPECT_EQ(ProgramFilePath("/data/", "Pump 2"), "/data/Pump 2.vqap");
    EXPECT_EQ(ProgramFilePath("/data", "Pump 2"), "/data/Pump 2.vqap");
}

// A small valid file: header of a kz9 then the given zone lines.
std::vector<std::string>
Header(const std::string& line1 = "<UserApplication gamme_produit=\"Vellmor Device\">") {
    return {"<?xml version='1.0' encoding='utf-8'?>",
            line1,
            "<Code_8>1234567X</Code_8>",
            "<Code_8_ext1></Code_8_ext1>",
            "<Code_8_ext2></Code_8_ext2>",
            "<vir_soft>",
            "<boot>2.00.00</boot>",
            "<btl>3.00.00</btl>",
            "<fw>1.03.07</fw>",
            "</vir_soft>",
            "<vir_ext1>",
            "<boot>X.XX.XX</boot>",
            "<btl>0.00.00</btl>",
            "<fw>0.00.XX</fw>",
            "</vir_ext1>",
            "<vir_ext2>",
            "<boot>X.XX.XX</boot>",
            "<btl>0.00.00</btl>",
            "<fw>0.00.XX</fw>",
            "</vir_ext2>",
            "<Programme>"};
}

void AddZone(std::vector<std::string>& lines, const std::string& size, const std::string& address,
             const std::string& content, const std::string& dest = "Base") {
    lines.insert(lines.end(),
                 {"<Zone>", "<Name>Param</Name>", "<Size>" + size + "</Size>",
                  "<Adress>" + address + "</Adress>", "<Binaire>" + content + "</Binaire>",
                  "<Dest>" + dest + "</Dest>", "<CMD_Effacement>00007000</CMD_Effacement>",
                  "<Bin_Effacement>0504</Bin_Effacement>", "</Zone>"});
}

void End(std::vector<std::string>& lines) {
    lines.push_back("</Programme>");
    lines.push_back("</UserApplication>");
}

TEST(ProgramFile, RepeatedZonesValidateAndDecode) {
    std::vector<std::string> lines = Header();
    for (int k = 0; k < 10; ++k)
        AddZone(lines, "00000002", "00080000", "A1F0");
    End(lines);
    ProgramImage image;
    ASSERT_EQ(ParseProgramImage(lines, true, image), ImageError::None);
    ASSERT_EQ(image.zones.size(), 10u);
    EXPECT_EQ(image.zones[9].bytes, (std::vector<std::uint8_t>{0xA1, 0xF0}));
    EXPECT_EQ(image.zones[9].record.address, 0x80000u);
    EXPECT_TRUE(image.zones[9].record.base);
    EXPECT_EQ(image.firmwareLine, "<fw>1.03.07</fw>");
    // Thirteen zones are more than a controller takes.
    std::vector<std::string> many = Header();
    for (int k = 0; k < 13; ++k)
        AddZone(many, "00000000", "00080000", "");
    End(many);
    EXPECT_EQ(ParseProgramImage(many, true, image), ImageError::TooManyZones);
}

TEST(ProgramFile, LowerCaseHexInSizeOrAdressReadsAsZero) {
    EXPECT_EQ(ParseHexField("0000a000"), 0u);
    EXPECT_EQ(ParseHexField("000A0b00"), 0xA0000u);
    std::vector<std::string> lines = Header();
    AddZone(lines, "0000000a", "0008000f", "");
    End(lines);
    ProgramImage image;
    ASSERT_EQ(ParseProgramImage(lines, true, image), ImageError::None);
    EXPECT_EQ(image.zones[0].record.size, 0u);
    EXPECT_EQ(image.zones[0].record.address, 0x80000u);
}

TEST(ProgramFile, RefusedFiles) {
    ProgramImage image;
    // Line 1 of another device family.
    std::vector<std::string> other = Header("<UserApplication gamme_produit=\"Other Device\">");
    End(other);
    EXPECT_EQ(ParseProgramImage(other, true, image), ImageError::InvalidLine);
    // Content shorter than 2 x Size.
    std::vector<std::string> shortContent = Header();
    AddZone(shortContent, "00000004", "00080000", "A1F0");
    End(shortContent);
    EXPECT_EQ(ParseProgramImage(shortContent, true, image), ImageError::Damaged);
    // Content holding characters that are not upper-case hexadecimal digits.
    for (const char* bad : {"a1f0", "A1G0", "A1 0"}) {
        std::vector<std::string> damaged = Header();
        AddZone(damaged, "00000002", "00080000", bad);
        End(damaged);
        EXPECT_EQ(ParseProgramImage(damaged, true, image), ImageError::Damaged) << bad;
    }
    // A line out of place.
    std::vector<std::string> misplaced = Header();
    misplaced.insert(misplaced.begin() + 5, "<Code_8>1</Code_8>");
    End(misplaced);
    EXPECT_EQ(ParseProgramImage(misplaced, true, image), ImageError::InvalidLine);
}

TEST(ProgramFile, ReaderRefusesUnendedOrOverlongFiles) {
    TempFolder folder;
    auto write = [&](const std::string& name, const std::vector<std::string>& lines) {
        std::ofstream out(folder.path / name, std::ios::binary);
        for (const std::string& l : lines)
            out << l << "\n";
        return (folder.path / name).string();
    };
    std::vector<std::string> lines = Header();
    AddZone(lines, "00000002", "00080000", "A1F0");
    lines.push_back("</Programme>");
    std::vector<std::string> read;
    EXPECT_EQ(ReadAllLines(write("noend.vqap", lines), read), ReadResult::WrongFormat);
    std::vector<std::string> longFile = Header();
    for (int k = 0; k < 30; ++k)
        AddZone(longFile, "00000000", "00080000", "");
    End(longFile);
    EXPECT_EQ(ReadAllLines(write("long.vqap", longFile), read), ReadResult::WrongFormat);
    End(lines);
    lines.erase(lines.end() - 2); // the </Programme> added twice
    EXPECT_EQ(ReadAllLines(write("ok.vqap", lines), read), ReadResult::Ok);
    EXPECT_EQ(read.back(), "</UserApplication>");
    EXPECT_EQ(ReadAllLines((folder.path / "missing.vqap").string(), read), ReadResult::CannotOpen);
}

TEST(ProgramFile, CompatibilityOfCodesAndFirmware) {
    model::IdentitySummary target;
    target.code8 = "12345678";
    EXPECT_TRUE(CodesCompatible(
        {"<Code_8>1234567X</Code_8>", "<Code_8_ext1></Code_8_ext1>", "<Code_8_ext2></Code_8_ext2>"},
        target));
    target.code8 = "12345670";
    EXPECT_TRUE(CodesCompatible({"<Code_8>1234567X</Code_8>"}, target));
    target.code8 = "12345600";
    EXPECT_FALSE(CodesCompatible({"<Code_8>1234567X</Code_8>"}, target));
    EXPECT_FALSE(CodesCompatible({"<Code_8></Code_8>"}, target)); // the base code is required
    EXPECT_TRUE(FirmwareCompatible("<fw>1.03.07</fw>", "1.03.10"));
    EXPECT_FALSE(FirmwareCompatible("<fw>1.03.07</fw>", "1.04.00"));
    EXPECT_FALSE(FirmwareCompatible("<fw>2.03.07</fw>", "1.03.07"));
}

} // namespace
