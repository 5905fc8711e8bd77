// The charts of datalog CSV files: one chart per file, time across (gaps where nothing was
// logged), one line per channel named with its name and unit. A file's channels are drawn in
// stacked panes, one per unit, each with its own value axis and all sharing the time axis
// (a zoom or pan of the time in one pane moves the others). Each pane's view zooms into a rectangle
// dragged with the left button and with the wheel, pans with the right or middle button
// held, and goes back to the whole chart on a double click.
#pragma once

#include <QChartView>
#include <QDialog>
#include <QPoint>

#include <vector>

#include "transfer/DatalogChartData.h"

class QChart;
class QDateTime;
class QDateTimeAxis;

// The chart of one pane of `data`: the pane's channels against the whole file's time span.
// `top` carries the file's title, `bottom` the time axis labels. Owned by the caller (or by
// the view it is set on).
QChart* BuildDatalogPaneChart(const transfer::DatalogChartData& data,
                              const transfer::ChartPane& pane, bool top, bool bottom);
// The charts of every pane of `data`, top to bottom (one, empty, for a file without channels).
std::vector<QChart*> BuildDatalogPaneCharts(const transfer::DatalogChartData& data);
// The time axis of a pane's chart.
QDateTimeAxis* TimeAxisOf(QChart* chart);

class DatalogChartView : public QChartView {
  public:
    explicit DatalogChartView(QChart* chart, QWidget* parent = nullptr);

  protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    bool panning_ = false;
    QPoint last_;
};

// The stacked panes of one file.
class DatalogChartPanes : public QWidget {
  public:
    explicit DatalogChartPanes(const transfer::DatalogChartData& data, QWidget* parent = nullptr);
    const std::vector<DatalogChartView*>& Views() const { return views_; }

  private:
    void FollowTime(const QDateTime& min, const QDateTime& max);

    std::vector<DatalogChartView*> views_;
    bool following_ = false;
};

// "Datalog charts": one tab per file, named after it.
class CIhmDlgDatalogChart : public QDialog {
  public:
    CIhmDlgDatalogChart(const std::vector<transfer::DatalogChartData>& charts,
                        QWidget* parent = nullptr);
    int DoModal();
};

// Reads the CSV files at `paths`; false with the reason in `error` for the first that cannot
// be read or is not a datalog CSV file.
bool LoadDatalogCharts(const std::vector<std::string>& paths,
                       std::vector<transfer::DatalogChartData>& charts, std::string& error);
