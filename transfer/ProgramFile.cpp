#include "transfer/ProgramFile.h"

#include <array>
#include <cstring>
#include <fstream>

#include "model/FileNameText.h"

namespace transfer {

namespace {

struct TemplateEntry {
    const char* open;
    const char* close;
    bool sameLine;
};

// Lines 0 to 20, the nine zone lines (21 to 29), then the two closing lines.
constexpr std::array<TemplateEntry, 32> kTemplate = {{
    {"<?xml version='1.0' encoding='utf-8'?>", "", false},
    {"<UserApplication gamme_produit=", "", false},
    {"<Code_8>", "</Code_8>", true},
    {"<Code_8_ext1>", "</Code_8_ext1>", true},
    {"<Code_8_ext2>", "</Code_8_ext2>", true},
    {"<vir_soft>", "</vir_soft>", false},
    {"<boot>", "</boot>", true},
    {"<btl>", "</btl>", true},
    {"<fw>", "</fw>", true},
    {"</vir_soft>", "", false},
    {"<vir_ext1>", "</vir_ext1>", false},
    {"<boot>", "</boot>", true},
    {"<btl>", "</btl>", true},
    {"<fw>", "</fw>", true},
    {"</vir_ext1>", "", false},
    {"<vir_ext2>", "</vir_ext2>", false},
    {"<boot>", "</boot>", true},
    {"<btl>", "</btl>", true},
    {"<fw>", "</fw>", true},
    {"</vir_ext2>", "", false},
    {"<Programme>", "</Programme>", false},
    {"<Zone>", "</Zone>", false},
    {"<Name>", "</Name>", true},
    {"<Size>", "</Size>", true},
    {"<Adress>", "</Adress>", true},
    {"<Binaire>", "</Binaire>", true},
    {"<Dest>", "</Dest>", true},
    {"<CMD_Effacement>", "</CMD_Effacement>", true},
    {"<Bin_Effacement>", "</Bin_Effacement>", true},
    {"</Zone>", "", false},
    {"</Programme>", "", false},
    {"</UserApplication>", "", false},
}};

// The zone elements in their order, with their tags.
constexpr std::array<const char*, 7> kZoneTags = {
    "Name", "Size", "Adress", "Binaire", "Dest", "CMD_Effacement", "Bin_Effacement"};

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    return c <= '9' ? c - '0' : c - 'A' + 10;
}

// The text between <tag> at the start of the line and </tag>; nothing when either is missing.
bool Between(const std::string& line, const std::string& tag, std::string& out) {
    const std::string open = "<" + tag + ">", close = "</" + tag + ">";
    if (line.compare(0, open.size(), open) != 0)
        return false;
    const std::size_t end = line.find(close, open.size());
    if (end == std::string::npos)
        return false;
    out = line.substr(open.size(), end - open.size());
    return true;
}

// The `count` characters after <tag> at the start of the line; false when shorter.
bool Fixed(const std::string& line, const std::string& tag, std::size_t count, std::string& out) {
    const std::string open = "<" + tag + ">";
    if (line.compare(0, open.size(), open) != 0 || line.size() < open.size() + count)
        return false;
    out = line.substr(open.size(), count);
    return true;
}

} // namespace

// ------------------------------------------------------------------ writing

bool CBaseFile::Create(const std::string& path) {
    ok_ = file_.Open(path);
    return ok_;
}

bool CBaseFile::Line(std::string_view text) {
    if (ok_)
        ok_ = file_.Write(text) && file_.Write("\n");
    return ok_;
}

bool CBaseFile::Element(const char* tag, std::string_view value) {
    std::string line = std::string("<") + tag + ">";
    line.append(value);
    line += std::string("</") + tag + ">";
    return Line(line);
}

bool CBaseFile::WriteHeader(const model::IdentitySummary& s) {
    Line("<?xml version='1.0' encoding='utf-8'?>");
    Line("<UserApplication gamme_produit=\"Vellmor Device\">");
    Element("Code_8", FileCode8(s.code8));
    Element("Code_8_ext1", FileCode8(s.xt1Code8));
    Element("Code_8_ext2", FileCode8(s.xt2Code8));
    const std::array<std::array<const std::string*, 3>, 3> versions = {{
        {&s.boot, &s.bootloader, &s.software},
        {&s.xt1Boot, &s.xt1Bootloader, &s.xt1Software},
        {&s.xt2Boot, &s.xt2Bootloader, &s.xt2Software},
    }};
    const char* const groups[3] = {"vir_soft", "vir_ext1", "vir_ext2"};
    for (int g = 0; g < 3; ++g) {
        Line(std::string("<") + groups[g] + ">");
        Element("boot", *versions[g][0]);
        Element("btl", *versions[g][1]);
        Element("fw", *versions[g][2]);
        Line(std::string("</") + groups[g] + ">");
    }
    return ok_;
}

bool CBaseFile::BeginProgram() {
    return Line("<Programme>");
}

