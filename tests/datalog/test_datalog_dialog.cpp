// The datalog dialog against the simulator over the USB library: the fields it proposes, the
// read behind the progress dialog, the summary, "Show chart", the stop question answered No,
// and a controller without embedded datalogs.
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QValueAxis>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <filesystem>

#include "QRL_protocole.pb.h"
#include "comm/ProcessState.h"
#include "datalog/ui/CIhmDlgDatalog.h"
#include "datalog/ui/DatalogChartView.h"
#include "program/ProgramChecks.h"
#include "tests/support/client_environment.h"
#include "tests/support/client_sim_test.h"
#include "transfer/TransferUi.h"
#include "transfer/ui/UiThreadTransferUi.h"
#include "widgets/ControlIds.h"
#include "widgets/MenuDialogs.h"
#include "widgets/ModalSeam.h"

namespace {

namespace fs = std::filesystem;

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::ClientEnvironment({PORT_SERIE}));

class DatalogDialog : public testsupport::ClientSimTest<> {
  protected:
    void SetUp() override {
        ModalSeam::ClearHistory();
        dir = fs::temp_directory_path() /
              ("quorvel-dldialog-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        ModalSeam::Reset();
        fs::remove_all(dir);
        testsupport::ClientSimTest<>::TearDown();
    }
    void StartController(std::vector<std::string> args) {
        ASSERT_TRUE(StartSim(std::move(args)));
        PARAM_COM block = paramcom::Initial();
        paramcom::SetString(block, paramcom::kPortName, paramcom::kPortNameSize, sim_->usb_name(),
                            paramcom::kMaxPortChars);
        ASSERT_EQ(client.SetCommParam(block), 0);
        ConnectionKind().store(0);
        std::uint8_t boot[21];
        ASSERT_EQ(client.SendRead(boot, 0xE000, sizeof boot, 6000), 0); // sets the family
    }
    // Alerts answered with `answer` (OK for plain alerts), dialogs handled by `onDialog`.
    // A folder chooser answers with the test's folder when the handler accepts it.
    void Script(int answer, std::function<int(QDialog*, const ModalRequest&)> onDialog) {
        ModalSeam::SetScript([=, this](QDialog* d, const ModalRequest& r) {
            if (r.kind == "alert")
                return ModalAnswer{
                    r.style == transfer::kStyleQuestion ? answer : transfer::kAnswerOk, ""};
            const int code = onDialog(d, r);
            return ModalAnswer{code, r.kind == "folder" ? dir.string() : ""};
        });
    }
    std::vector<std::string> AlertTexts() const {
        std::vector<std::string> out;
        for (const ModalRequest& r : ModalSeam::History())
            if (r.kind == "alert")
                out.push_back(r.text);
        return out;
    }
    std::size_t FileCount() const {
        return std::size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }
    fs::path dir;
};

QString Text(QDialog* d, int id) {
    return FindCtl<QLineEdit>(d, id)->text();
}

TEST_F(DatalogDialog, ReadsTheBoardThenShowsOneChartPerFile) {
    StartController({"--code8", "61410031", "--stopped", "--label", "Tank"});
    std::vector<QString> seriesNames;
    int tabs = 0;
    bool checked = false;
    Script(transfer::kAnswerYes, [&](QDialog* d, const ModalRequest& r) {
        if (r.name == "CIhmDlgDatalogChart") {
            auto* tabWidget = d->findChild<QTabWidget*>(QStringLiteral("charts"));
            tabs = tabWidget->count();
            auto* panes = static_cast<DatalogChartPanes*>(tabWidget->widget(0));
            for (DatalogChartView* view : panes->Views())
                for (QAbstractSeries* s : view->chart()->series())
                    seriesNames.push_back(s->name());
            return int(QDialog::Accepted);
        }
        if (r.name != "CIhmDlgDatalog")
            return int(QDialog::Rejected);
        EXPECT_EQ(Text(d, CIhmDlgDatalog::kRange1Edit), "Tank_1_8_YY_MM_DD_HH_MM_SS.csv");
        EXPECT_EQ(Text(d, CIhmDlgDatalog::kRange2Edit), "Tank_9_16_YY_MM_DD_HH_MM_SS.csv");
        EXPECT_TRUE(Text(d, CIhmDlgDatalog::kRange3Edit).isEmpty());
        EXPECT_FALSE(FindCtl<QLabel>(d, CIhmDlgDatalog::kRange3Label)->isEnabled());
        auto* read = FindCtl<QPushButton>(d, CIhmDlgDatalog::kRead);
        FindCtl<QLineEdit>(d, CIhmDlgDatalog::kFolderEdit)->setText("/no/such/folder");
        EXPECT_FALSE(read->isEnabled());
        FindCtl<QLineEdit>(d, CIhmDlgDatalog::kFolderEdit)->setText(QString::fromStdString(dir));
        EXPECT_TRUE(read->isEnabled());
        read->click();
        auto* chart = FindCtl<QPushButton>(d, CIhmDlgDatalog::kShowChart);
        EXPECT_TRUE(chart->isEnabled());
        chart->click();
        // No second read until the dialog is opened again, whatever the folder.
        FindCtl<QLineEdit>(d, CIhmDlgDatalog::kFolderEdit)->setText(QString::fromStdString(dir));
        EXPECT_FALSE(read->isEnabled());
        checked = true;
        return int(QDialog::Rejected);
    });
    CIhmDlgDatalog dlg;
    dlg.DoModal();
    ASSERT_TRUE(checked);
    EXPECT_EQ(FileCount(), 2u);
    ASSERT_FALSE(AlertTexts().empty());
    EXPECT_EQ(
        AlertTexts().back().rfind("The following files were generated successfully: Tank_1_8_", 0),
        0u);
    const ModalRequest& summary = [] {
        const std::vector<ModalRequest>& all = ModalSeam::History();
        return *std::find_if(all.rbegin(), all.rend(),
                             [](const ModalRequest& r) { return r.kind == "alert"; });
    }();
    EXPECT_EQ(summary.title, "Quorvel warning");
    EXPECT_EQ(summary.style, transfer::kStyleInformation);
    EXPECT_EQ(tabs, 2);
    // One line per channel (more series only where the log has gaps), named with its unit.
    ASSERT_GE(seriesNames.size(), 3u);
    EXPECT_EQ(seriesNames[0], "Counter");
    EXPECT_TRUE(std::find(seriesNames.begin(), seriesNames.end(),
                          QString::fromUtf8("Temperature (\xC2\xB0"
                                            "C)")) != seriesNames.end());
    EXPECT_TRUE(sim_->WaitForLog("end of board datalog read"));
}

TEST_F(DatalogDialog, RunningControllerAnsweredNoIsLeftRunning) {
    StartController({"--code8", "61420001"});
    ModalRequest chooser;
    Script(transfer::kAnswerNo, [&](QDialog* d, const ModalRequest& r) {
        if (r.kind == "folder") {
            chooser = r;
            return int(QDialog::Accepted);
        }
        if (r.name == "CIhmDlgDatalog") {
            EXPECT_EQ(Text(d, CIhmDlgDatalog::kRange1Edit), "Pasklabel_1_8_YY_MM_DD_HH_MM_SS.csv");
            // Range 17-24 is offered on kz9 only.
            EXPECT_TRUE(FindCtl<QLineEdit>(d, CIhmDlgDatalog::kRange3Edit)->isHidden());
            FindCtl<QPushButton>(d, CIhmDlgDatalog::kSelectFolder)->click(); // the chooser
            EXPECT_EQ(Text(d, CIhmDlgDatalog::kFolderEdit).toStdString(), dir.string());
            FindCtl<QPushButton>(d, CIhmDlgDatalog::kRead)->click();
            EXPECT_FALSE(FindCtl<QPushButton>(d, CIhmDlgDatalog::kShowChart)->isEnabled());
        }
        return int(QDialog::Rejected);
    });
    CIhmDlgDatalog dlg;
    dlg.DoModal();
    EXPECT_EQ(chooser.title, "Target directory");
    EXPECT_EQ(AlertTexts(), std::vector<std::string>{"Cannot read the datalogs in the controller "
                                                     "when it is in ON mode.\nDo you want to "
                                                     "turn the controller off?"});
    EXPECT_EQ(FileCount(), 0u);
    std::uint8_t run[4];
    ASSERT_EQ(client.SendRead(run, 0x4000, 4, 6000), 0);
    EXPECT_EQ(run[3] & 1, 1);
}

TEST_F(DatalogDialog, ProgramWriteReadsTheDatalogsThroughTheDialogBeforeErasingThem) {
    StartController({"--code8", "61420001", "--stopped"});
    RegisterDatalogDialog();
    int reads = 0;
    Script(transfer::kAnswerYes, [&](QDialog* d, const ModalRequest& r) {
        if (r.name == "CIhmDlgDatalog") {
            // The write's folder is proposed.
            EXPECT_EQ(Text(d, CIhmDlgDatalog::kFolderEdit).toStdString(), dir.string());
            if (reads++ == 0)
                FindCtl<QPushButton>(d, CIhmDlgDatalog::kRead)->click();
        }
        return int(QDialog::Rejected);
    });
    UiThreadTransferUi ui;
    auto prepare = [&] {
        return transfer::PrepareProgramWrite(comm::ComClientLink(), 1, ui, [&] {
            return transfer::InstalledDatalogSaver()(dir.string());
        });
    };
    // Read, then the write may go on; the datalogs are still in the controller.
    EXPECT_EQ(prepare(), transfer::WritePreparation::Ready);
    EXPECT_EQ(FileCount(), 1u);
    EXPECT_FALSE(sim_->WaitForLog("erase own datalogs", 100));
    // Closed without reading: the write stops.
    EXPECT_EQ(prepare(), transfer::WritePreparation::Declined);
    EXPECT_EQ(reads, 2);
}

TEST_F(DatalogDialog, MenuOpensItAndAControllerWithoutDatalogsClosesIt) {
    StartController({"--code8", "61410001", "--software", "1.09.00"});
    bool shown = false;
    Script(transfer::kAnswerYes, [&](QDialog*, const ModalRequest& r) {
        shown = shown || r.name == "CIhmDlgDatalog";
        return int(QDialog::Rejected);
    });
    RegisterDatalogDialog();
    MenuDialogOpener open = FindMenuDialog(kMenuDatalogs);
    ASSERT_TRUE(open);
    EXPECT_TRUE(open(nullptr));
    EXPECT_FALSE(shown);
    EXPECT_EQ(AlertTexts(),
              std::vector<std::string>{"This target does not have embedded datalogs."});
}

TEST(DatalogChart, WheelZoomsDragPansAndDoubleClickGoesBack) {
    std::string error;
    auto data = transfer::ParseDatalogCsvText("DATE(DD/MM/YY);TIME(hh:mm:ss);A;\r\n"
                                              "01/01/26;00:00:00;1\r\n01/01/26;00:00:10;5\r\n"
                                              "01/01/26;00:00:20;2\r\n",
                                              "c.csv", error);
    ASSERT_TRUE(data) << error;
    DatalogChartView view(BuildDatalogPaneCharts(*data).front());
    view.resize(800, 400);
    view.show();
    QApplication::processEvents();
    auto* time = static_cast<QDateTimeAxis*>(view.chart()->axes(Qt::Horizontal).front());
    auto span = [&] { return time->min().msecsTo(time->max()); };
    const qint64 whole = span();
    EXPECT_EQ(whole, 20000);
    const QPointF middle(400, 200);
    QWheelEvent wheel(middle, view.mapToGlobal(middle), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
    EXPECT_LT(span(), whole);
    const QDateTime before = time->min();
    QTest::mousePress(view.viewport(), Qt::RightButton, {}, QPoint(400, 200));
    QMouseEvent move(QEvent::MouseMove, QPointF(300, 200), view.mapToGlobal(QPointF(300, 200)),
                     Qt::NoButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
    QTest::mouseRelease(view.viewport(), Qt::RightButton, {}, QPoint(300, 200));
    EXPECT_GT(time->min(), before); // dragged left: later times come into view
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, QPoint(400, 200));
    EXPECT_EQ(span(), whole);
}

TEST(DatalogChart, APanePerUnitAllSharingTheTimeAxis) {
    std::string error;
    auto data = transfer::ParseDatalogCsvText(
        "DATE(DD/MM/YY);TIME(hh:mm:ss);Level (cm);Pump;Flow (l/h);Level 2 (cm);Alarm;\r\n"
        "01/01/26;00:00:00;20;0;5;30;1\r\n01/01/26;00:00:10;80;1;7;40;0\r\n",
        "p.csv", error);
    ASSERT_TRUE(data) << error;
    DatalogChartPanes panes(*data);
    std::vector<std::vector<QString>> names;
    std::vector<QString> units;
    for (DatalogChartView* view : panes.Views()) {
        names.emplace_back();
        for (QAbstractSeries* s : view->chart()->series())
            names.back().push_back(s->name());
        units.push_back(view->chart()->axes(Qt::Vertical).front()->titleText());
    }
    EXPECT_EQ(names, (std::vector<std::vector<QString>>{
                         {"Level (cm)", "Level 2 (cm)"}, {"Pump", "Alarm"}, {"Flow (l/h)"}}));
    EXPECT_EQ(units, (std::vector<QString>{"cm", "", "l/h"}));
    // The pump's 0 and 1 span its own axis.
    auto* pump = static_cast<QValueAxis*>(panes.Views()[1]->chart()->axes(Qt::Vertical).front());
    EXPECT_LE(pump->max() - pump->min(), 2.0);
    // Zooming the time of one pane zooms the others'.
    const QDateTime from = TimeAxisOf(panes.Views()[0]->chart())->min().addSecs(2);
    const QDateTime to = from.addSecs(5);
    TimeAxisOf(panes.Views()[2]->chart())->setRange(from, to);
    for (DatalogChartView* view : panes.Views()) {
        EXPECT_EQ(TimeAxisOf(view->chart())->min(), from);
        EXPECT_EQ(TimeAxisOf(view->chart())->max(), to);
    }
}

} // namespace
