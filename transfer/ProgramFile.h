// The program file (.vqap): fixed lines, one element per line, each ended by a line feed.
//
//   0  <?xml version='1.0' encoding='utf-8'?>
//   1  <UserApplication gamme_produit="Vellmor Device">
//   2-4    <Code_8>, <Code_8_ext1>, <Code_8_ext2>: code8 cut to 7 characters + "X", or empty
//   5-9    <vir_soft> <boot>..</boot> <btl>..</btl> <fw>..</fw> </vir_soft>   (base)
//   10-14  <vir_ext1> ... </vir_ext1>, 15-19 <vir_ext2> ... </vir_ext2>
//   20 <Programme>
//   per zone, nine lines: <Zone> <Name> <Size> <Adress> <Binaire> <Dest> <CMD_Effacement>
//      <Bin_Effacement> </Zone>   (Size and Adress "%08X", Binaire "%02X" per byte)
//   </Programme>
//   </UserApplication>
//
// Writing goes to a temporary file in the target folder, renamed on success, so a failed read
// never leaves a partial file. Reading validates every line against the line template and
// refuses damaged content before anything is written to a controller.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "model/CFctTabIdentite.h"
#include "platform/output_file.h"

namespace transfer {

constexpr const char* kEndOfFile = "</UserApplication>";
// At most this many lines are read (the line counter of the format is 8 bits).
constexpr std::size_t kMaxFileLines = 255;
constexpr std::size_t kZoneLineIndex = 21;

// ---- Writing.
class CBaseFile {
  public:
    CBaseFile() = default; // a file never committed leaves nothing behind
    CBaseFile(const CBaseFile&) = delete;
    CBaseFile& operator=(const CBaseFile&) = delete;

    // Opens the output file that becomes `path` at the commit.
    bool Create(const std::string& path);
    bool WriteHeader(const model::IdentitySummary& summary);
    bool BeginProgram();
    bool WriteZone(const std::string& name, const std::string& sizeText,
                   const std::string& addressText, const std::string& contentText,
                   const std::string& dest, const std::string& eraseAddressText,
                   const std::string& eraseContentText);
    bool EndProgram();
    // Closes the file and gives it its final name (an existing file is replaced).
    bool Commit();
    const std::string& Path() const { return file_.Path(); }
    // Why creating or writing the file failed (folder and cause).
    const std::string& Error() const { return file_.Error(); }

  private:
    bool Line(std::string_view text);
    bool Element(const char* tag, std::string_view value);

    platform::OutputFile file_;
    bool ok_ = true;
};

std::string Hex8(std::uint32_t value);                            // "%08X"
std::string HexBytes(const std::uint8_t* data, std::size_t size); // "%02X" per byte
// The code as the file holds it: first 7 characters + "X"; empty stays empty.
std::string FileCode8(const std::string& code8);

// The file name (without folder and extension) for a program file name of the configuration
// table (it begins with a backslash): made safe for the file system (no separator, control
// character or "..", never empty); "EmptyName_Hhh_Mmm_Sss_Ddd_MMM_Yyyyy" from `now` when
// nothing usable is left.
std::string ProgramFileBaseName(const std::string& programFileName, const std::tm& now);
// folder + "/" + name + ".vqap" (a trailing '/' of the folder is not doubled).
std::string ProgramFilePath(const std::string& folder, const std::string& baseName);

// ---- Reading.
struct ZoneRecord {
    std::string name;
    std::uint32_t size = 0;
    std::uint32_t address = 0;
    std::string content; // the 2 × size hex characters after <Binaire>
    bool base = false;
    std::uint32_t eraseAddress = 0;
    std::string eraseContent;
    bool complete = false; // the content was long enough and its tags in place
};

enum class ReadResult { Ok, CannotOpen, WrongFormat };
// Reads the file's lines, line ends removed. A file that cannot be opened, has more than 255
// lines or no "</UserApplication>" line is refused.
ReadResult ReadAllLines(const std::string& path, std::vector<std::string>& lines);

// Validates `line` against the line template at `lineIndex` (a "<Zone>" line restarts the
// zone template at 21), then advances the index. False when the line does not fit.
bool ValidateLine(const std::string& line, std::size_t& lineIndex);

// Fills element `elementIndex` (0 Name .. 6 Bin_Effacement) of `zone` from `line` and
// advances the index. Size, Adress and CMD_Effacement read any character other than '0'-'9',
// 'A'-'F' as the digit 0; Binaire (and the Metier zone's Bin_Effacement) take 2 × Size
// characters after the tag, and a shorter text leaves the zone incomplete.
void ParseZoneElement(const std::string& line, ZoneRecord& zone, int& elementIndex);

// The hex text read as the file format reads it (other characters count as 0).
std::uint32_t ParseHexField(std::string_view text);
// Decodes Size bytes of content. False when the text is short or holds a character that is
// not an upper-case hexadecimal digit (damaged content is never turned into other bytes).
bool DecodeContent(const std::string& content, std::uint32_t size, std::vector<std::uint8_t>& out);

} // namespace transfer
