// The charts of datalog CSV files: one chart per file, time across (gaps where nothing was
// logged), one line per channel named with its name and unit. The view zooms into a rectangle
// dragged with the left button and with the wheel, pans with the right or middle button
// held, and goes back to the whole chart on a double click.
#pragma once

#include <QChartView>
#include <QDialog>
#include <QPoint>

#include <vector>

#include "datalog/DatalogChartData.h"

class QChart;

// A chart of `data`, owned by the caller (or by the view it is set on).
QChart* BuildDatalogChart(const transfer::DatalogChartData& data);

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
