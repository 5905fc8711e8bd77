// The fleet window: "Refresh" runs the list children through QProcess and fills the rows; a
// controller that cannot be reached is one failed row among the others. The changing
// actions ask first with their plan and act on the chosen rows only (all when none is); a
// double-click makes the row the program's link.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTableWidget>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>

#include "QRL_protocole.pb.h"
#include "comm/CComClient.h"
#include "fleet/ui/CIhmDlgFleet.h"
#include "tests/cli/process_runner.h"
#include "tests/support/client_environment.h"
#include "tests/support/sim_fixture.h"
#include "widgets/Alerts.h"
#include "widgets/ModalSeam.h"
#include "wire/t71.h"

namespace {

// The window's children are quorvel-cli processes; the program's own client is only there
// for the double-click, which changes its link.
const auto* const kClient =
    ::testing::AddGlobalTestEnvironment(new testsupport::ClientEnvironment({PORT_SERIE, ETH}));

QApplication& App() {
    static int argc = 1;
    static char name[] = "test_fleet_window";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// Runs `action` and waits until the window says the action ended.
void RunToEnd(CIhmDlgFleet& window, const std::function<void()>& action) {
    QEventLoop loop;
    QObject::connect(&window, &CIhmDlgFleet::ActionEnded, &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    action();
    if (window.Busy())
        loop.exec();
}

TEST(FleetWindow, RefreshFillsTheRowsFromTheChildren) {
    App();
    simtest::SimConfig config;
    config.usb_name = "";
    config.args = {"--label", "WIN-1"};
    simtest::SimProcess sim(config);
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;

    std::vector<fleet::Target> targets{{"WIN-1", "127.0.0.1", std::uint16_t(sim.tcp_port()), ""},
                                       {"GONE", "127.0.0.1", 1, ""}};
    CIhmDlgFleet window(targets, e2e::ProgramDir() + "/quorvel-cli");
    QEventLoop loop;
    QObject::connect(&window, &CIhmDlgFleet::ActionEnded, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    window.Refresh();
    EXPECT_TRUE(window.Busy());
    loop.exec();
    EXPECT_FALSE(window.Busy());
    EXPECT_EQ(window.Summary(), "1 done, 1 failed, 0 skipped");
    QTableWidget* table = window.Table();
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 2)->text().toStdString(), "KZ9 TCP/IP");
    EXPECT_EQ(table->item(0, 8)->text().toStdString(), "done");
    EXPECT_EQ(table->item(1, 8)->text().toStdString().rfind("failed: ", 0), 0u);
}

TEST(FleetWindow, ChangesAskFirstActOnTheChosenRowsAndADoubleClickChoosesTheLink) {
    App();
    std::vector<std::unique_ptr<simtest::SimProcess>> sims;
    std::vector<fleet::Target> targets;
    for (const char* label : {"WIN-A", "WIN-B"}) {
        simtest::SimConfig config;
        config.usb_name = "";
        config.args = {"--label", label};
        sims.push_back(std::make_unique<simtest::SimProcess>(config));
        std::string error;
        ASSERT_TRUE(sims.back()->Start(&error)) << error;
        targets.push_back({label, "127.0.0.1", std::uint16_t(sims.back()->tcp_port()), ""});
    }
    char dir[] = "/tmp/fleet-window-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    ::setenv("QUORVEL_HISTORY", (std::string(dir) + "/history.sqlite3").c_str(), 1);
    ::setenv("QUORVEL_WAIT_SCALE", "0", 1); // the children's restart waits and countdowns
    e2e::RunResult read =
        e2e::Run("quorvel-cli", {"--eth", targets[0].Address(), "program", "read", dir}, {});
    ASSERT_EQ(read.status, 0) << read.err;
    const std::string file = read.out.substr(0, read.out.find('\n'));

    CIhmDlgFleet window(targets, e2e::ProgramDir() + "/quorvel-cli");
    QTableWidget* table = window.Table();
    // Answered No: nothing runs.
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerNo));
    RunToEnd(window, [&] { window.SetClocks(); });
    EXPECT_EQ(table->item(0, 8), nullptr);

    // The second row chosen: only its clock is set, after the question that names it alone.
    ModalSeam::ClearHistory();
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerYes));
    table->selectRow(1);
    RunToEnd(window, [&] { window.SetClocks(); });
    EXPECT_EQ(window.Summary(), "1 done, 0 failed, 0 skipped");
    ASSERT_FALSE(ModalSeam::History().empty());
    EXPECT_NE(ModalSeam::History().front().text.find("WIN-B"), std::string::npos);
    EXPECT_EQ(ModalSeam::History().front().text.find("WIN-A"), std::string::npos);
    EXPECT_EQ(table->item(0, 8), nullptr);

    // No row chosen: the program goes to both, checked first, then one at a time.
    table->clearSelection();
    ModalSeam::ClearHistory();
    RunToEnd(window, [&] { window.WriteProgram(file); });
    if (window.Busy())
        RunToEnd(window, [] {});
    EXPECT_EQ(window.Summary(), "2 done, 0 failed, 0 skipped");
    for (int row : {0, 1})
        EXPECT_EQ(table->item(row, 8)->text().toStdString(), "done: program written");
    for (const fleet::Target& t : targets) {
        e2e::RunResult same =
            e2e::Run("quorvel-cli", {"--eth", t.Address(), "program", "compare", file}, {});
        EXPECT_EQ(same.status, 0) << t.label << ": " << same.out << same.err;
    }

    // A double-click makes the second controller the program's link and closes the window.
    emit table->cellDoubleClicked(1, 0);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    PARAM_COM param{};
    CComClient::Instance().GetCommParam(param);
    EXPECT_EQ(paramcom::GetU32(param, paramcom::kMedium), std::uint32_t(ETH));
    EXPECT_EQ(paramcom::GetU32(param, paramcom::kTcpPort), std::uint32_t(sims[1]->tcp_port()));
    ModalSeam::Reset();
    ::unsetenv("QUORVEL_HISTORY");
    ::unsetenv("QUORVEL_WAIT_SCALE");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

} // namespace
