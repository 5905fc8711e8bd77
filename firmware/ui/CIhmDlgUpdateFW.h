// "Update Firmware" (template 203): identifies the controller, lists the packages of its
// model for the chosen language, newest first, and on "Update" runs the firmware transfer of
// the current link behind the progress dialog; after a successful update it reconnects to the
// controller by itself and closes, so that the live panel comes back with the new version.
// Its logic is transfer::UpdateFwLogic.
#pragma once

#include <QDialog>

#include <string>

#include "comm/ControllerLink.h"
#include "firmware/UpdateFwLogic.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QGroupBox;

class CIhmDlgUpdateFW : public QDialog {
    Q_OBJECT
  public:
    // `binariesFolder`: where the package folders are; the program folder's "Binaries" folder
    // by default.
    explicit CIhmDlgUpdateFW(QWidget* parent = nullptr,
                             comm::IControllerLink& reader = comm::ComClientLink(),
                             std::string binariesFolder = "");
    // Identifies the controller, builds the list and runs the dialog through the modal seam.
    int DoModal();
    const transfer::UpdateFwLogic& Logic() const { return logic_; }
    // "Keep a copy of the controller's program first" (checked, remembered with the program
    // dialog's).
    void SetKeep(bool keep);

  private:
    void Show();
    void OnLanguage(int language);
    void OnChecks();
    void OnUpdate();

    comm::IControllerLink& reader_;
    transfer::UpdateFwLogic logic_;
    QRadioButton* languages_[5];
    QCheckBox* controller_;
    QCheckBox* keep_;
    QLabel* name_;
    QListWidget* versions_;
    QGroupBox* expansions_[2];
    QLabel* statusIcon_;
    QLabel* statusText_;
    QPushButton* update_;
};

// Registers the dialog for the command menu's "Update Firmware" entry (command 3); the access
// check's "update the firmware first" path opens it through FindMenuDialog too.
void RegisterUpdateFirmwareDialog();
