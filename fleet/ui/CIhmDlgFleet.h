// The fleet window: the controllers of `fleet list` in a table, and the fleet actions on the
// rows chosen (all rows when none is): "Refresh", "Backup...", "Set clocks", "Update
// firmware..." and "Write program...". Each action shows its plan and asks first, then a
// progress column per row, and the summary at the end. The jobs are those of fleet/, each
// child quorvel-cli run through QProcess. A controller double-clicked becomes the program's
// link, as in the Ethernet dialog.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fleet/FleetJobs.h"

class QLabel;
class QProcess;
class QPushButton;
class QTableWidget;

class CIhmDlgFleet : public QDialog {
    Q_OBJECT
  public:
    // `program`: the quorvel-cli the children run.
    CIhmDlgFleet(std::vector<fleet::Target> targets, std::string program,
                 QWidget* parent = nullptr);
    ~CIhmDlgFleet() override;

    void Refresh();
    void Backup(const std::string& folder);
    void SetClocks();
    void UpdateFirmware(const std::string& package);
    void WriteProgram(const std::string& file);
    // Makes the controller of `row` the program's link and closes the window with OK.
    void UseRow(int row);

    bool Busy() const { return !jobs_.empty(); }
    QTableWidget* Table() const { return table_; }
    // The summary of the last action that ended ("3 done, 1 failed, 0 skipped").
    const std::string& Summary() const { return summary_; }

    // Closing stops the children that only read; a change under way keeps the window open
    // until it has finished (and nothing more starts).
    void reject() override;

  signals:
    void ActionEnded();

  private:
    using MakeJob = std::function<std::unique_ptr<fleet::Job>(const fleet::Target&)>;
    struct Slot;

    std::vector<int> ChosenRows() const;
    bool Confirm(const std::string& action, const std::vector<int>& rows,
                 const std::vector<std::string>& what);
    // Runs one job per row, at most `parallel` at a time; `then` once all ended.
    void Run(const std::vector<int>& rows, const MakeJob& make, int parallel, bool stopAtFailure,
             std::function<void()> then);
    // Checks every row with `check`, shows the plan, asks, then changes the rows that fit one
    // at a time with `change`.
    void CheckThenChange(const std::string& action, const MakeJob& check, const MakeJob& change);
    void StartMore();
    void Spawn(std::size_t job, const fleet::ChildRun& child);
    void ChildEnded(Slot* slot);
    void RowEnded(std::size_t job);
    void ShowState(int row, const fleet::ControllerState& state);
    void SetButtonsEnabled(bool enabled);
    void StopReads();

    std::vector<fleet::Target> targets_;
    std::string program_;
    QTableWidget* table_;
    QLabel* summaryLabel_;
    std::vector<QPushButton*> buttons_;
    fleet::JobSettings settings_;

    std::vector<std::unique_ptr<fleet::Job>> jobs_;
    std::vector<int> jobRows_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::size_t nextJob_ = 0;
    int parallel_ = 8;
    bool stopAtFailure_ = false, failed_ = false;
    std::function<void()> then_;
    std::vector<fleet::Row> ended_;
    std::string summary_;
};

// Registers the window as the command menu's "Fleet..." connection entry (command 20), over
// the controllers the discovery service knows.
void RegisterFleetWindow();
