// The program dialog (template 171, "Read/Write program from/to the controller"): radio
// buttons 1035 "Read program from the controller" and 1036 "Write program to the
// controller", prompt 1034, path edit 1037, browse 1022, action 1068 and "Return" (2). Read
// mode takes a folder, write mode a .vqap file; the action runs the application password
// prompt when the program is protected, then the read or the write behind the progress
// dialog. Its checks live in transfer/ProgramChecks.
#pragma once

#include <QDialog>

#include <string>

#include "comm/ControllerLink.h"
#include "transfer/ui/UiThreadTransferUi.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CIhmDlgProg : public QDialog {
    Q_OBJECT
  public:
    explicit CIhmDlgProg(QWidget* parent = nullptr,
                         comm::IControllerLink& link = comm::ComClientLink());

    int DoModal();
    int Mode() const { return mode_; }
    const std::string& Path() const { return path_; }

    // What the controls do, as the user drives them (also for tests and scripts).
    void SetReadMode();
    void SetWriteMode();
    // "Compare the controller's program with a file": a .vqap file, compared zone by zone.
    void SetCompareMode();
    // "Keep a copy of the controller's program first" (write mode; checked, remembered).
    void SetKeep(bool keep);
    bool Keep() const;
    // The last comparison shown ("identical", or the differing zones).
    const std::string& ComparisonShown() const { return comparison_; }
    void Browse();
    void SetPathText(const std::string& text);
    void Action();

  private:
    void OnEdited();
    void RunRead();
    void RunWrite();
    void RunCompare();
    void SetFileMode(int mode, const char* action);

    comm::IControllerLink& link_;
    UiThreadTransferUi ui_;
    int mode_ = -1;
    std::string defaultFolder_;
    std::string path_;
    std::string comparison_;
    QRadioButton* read_;
    QRadioButton* write_;
    QRadioButton* compare_;
    QCheckBox* keep_;
    QLabel* prompt_;
    QLineEdit* edit_;
    QPushButton* browse_;
    QPushButton* action_;
};

// Registers the program dialog as the command menu's entry 4.
void RegisterProgramDialog();