bool CBaseFile::WriteZone(const std::string& name, const std::string& sizeText,
                          const std::string& addressText, const std::string& contentText,
                          const std::string& dest, const std::string& eraseAddressText,
                          const std::string& eraseContentText) {
    Line("<Zone>");
    Element("Name", name);
    Element("Size", sizeText);
    Element("Adress", addressText);
    Element("Binaire", contentText);
    Element("Dest", dest);
    Element("CMD_Effacement", eraseAddressText);
    Element("Bin_Effacement", eraseContentText);
    return Line("</Zone>");
}

bool CBaseFile::EndProgram() {
    Line("</Programme>");
    return Line(kEndOfFile);
}

bool CBaseFile::Commit() {
    if (!ok_) {
        file_.Discard();
        return false;
    }
    ok_ = file_.Commit();
    return ok_;
}

std::string Hex8(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

std::string HexBytes(const std::uint8_t* data, std::size_t size) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(size * 2, '0');
    for (std::size_t i = 0; i < size; ++i) {
        text[2 * i] = kDigits[data[i] >> 4];
        text[2 * i + 1] = kDigits[data[i] & 0x0F];
    }
    return text;
}

std::string FileCode8(const std::string& code8) {
    if (code8.empty())
        return {};
    return code8.substr(0, 7) + "X";
}

std::string ProgramFileBaseName(const std::string& programFileName, const std::tm& now) {
    // The stored path's own backslash before the name is no part of it.
    std::string_view stored = programFileName;
    while (!stored.empty() && stored.front() == '\\')
        stored.remove_prefix(1);
    const std::string name = model::FileNameFromText(stored);
    if (!name.empty())
        return name;
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "EmptyName_H%02d_M%02d_S%02d_D%02d_M%02d_Y%04d", now.tm_hour,
                  now.tm_min, now.tm_sec, now.tm_mday, now.tm_mon + 1, now.tm_year + 1900);
    return stamp;
}

std::string ProgramFilePath(const std::string& folder, const std::string& baseName) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + baseName + ".vqap";
}

// ------------------------------------------------------------------ reading

ReadResult ReadAllLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ReadResult::CannotOpen;
    bool ended = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (lines.size() == kMaxFileLines)
            return ReadResult::WrongFormat;
        if (line == kEndOfFile)
            ended = true;
        lines.push_back(std::move(line));
    }
    return ended ? ReadResult::Ok : ReadResult::WrongFormat;
}

bool ValidateLine(const std::string& line, std::size_t& lineIndex) {
    const std::size_t index = lineIndex++;
    if (index == 0)
        return true;
    if (index == 1)
        return line.find("<UserApplication gamme_produit=") != std::string::npos &&
               line.find("Vellmor Device") != std::string::npos;
    std::size_t at = index;
    if (line.find("<Zone>") != std::string::npos) {
        at = kZoneLineIndex;
        lineIndex = kZoneLineIndex + 1;
    }
    if (at >= kTemplate.size())
        return false;
    const TemplateEntry& entry = kTemplate[at];
    if (line.find(entry.open) == std::string::npos)
        return false;
    return !entry.sameLine || line.find(entry.close) != std::string::npos;
}

std::uint32_t ParseHexField(std::string_view text) {
    std::uint32_t value = 0;
    for (char c : text)
        value = value * 16 + std::uint32_t(IsUpperHex(c) ? HexValue(c) : 0);
    return value;
}

void ParseZoneElement(const std::string& line, ZoneRecord& zone, int& elementIndex) {
    const int element = elementIndex++;
    if (element < 0 || element >= int(kZoneTags.size())) {
        zone.complete = false;
        return;
    }
    const std::string tag = kZoneTags[std::size_t(element)];
    std::string text;
    bool ok = true;
    switch (element) {
    case 0:
        ok = Between(line, tag, zone.name);
        zone.complete = ok;
        return;
    case 1:
        ok = Between(line, tag, text);
        zone.size = ParseHexField(text);
        break;
    case 2:
        ok = Between(line, tag, text);
        zone.address = ParseHexField(text);
        break;
    case 3:
        ok = Fixed(line, tag, std::size_t(zone.size) * 2, zone.content);
        break;
    case 4:
        ok = Between(line, tag, text);
        zone.base = text == "Base";
        break;
    case 5:
        ok = Between(line, tag, text);
        zone.eraseAddress = ParseHexField(text);
        break;
    case 6:
        ok = zone.address == 0x000B0000
                 ? Fixed(line, tag, std::size_t(zone.size) * 2, zone.eraseContent)
                 : Between(line, tag, zone.eraseContent);
        break;
    }
    if (!ok)
        zone.complete = false;
}

bool DecodeContent(const std::string& content, std::uint32_t size, std::vector<std::uint8_t>& out) {
    if (content.size() < std::size_t(size) * 2)
        return false;
    out.assign(size, 0);
    for (std::uint32_t i = 0; i < size; ++i) {
        const char hi = content[2 * i], lo = content[2 * i + 1];
        if (!IsUpperHex(hi) || !IsUpperHex(lo))
            return false;
        out[i] = std::uint8_t(HexValue(hi) << 4 | HexValue(lo));
    }
    return true;
}

} // namespace transfer
