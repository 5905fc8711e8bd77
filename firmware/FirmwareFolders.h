// Where firmware packages are kept and how their file names read: the package folder of each
// model below the "Binaries" folder, the file-name rule (model name, version, "_2", family
// marker, language pattern, ".vqfw") and the list of versions found, newest first.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace transfer::fw {

// The package folder of a model: "<family folder>/<model name>" below the Binaries folder.
struct PackageFolder {
    const char* familyFolder; // "T71" or "Trel"
    const char* modelName;    // the model name used in file names, e.g. "Larch"
    const char* familyMarker; // "_4" kz9, "_5" Pask, "_7" Trel
};

// The folder of `modelIndex`; nullopt for a model that takes no firmware update.
std::optional<PackageFolder> PackageFolderOfModel(int modelIndex);
// binariesFolder (with or without a trailing '/') + "T71/Larch".
std::string PackageFolderPath(const std::string& binariesFolder, const PackageFolder& folder);

// Languages of the dialog's radio buttons, index 0 to 4.
constexpr int kLanguageCount = 5;
constexpr int kDefaultLanguage = 0; // French
// "_0---------" French, "_-1--------" English, "_--2-------" German, "_---3------" Spanish,
// "_----4-----" Italian; nullptr outside 0-4.
const char* LanguagePattern(int language);
// "fr", "en", "de", "es", "it" → 0-4; -1 for anything else.
int LanguageFromCode(std::string_view code);
const char* LanguageName(int language); // "French" … "Italian"

// A package version: three numbers and the text shown ("1.02.07").
struct PackageVersion {
    int v = 0, i = 0, r = 0;
    std::string text;
};

// The version of a package file name when it follows the rule for `folder` and `language`.
std::optional<PackageVersion> MatchPackageFileName(std::string_view name,
                                                   const PackageFolder& folder, int language);
// The file name a package of this folder, version and language is given; "" when the
// version does not fit the rule (V one digit, I one or two, R two).
std::string PackageFileName(const PackageFolder& folder, int v, int i, int r, int language);
// "1.02.07" → {1, 2, 7}; nullopt when it is not three dot-separated numbers.
std::optional<PackageVersion> ParseVersionText(std::string_view text);

struct PackageEntry {
    PackageVersion version;
    std::string name; // file name
    std::string path; // folder + "/" + name
};

// The packages of `folder` for `language`, newest first (equal versions by name).
std::vector<PackageEntry> ListPackages(const std::string& packageFolder,
                                       const PackageFolder& folder, int language);
// The packages of `folder` below each Binaries folder of `binariesFolders` (the user's own
// folder first, then the installation's), newest first. A file name found below an earlier
// folder hides the same name below a later one.
std::vector<PackageEntry> ListPackages(const std::vector<std::string>& binariesFolders,
                                       const PackageFolder& folder, int language);
// Whether the package folder of `folder` exists below any of `binariesFolders`.
bool AnyPackageFolder(const std::vector<std::string>& binariesFolders, const PackageFolder& folder);

// The name shown for a controller's code8; "Unknown device" for any other code.
std::string ModelDisplayName(long code8);

} // namespace transfer::fw
