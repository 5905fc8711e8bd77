// The service history window: its rows, the filter box, a row's details with its files, and
// "Write this program back" offered only for a row whose kept copy is there.
#include <fstream>

#include <gtest/gtest.h>

#include "history/ui/CIhmDlgServiceHistory.h"
#include "tests/support/temp_folder.h"

namespace {

history::Record Row(const std::string& operation, const std::string& label, std::int64_t started) {
    history::Record r;
    r.started = r.ended = started;
    r.link = {"usb", "ttyACM0", ""};
    r.controller = {"61410031", "KZ9", label, "1.09.03", ""};
    r.operation = operation;
    r.result = history::kDone;
    return r;
}

TEST(ServiceHistoryWindow, FiltersShowsDetailsAndWritesAKeptProgramBack) {
    testsupport::TempFolder dir;
    history::HistoryDb db(dir.Path() + "/history.sqlite3", [](const std::string&) {});
    const std::string kept = dir.Path() + "/kept.vqap";
    std::ofstream(kept) << "program";
    history::Record write = Row(history::kProgramWrite, "Pump station", 3000);
    write.kept = kept;
    write.files = {{"/p/Line3.vqap", 12, "ab"}};
    history::Record gone = Row(history::kProgramWrite, "Boiler", 2000);
    gone.kept = dir.Path() + "/deleted.vqap";
    db.Add(Row(history::kStop, "Boiler", 1000));
    db.Add(gone);
    db.Add(write);

    std::vector<std::string> written;
    CIhmDlgServiceHistory window(db, [&](QWidget*, const std::string& path) {
        written.push_back(path);
        db.Add(Row(history::kProgramWrite, "Pump station", 4000));
    });
    EXPECT_EQ(window.RowCount(), 3);
    EXPECT_FALSE(window.WriteBackEnabled()); // nothing selected

    window.SetFilterText("boiler");
    EXPECT_EQ(window.RowCount(), 2);
    window.SelectRow(0); // the newest: its kept copy is missing
    EXPECT_FALSE(window.WriteBackEnabled());
    window.SetFilterText("stop");
    EXPECT_EQ(window.RowCount(), 1);

    window.SetFilterText("");
    window.SelectRow(0);
    EXPECT_TRUE(window.DetailsText().contains("File: /p/Line3.vqap (12 bytes"));
    ASSERT_TRUE(window.WriteBackEnabled());
    window.WriteSelectedBack();
    EXPECT_EQ(written, std::vector<std::string>{kept});
    EXPECT_EQ(window.RowCount(), 4); // the write shows at once
}

} // namespace
