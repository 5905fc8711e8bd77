// "Read datalogs": the datalog dialog. On opening it reads the controller's identity, family,
// datalog configuration and label (transfer/DatalogSetup) and proposes one file per logged
// range: edits 1073, 1072, 1071 for ranges 1-8, 9-16, 17-24 (shown, not editable; 17-24 on
// kz9 only) and the target folder in edit 1069 ("Select folder" 1070). "Read" (1145) checks
// the model, the datalog size and the run state, then runs the transfer of the controller's
// memory behind the progress dialog. After a read that wrote files, "Show chart" opens their
// charts; otherwise the dialog closes. "Return" (2) closes it.
#pragma once

#include <QDialog>

#include "comm/ControllerLink.h"
#include "datalog/DatalogFiles.h"
#include "datalog/DatalogSetup.h"

class QLabel;
class QLineEdit;
class QPushButton;

class CIhmDlgDatalog : public QDialog {
  public:
    // Control ids of the dialog template; "Show chart" is ours.
    enum : int {
        kOutputRange = 1039,
        kRange1Label = 1040,
        kRange2Label = 1041,
        kRange3Label = 1042,
        kTargetGroup = 1038,
        kSelectFolder = 1070,
        kRead = 1145,
        kShowChart = 1146,
        kReturn = 2,
        kFolderEdit = 1069,
        kRange1Edit = 1073,
        kRange2Edit = 1072,
        kRange3Edit = 1071,
    };

    explicit CIhmDlgDatalog(QWidget* parent = nullptr,
                            comm::IControllerLink& link = comm::ComClientLink());

    // Opens (reading the controller), then runs modally; returns at once when the controller
    // has no embedded datalogs.
    int DoModal();

    const transfer::DatalogOutcomes& Outcomes() const { return outcomes_; }
    // The target folder to propose instead of the default one.
    void SetFolder(const std::string& folder) { presetFolder_ = folder; }
    // Whether nothing is left to save: a read wrote every file it should, or the controller
    // has no embedded datalogs.
    bool Saved() const { return saved_; }

  private:
    void Fill();
    void UpdateReadEnabled();
    void OnSelectFolder();
    void OnRead();
    void OnShowChart();

    comm::IControllerLink& link_;
    transfer::DatalogDialogState state_;
    transfer::DatalogOutcomes outcomes_{};
    std::string presetFolder_;
    bool saved_ = false;
    bool readDone_ = false; // a read wrote files since the dialog was opened
    QLineEdit* folder_;
    QLineEdit* files_[3];
    QLabel* rangeLabels_[3];
    QPushButton* read_;
    QPushButton* showChart_;
};

// Registers the dialog for the command menu's "Read datalogs", and installs it as the datalog
// saver the program write calls when the user wants the datalogs read before they are erased
// (the write goes on only when the dialog saved them).
void RegisterDatalogDialog();
