// The grid of the diagnostics pages: a table with a header row and a header column, set up
// from a format string ("|column|column\n|row|row": columns separated by "|", the header
// line ended by "\n") and filled cell by cell. Row 0 and column 0 are the headers, as in
// the format string. A left click is reported to the parent as a click of this control.
#pragma once

#include <QTableWidget>

#include <string>

class CIhmCtrlFlexGrid : public QTableWidget {
    Q_OBJECT
  public:
    CIhmCtrlFlexGrid(QWidget* parent, int id);

    void SetFormatString(const std::string& format);
    // Row and column count the headers, as the format string does.
    void SetTextMatrix(int row, int col, const std::string& text);
    std::string TextMatrix(int row, int col) const;
    int Id() const { return id_; }

  signals:
    // The click notification, carrying the control's identifier.
    void Clicked(int id);

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    int id_;
};
