#include "firmware/UpdateFwLogic.h"

#include <array>
#include <filesystem>

#include "comm/SharedTexts.h"
#include "model/ModelTable.h"

namespace transfer {

namespace {
constexpr const char* kNotAvailable =
    "The firmware update is not available for this kind of device.";
constexpr const char* kNoFolder =
    "Unable to find the corresponding firmware folder in your setup directory.";
constexpr const char* kNoFile =
    "Unable to find a corresponding firmware file in your setup directory.";
constexpr const char* kSelectOne = "Select at least one choice to make an update.";
} // namespace

UpdateFwLogic::UpdateFwLogic(std::vector<std::string> binariesFolders)
    : binaries_(std::move(binariesFolders)) {}

void UpdateFwLogic::Start(comm::IControllerLink& reader) {
    view_ = {};
    std::array<char, model::kCode8Size + 1> code8{};
    std::array<char, model::kCode8Size> raw{};
    if (model::ReadBootCode8(raw, reader) != 0) {
        identified_ = false;
        view_.language = fw::kDefaultLanguage;
        view_.controlsEnabled = view_.languagesEnabled = view_.updateEnabled = false;
        Status(FwStatusIcon::Error, texts::kNotReactingOneLine);
        return;
    }
    std::copy(raw.begin(), raw.end(), code8.begin());
    const long value = model::ParseCode8(code8.data());
    model_ = model::ModelFromCode8Any(value);
    view_.displayName = fw::ModelDisplayName(value);
    identified_ = true;
    ChooseLanguage(fw::kDefaultLanguage);
}

void UpdateFwLogic::ChooseLanguage(int language) {
    if (!identified_ || fw::LanguagePattern(language) == nullptr)
        return;
    view_.language = language;
    BuildList();
}

void UpdateFwLogic::BuildList() {
    view_.controlsEnabled = view_.languagesEnabled = view_.updateEnabled = true;
    view_.versions.clear();
    entries_.clear();
    view_.statusIcon = FwStatusIcon::Information;
    view_.statusVisible = false;
    const auto folder = fw::PackageFolderOfModel(model_);
    if (!folder) {
        Status(FwStatusIcon::Warning, kNotAvailable);
        view_.updateEnabled = false;
        return;
    }
    if (!fw::AnyPackageFolder(binaries_, *folder)) {
        Status(FwStatusIcon::Error, kNoFolder);
        view_.controlsEnabled = view_.updateEnabled = false;
        return;
    }
    entries_ = fw::ListPackages(binaries_, *folder, view_.language);
    if (entries_.empty()) {
        Status(FwStatusIcon::Error, kNoFile);
        view_.controlsEnabled = view_.updateEnabled = false;
        return;
    }
    for (const fw::PackageEntry& e : entries_)
        view_.versions.push_back(e.version.text);
    SetChecks(view_.controllerChecked, false);
}

void UpdateFwLogic::SetChecks(bool controller, bool expansion1) {
    view_.controllerChecked = controller;
    if (!controller && !expansion1) {
        Status(FwStatusIcon::Warning, kSelectOne);
        view_.updateEnabled = false;
        return;
    }
    view_.statusVisible = false;
    view_.updateEnabled = !entries_.empty();
}

void UpdateFwLogic::Status(FwStatusIcon icon, const char* text) {
    view_.statusIcon = icon;
    view_.statusText = text;
    view_.statusVisible = true;
}

std::string UpdateFwLogic::ChosenPath(int selectedIndex) const {
    if (selectedIndex < 0 || std::size_t(selectedIndex) >= entries_.size())
        return "";
    return entries_[std::size_t(selectedIndex)].path;
}

std::string UpdateFwLogic::FileNames() const {
    std::string names;
    for (const fw::PackageEntry& e : entries_)
        names += (names.empty() ? "" : ";") + e.name;
    return names;
}

} // namespace transfer
