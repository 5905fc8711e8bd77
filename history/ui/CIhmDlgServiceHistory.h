// The service history window: the rows of the history newest first in a table, a filter box
// (a controller's label or code8, or an operation name), the selected row's details with its
// files, and "Write this program back" for a row that kept a copy of a program.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "history/HistoryDb.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

class CIhmDlgServiceHistory : public QDialog {
    Q_OBJECT
  public:
    // `writeBack` writes a kept program file into the connected controller (the program
    // dialog's write, with all its checks).
    using WriteBack = std::function<void(QWidget* parent, const std::string& keptPath)>;
    CIhmDlgServiceHistory(history::HistoryDb& db, WriteBack writeBack, QWidget* parent = nullptr);

    // What the controls do (also for tests).
    void SetFilterText(const QString& text);
    void SelectRow(int row);
    void WriteSelectedBack();
    int RowCount() const;
    bool WriteBackEnabled() const;
    QString DetailsText() const;

  private:
    void Reload();
    void ShowSelection();
    const history::Record* Selected() const;

    history::HistoryDb& db_;
    WriteBack writeBack_;
    std::vector<history::Record> rows_;
    QLineEdit* filter_;
    QTableWidget* table_;
    QPlainTextEdit* details_;
    QPushButton* writeBackButton_;
};

// Registers the window as the command menu's last entry, "Service history".
void RegisterServiceHistoryWindow(CIhmDlgServiceHistory::WriteBack writeBack);
