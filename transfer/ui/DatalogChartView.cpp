#include "transfer/ui/DatalogChartView.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "widgets/AppIcon.h"
#include "widgets/ModalSeam.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// The record's civil time as the local time it was logged in.
qint64 LocalMs(std::int64_t civilSeconds) {
    const std::int64_t days = civilSeconds / kSecondsPerDay;
    const std::int64_t rest = civilSeconds % kSecondsPerDay;
    const QDate date = QDate(2000, 1, 1).addDays(days);
    const QTime time = QTime(0, 0).addSecs(int(rest));
    return QDateTime(date, time).toMSecsSinceEpoch();
}

} // namespace

namespace {

const QList<QColor>& ChannelColors() {
    static const QList<QColor> colors = {QColor(0x1f77b4), QColor(0xd62728), QColor(0x2ca02c),
                                         QColor(0xff7f0e), QColor(0x9467bd), QColor(0x8c564b),
                                         QColor(0xe377c2), QColor(0x17becf)};
    return colors;
}

// The first and last time stamps of the whole file, in local milliseconds; a span of at
// least a second (around now when nothing was logged).
std::pair<qint64, qint64> TimeSpan(const transfer::DatalogChartData& data) {
    qint64 first = 0, last = 0;
    bool any = false;
    for (const transfer::ChartChannel& channel : data.channels)
        for (const transfer::ChartSegment& segment : channel.segments)
            for (const transfer::ChartPoint& p : segment) {
                const qint64 ms = LocalMs(p.civilSeconds);
                first = any ? std::min(first, ms) : ms;
                last = any ? std::max(last, ms) : ms;
                any = true;
            }
    if (!any)
        first = last = QDateTime::currentMSecsSinceEpoch();
    if (last == first)
        last = first + 1000;
    return {first, last};
}

} // namespace

QChart* BuildDatalogPaneChart(const transfer::DatalogChartData& data,
                              const transfer::ChartPane& pane, bool top, bool bottom) {
    auto* chart = new QChart;
    if (top)
        chart->setTitle(QString::fromStdString(data.title));
    auto* time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("dd/MM/yy hh:mm:ss"));
    // The panes of a file share one time axis: only the lowest one labels it.
    time->setLabelsVisible(bottom);
    if (bottom)
        time->setTitleText(QStringLiteral("Time"));
    auto* values = new QValueAxis;
    values->setTitleText(QString::fromStdString(pane.unit));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);

    double low = 0, high = 0;
    bool any = false;
    const QList<QColor>& colors = ChannelColors();
    for (std::size_t c : pane.channels) {
        const transfer::ChartChannel& channel = data.channels[c];
        const QColor color = colors[qsizetype(c) % colors.size()];
        // One series per segment, so that the line stops where nothing was logged; only the
        // first names the channel in the legend.
        bool named = false;
        for (const transfer::ChartSegment& segment : channel.segments) {
            auto* series = new QLineSeries;
            series->setName(QString::fromStdString(channel.name));
            series->setColor(color);
            series->setPointsVisible(segment.size() == 1);
            for (const transfer::ChartPoint& p : segment) {
                series->append(double(LocalMs(p.civilSeconds)), p.value);
                low = any ? std::min(low, p.value) : p.value;
                high = any ? std::max(high, p.value) : p.value;
                any = true;
            }
            chart->addSeries(series);
            series->attachAxis(time);
            series->attachAxis(values);
            if (named)
                for (QLegendMarker* marker : chart->legend()->markers(series))
                    marker->setVisible(false);
            named = true;
        }
    }
    if (high == low) {
        low -= 1;
        high += 1;
    }
    const auto [first, last] = TimeSpan(data);
    time->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(last));
    values->setRange(low, high);
    values->applyNiceNumbers();
    return chart;
}

std::vector<QChart*> BuildDatalogPaneCharts(const transfer::DatalogChartData& data) {
    std::vector<transfer::ChartPane> panes = transfer::PanesByUnit(data);
    if (panes.empty())
        panes.push_back({}); // a file without channels still shows its (empty) chart
    std::vector<QChart*> charts;
    for (std::size_t i = 0; i < panes.size(); ++i)
        charts.push_back(BuildDatalogPaneChart(data, panes[i], i == 0, i + 1 == panes.size()));
    return charts;
}

QDateTimeAxis* TimeAxisOf(QChart* chart) {
    return static_cast<QDateTimeAxis*>(chart->axes(Qt::Horizontal).front());
}

DatalogChartPanes::DatalogChartPanes(const transfer::DatalogChartData& data, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QChart* chart : BuildDatalogPaneCharts(data)) {
        auto* view = new DatalogChartView(chart, this);
        views_.push_back(view);
        layout->addWidget(view, 1);
        // A zoom or pan of one pane's time axis moves the others' with it.
        connect(TimeAxisOf(chart), &QDateTimeAxis::rangeChanged, this,
                [this](const QDateTime& min, const QDateTime& max) { FollowTime(min, max); });
    }
}

void DatalogChartPanes::FollowTime(const QDateTime& min, const QDateTime& max) {
    if (following_)
        return;
    following_ = true;
    for (DatalogChartView* view : views_)
        TimeAxisOf(view->chart())->setRange(min, max);
    following_ = false;
}

DatalogChartView::DatalogChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
    setRenderHint(QPainter::Antialiasing);
    setRubberBand(QChartView::RectangleRubberBand);
}

void DatalogChartView::wheelEvent(QWheelEvent* event) {
    chart()->zoom(event->angleDelta().y() > 0 ? 1.25 : 0.8);
    event->accept();
}

void DatalogChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
        panning_ = true;
        last_ = event->position().toPoint();
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void DatalogChartView::mouseMoveEvent(QMouseEvent* event) {
    if (panning_) {
        const QPoint at = event->position().toPoint();
        const QPoint d = at - last_;
        chart()->scroll(-d.x(), d.y());
        last_ = at;
        event->accept();
        return;
    }
    QChartView::mouseMoveEvent(event);
}

void DatalogChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (panning_ && (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton)) {
        panning_ = false;
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void DatalogChartView::mouseDoubleClickEvent(QMouseEvent* event) {
    chart()->zoomReset();
    event->accept();
}

CIhmDlgDatalogChart::CIhmDlgDatalogChart(const std::vector<transfer::DatalogChartData>& charts,
                                         QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Datalog charts"));
    setWindowIcon(ApplicationIcon());
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("charts"));
    for (const transfer::DatalogChartData& data : charts)
        tabs->addTab(new DatalogChartPanes(data, tabs), QString::fromStdString(data.title));
    layout->addWidget(tabs);
    auto* close = new QPushButton(QStringLiteral("Return"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(900, 560);
}

int CIhmDlgDatalogChart::DoModal() {
    return ModalSeam::Exec(*this, {"dialog", "CIhmDlgDatalogChart", "Datalog charts", "", 0});
}

bool LoadDatalogCharts(const std::vector<std::string>& paths,
                       std::vector<transfer::DatalogChartData>& charts, std::string& error) {
    charts.clear();
    for (const std::string& path : paths) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = "Cannot read " + path + ".";
            return false;
        }
        const std::string text(std::istreambuf_iterator<char>(in), {});
        auto data = transfer::ParseDatalogCsvText(
            text, std::filesystem::path(path).filename().string(), error);
        if (!data)
            return false;
        charts.push_back(std::move(*data));
    }
    return true;
}
