// Package folders, file-name rules and the version list of firmware packages.
#include "firmware/FirmwareFolders.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

namespace transfer::fw {

std::optional<PackageFolder> PackageFolderOfModel(int modelIndex) {
    switch (modelIndex) {
    case 0:
        return PackageFolder{"T71", "Larch", "_4"};
    case 2:
        return PackageFolder{"T71", "Spruce", "_4"};
    case 3:
        return PackageFolder{"T71", "Cedar", "_4"};
    case 7:
    case 8:
        return PackageFolder{"T71", "Alder", "_5"};
    case 9:
    case 10:
        return PackageFolder{"T71", "Rowan", "_5"};
    case 14:
    case 15:
    case 16:
        return PackageFolder{"Trel", "Hazel", "_7"};
    default:
        return std::nullopt;
    }
}

std::string PackageFolderPath(const std::string& binariesFolder, const PackageFolder& folder) {
    std::string path = binariesFolder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + folder.familyFolder + "/" + folder.modelName;
}

const char* LanguagePattern(int language) {
    static const char* const kPatterns[kLanguageCount] = {
        "_0---------", "_-1--------", "_--2-------", "_---3------", "_----4-----"};
    return language >= 0 && language < kLanguageCount ? kPatterns[language] : nullptr;
}

int LanguageFromCode(std::string_view code) {
    static const char* const kCodes[kLanguageCount] = {"fr", "en", "de", "es", "it"};
    for (int k = 0; k < kLanguageCount; ++k)
        if (code == kCodes[k])
            return k;
    return -1;
}

const char* LanguageName(int language) {
    static const char* const kNames[kLanguageCount] = {"French", "English", "German", "Spanish",
                                                       "Italian"};
    return language >= 0 && language < kLanguageCount ? kNames[language] : "";
}

namespace {

bool AllDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int ToInt(std::string_view s) {
    int n = 0;
    for (char c : s)
        n = n * 10 + (c - '0');
    return n;
}

// "_1_02_07" (8 characters) or "_1_2_07" (7): underscore-led groups of 1, 1-2 and 2 digits.
std::optional<PackageVersion> ParseVersionField(std::string_view field) {
    if (field.size() != 8 && field.size() != 7)
        return std::nullopt;
    const std::size_t iLen = field.size() == 8 ? 2 : 1;
    if (field[0] != '_' || field[2] != '_' || field[3 + iLen] != '_')
        return std::nullopt;
    std::string_view v = field.substr(1, 1), i = field.substr(3, iLen),
                     r = field.substr(4 + iLen, 2);
    if (!AllDigits(v) || !AllDigits(i) || !AllDigits(r))
        return std::nullopt;
    PackageVersion out{ToInt(v), ToInt(i), ToInt(r), std::string(v)};
    out.text += "." + std::string(i) + "." + std::string(r);
    return out;
}

bool EndsWithNoCase(std::string_view s, std::string_view end) {
    if (s.size() < end.size())
        return false;
    return std::equal(end.begin(), end.end(), s.end() - std::ptrdiff_t(end.size()),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

} // namespace

// The name is exactly: model name, version field, "_2", family marker, language pattern and
// the extension ".vqfw" (the only '.' of the name).
std::optional<PackageVersion> MatchPackageFileName(std::string_view name,
                                                   const PackageFolder& folder, int language) {
    const char* lang = LanguagePattern(language);
    if (lang == nullptr)
        return std::nullopt;
    const std::string_view model = folder.modelName;
    if (name.substr(0, model.size()) != model || !EndsWithNoCase(name, ".vqfw") ||
        name.find('.') != name.size() - 5)
        return std::nullopt;
    const std::string tail = std::string("_2") + folder.familyMarker + lang;
    const std::string_view stem = name.substr(0, name.size() - 5);
    if (stem.size() < model.size() + tail.size() || stem.substr(stem.size() - tail.size()) != tail)
        return std::nullopt;
    return ParseVersionField(stem.substr(model.size(), stem.size() - tail.size() - model.size()));
}

std::string PackageFileName(const PackageFolder& folder, int v, int i, int r, int language) {
    const char* lang = LanguagePattern(language);
    if (lang == nullptr || v < 0 || v > 9 || i < 0 || i > 99 || r < 0 || r > 99)
        return "";
    char version[16];
    std::snprintf(version, sizeof version, "_%d_%02d_%02d", v, i, r);
    return std::string(folder.modelName) + version + "_2" + folder.familyMarker + lang + ".vqfw";
}

std::optional<PackageVersion> ParseVersionText(std::string_view text) {
    PackageVersion out;
    int* parts[3] = {&out.v, &out.i, &out.r};
    std::size_t at = 0;
    for (int k = 0; k < 3; ++k) {
        const std::size_t dot = k < 2 ? text.find('.', at) : text.size();
        if (dot == std::string_view::npos)
            return std::nullopt;
        const std::string_view part = text.substr(at, dot - at);
        if (!AllDigits(part) || part.size() > 2)
            return std::nullopt;
        *parts[k] = ToInt(part);
        at = dot + 1;
    }
    out.text = std::string(text);
    return out;
}

namespace {
// Newest version first; equal versions by file name.
void SortNewestFirst(std::vector<PackageEntry>& entries) {
    std::sort(entries.begin(), entries.end(), [](const PackageEntry& a, const PackageEntry& b) {
        if (a.version.v != b.version.v)
            return a.version.v > b.version.v;
        if (a.version.i != b.version.i)
            return a.version.i > b.version.i;
        if (a.version.r != b.version.r)
            return a.version.r > b.version.r;
        return a.name < b.name;
    });
}
} // namespace

std::vector<PackageEntry> ListPackages(const std::string& packageFolder,
                                       const PackageFolder& folder, int language) {
    std::vector<PackageEntry> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(packageFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        const std::string name = it->path().filename().string();
        if (auto version = MatchPackageFileName(name, folder, language))
            found.push_back({*version, name, (it->path()).string()});
    }
    SortNewestFirst(found);
    return found;
}

std::vector<PackageEntry> ListPackages(const std::vector<std::string>& binariesFolders,
                                       const PackageFolder& folder, int language) {
    std::vector<PackageEntry> all;
    std::set<std::string> names;
    for (const std::string& binaries : binariesFolders)
        for (PackageEntry& e : ListPackages(PackageFolderPath(binaries, folder), folder, language))
            if (names.insert(e.name).second)
                all.push_back(std::move(e));
    SortNewestFirst(all);
    return all;
}

bool AnyPackageFolder(const std::vector<std::string>& binariesFolders,
                      const PackageFolder& folder) {
    std::error_code ec;
    for (const std::string& binaries : binariesFolders)
        if (std::filesystem::is_directory(PackageFolderPath(binaries, folder), ec))
            return true;
    return false;
}

std::string ModelDisplayName(long code8) {
    struct Row {
        long code8;
        const char* name;
    };
    static const Row kRows[] = {
        {61410001, "kz9 Larch 12 R"},      {61410002, "kz9 Larch 12 T"},
        {61410003, "kz9 Larch 20 R"},      {61410004, "kz9 Larch 20 T"},
        {61410011, "kz9 Birch GPRS R"},    {61410012, "kz9 Birch GPRS T"},
        {61410021, "kz9 Spruce GPRS R"},   {61410022, "kz9 Spruce GPRS T"},
        {61410031, "kz9 Cedar TCP/IP R"},  {61410032, "kz9 Cedar TCP/IP T"},
        {61410041, "kz9 Maple TCP/IP R"},  {61410042, "kz9 Maple TCP/IP T"},
        {61420001, "Pask Alder R"},        {61420002, "Pask Alder T"},
        {61420011, "Pask Rowan TCP/IP R"}, {61420012, "Pask Rowan TCP/IP T"},
        {61430001, "Trel Hazel 8"},        {61430002, "Trel Hazel 16"},
        {61430003, "Trel Hazel 24"},
    };
    for (const Row& row : kRows)
        if (row.code8 == code8)
            return row.name;
    return "Unknown device";
}

} // namespace transfer::fw
