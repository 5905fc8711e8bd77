// The device list of the connection dialogs: a report-view list with owner-drawn rows
// and header, that tells its parent about mouse clicks. After the default handling of a
// mouse message it emits ParentMessage with the application message number, the word
// parameter as received (button and key flags) and (y << 16) | x in list coordinates:
//   right button down -> 1098, left double-click -> 1099, left button down -> 1100.
#pragma once

#include <QTableWidget>

#include <string>

class CIhmCtrlHeader;

constexpr int kMsgListRightDown = 1098;  // user message base + 74
constexpr int kMsgListLeftDouble = 1099; // user message base + 75
constexpr int kMsgListLeftDown = 1100;   // user message base + 76

// The first cell's colour when the first-column flag is set.
inline constexpr int kFirstColumnRgb[3] = {159, 192, 224};

class CIhmCtrlList : public QTableWidget {
    Q_OBJECT
  public:
    explicit CIhmCtrlList(QWidget* parent = nullptr);

    void SetTitle(const std::string& title) { title_ = title; }
    const std::string& Title() const { return title_; }
    void SetFirstColumn(bool on) { firstColumn_ = on; }
    bool FirstColumn() const { return firstColumn_; }
    // Point size in tenths (95 = 9.5 points).
    void SetFontSize(int tenths) { fontTenths_ = tenths; }

    // Called by the owning dialog once its columns exist: fonts (when `bothFonts`), the
    // owner-drawn header, full-row selection and fixed-height rows.
    void Setup(bool bothFonts = true);
    // Adds a column of `width` pixels, `align` being Qt::AlignLeft/Right/HCenter.
    void AddColumn(const QString& title, int width, Qt::Alignment align = Qt::AlignLeft);
    // Appends or inserts a row of texts; returns its index.
    int InsertRow(int row, const QStringList& texts);
    QString Text(int row, int column) const;
    // The selected row, or -1.
    int SelectedRow() const;

    // The packed long parameter of a mouse message.
    static qint64 PackPoint(int x, int y) {
        return (static_cast<qint64>(y) << 16) | static_cast<quint16>(x);
    }
    int RowHeight() const;

  signals:
    void ParentMessage(int message, quintptr wParam, qint64 lParam);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Report(int message, QMouseEvent* event);
    void ApplyWidth(int column, int width);

    std::string title_;
    bool firstColumn_ = false;
    int fontTenths_ = 95;
    CIhmCtrlHeader* header_ = nullptr;
    QList<int> widths_;
};
