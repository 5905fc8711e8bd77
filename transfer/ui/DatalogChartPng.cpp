#include "transfer/ui/DatalogChartPng.h"

#include <QApplication>
#include <QBuffer>
#include <QChart>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/output_file.h"
#include "transfer/ui/DatalogChartView.h"

namespace datalogchart {

namespace {
constexpr int kWidth = 1200;

// The offscreen platform's notes (runtime folder, fonts) are not the user's business.
void QuietQtNotes(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}
// A file with one pane gets the whole chart height; stacked panes get less each.
int PaneHeight(std::size_t panes) {
    return panes <= 1 ? 600 : 320;
}
} // namespace

bool RenderDatalogChartsPng(const std::vector<std::string>& csvPaths, const std::string& pngPath,
                            std::string& error) {
    std::unique_ptr<QApplication> app;
    if (QCoreApplication::instance() == nullptr) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "quorvel-cli";
        static char* argv[] = {name, nullptr};
        qInstallMessageHandler(QuietQtNotes);
        app = std::make_unique<QApplication>(argc, argv);
    }
    std::vector<transfer::DatalogChartData> charts;
    if (!LoadDatalogCharts(csvPaths, charts, error))
        return false;

    // Each file's panes one below the other, the files one below the other.
    std::vector<std::vector<QChart*>> panes;
    int height = 0;
    for (const transfer::DatalogChartData& data : charts) {
        panes.push_back(BuildDatalogPaneCharts(data));
        height += PaneHeight(panes.back().size()) * int(panes.back().size());
    }
    QImage image(kWidth, height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        int top = 0;
        for (const std::vector<QChart*>& file : panes) {
            const int paneHeight = PaneHeight(file.size());
            for (QChart* chart : file) {
                QGraphicsScene scene; // owns the chart
                scene.addItem(chart);
                chart->resize(kWidth, paneHeight);
                const QRectF source(0, 0, kWidth, paneHeight);
                scene.render(&painter, source.translated(0, top), source);
                top += paneHeight;
            }
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        error = "Cannot write " + pngPath + ".";
        return false;
    }
    return platform::WriteWholeFile(
        pngPath, std::string_view(png.constData(), std::size_t(png.size())), error);
}

} // namespace datalogchart
