// The fleet window: "Refresh" runs the list children through QProcess and fills the rows; a
// controller that cannot be reached is one failed row among the others.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTableWidget>
#include <QTimer>

#include "fleet/ui/CIhmDlgFleet.h"
#include "tests/cli/process_runner.h"
#include "tests/support/sim_fixture.h"

namespace {

TEST(FleetWindow, RefreshFillsTheRowsFromTheChildren) {
    int argc = 1;
    char name[] = "test_fleet_window";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
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

} // namespace
