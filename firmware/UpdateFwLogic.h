// What the firmware dialog shows and allows, without Qt: the controller identified from its
// code8, the package folder of its model, the versions found for the chosen language (newest
// first), the status line and which controls are enabled.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "comm/ControllerLink.h"
#include "firmware/FirmwareFolders.h"

namespace transfer {

enum class FwStatusIcon { Information, Warning, Error };

struct UpdateFwView {
    std::string displayName = "Type of controller";
    int language = fw::kDefaultLanguage;
    std::vector<std::string> versions; // as listed, newest first
    bool statusVisible = false;
    std::string statusText;
    FwStatusIcon statusIcon = FwStatusIcon::Information;
    bool controlsEnabled = true;  // the controller group and its list
    bool languagesEnabled = true; // the language radio buttons
    bool updateEnabled = true;
    bool controllerChecked = true;
};

class UpdateFwLogic {
  public:
    // `binariesFolders`: where the package folders are looked for, in turn (the user's own
    // "Binaries" folder, then the installation's).
    explicit UpdateFwLogic(std::vector<std::string> binariesFolders);
    explicit UpdateFwLogic(std::string binariesFolder)
        : UpdateFwLogic(std::vector<std::string>{std::move(binariesFolder)}) {}

    // Reads the base code8 and builds the list in French.
    void Start(comm::IControllerLink& reader);
    // A language radio button (0 to 4): the list again.
    void ChooseLanguage(int language);
    // The "Controller" and "Expansion 1" check boxes.
    void SetChecks(bool controller, bool expansion1);

    const UpdateFwView& View() const { return view_; }
    int ModelIndex() const { return model_; }
    // The package chosen by the list's selected index; empty when none.
    std::string ChosenPath(int selectedIndex) const;
    // The found file names joined with ";".
    std::string FileNames() const;

  private:
    void BuildList();
    void Status(FwStatusIcon icon, const char* text);

    std::vector<std::string> binaries_;
    UpdateFwView view_;
    int model_ = 255;
    bool identified_ = false;
    std::vector<fw::PackageEntry> entries_;
};

} // namespace transfer
