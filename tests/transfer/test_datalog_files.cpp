// Datalog file names, writing the CSV files of a read, and the summary.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/transfer/datalog_memory.h"
#include "transfer/DatalogFiles.h"

namespace {

namespace fs = std::filesystem;
using namespace datalogtest;

class DatalogFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("quorvel-datalog-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    transfer::DatalogExport Job(std::vector<std::uint8_t> masks) const {
        transfer::DatalogExport job;
        job.kind = transfer::DatalogMemoryKind::kBoard;
        job.config = *transfer::DecodeDatalogConfig(ConfigBytes(masks, {0, 0, 0}, ';', ','));
        job.folder = dir.string();
        for (int r = 0; r < 3; ++r)
            job.fileNames[std::size_t(r)] = transfer::DatalogFileName("Pump", r);
        job.stamp = "26_12_06_10_15_30";
        return job;
    }

    fs::path dir;
};

TEST_F(DatalogFilesTest, NamesAndTimeStamps) {
    EXPECT_EQ(transfer::DefaultDatalogLabel(0), "kz9label");
    EXPECT_EQ(transfer::DefaultDatalogLabel(1), "Pasklabel");
    EXPECT_EQ(transfer::DefaultDatalogLabel(2), "Trellabel");
    EXPECT_EQ(transfer::DatalogFileName("Pump", 2), "Pump_17_24_YY_MM_DD_HH_MM_SS.csv");

    // Controller labels are made safe for the file system; blanks alone leave no label.
    auto label = [](const std::string& s) {
        return transfer::DatalogLabelFromController(
            std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()));
    };
    EXPECT_EQ(label("../etc/x \t  "), "_._etc_x");
    EXPECT_EQ(label("../../X"), "_._.__X"); // never hidden, never ".."
    EXPECT_EQ(label("Station \xB0"
                    "1\0\0\0"),
              "Station \xC2\xB0"
              "1");
    EXPECT_EQ(label("      "), "");
    EXPECT_EQ(label(".."), "__");

    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 6;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 7;
    const std::string stamp = transfer::DatalogTimeStamp(t);
    EXPECT_EQ(stamp, "26_12_06_09_05_07");
    EXPECT_EQ(transfer::DatalogTimeStamp(std::nullopt), "35_255_255_255_255_255");
    EXPECT_EQ(transfer::StampDatalogFileName("Pump_9_16_YY_MM_DD_HH_MM_SS.csv", stamp),
              "Pump_9_16_26_12_06_09_05_07.csv");
}

TEST_F(DatalogFilesTest, WritesEachPresentRangeAndSummarises) {
    auto job = Job({0x01, 0x00, 0x02});
    const Bytes memory =
        MemoryBuilder(true).Record({1, 1, 26, 0, 0, 1}, {0x01, 0, 0x02}, {{5, 2}, {6, 2}}).Frames();
    std::vector<int> steps;
    transfer::DatalogExportHooks hooks;
    hooks.beforeRange = [&](int r) { steps.push_back(r); };
    hooks.alert = [](const std::string& m) { ADD_FAILURE() << m; };
    auto out = transfer::WriteDatalogFiles(memory, job, hooks);
    EXPECT_EQ(steps, (std::vector<int>{0, 2}));
    EXPECT_TRUE(transfer::AllGenerated(out));
    EXPECT_FALSE(out[1].requested);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"Pump_17_24_26_12_06_10_15_30.csv",
                                                   "Pump_1_8_26_12_06_10_15_30.csv"}));
    std::ifstream in(out[2].path, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(text, "DATE(DD/MM/YY);TIME(hh:mm:ss);DATALOG_18;\r\n01/01/26;00:00:01;6\r\n");
    EXPECT_EQ(transfer::DatalogSummary(out),
              "The following files were generated successfully: "
              "Pump_1_8_26_12_06_10_15_30.csv\nPump_17_24_26_12_06_10_15_30.csv.");
}

TEST_F(DatalogFilesTest, ADroppedRangeAndAnUncreatableFileAreReported) {
    // The board memory is damaged beyond its window: every range is dropped.
    auto job = Job({0x01, 0x01, 0x00});
    const Bytes damaged = MemoryBuilder(true).Fill(100, 0).Frames();
    auto out = transfer::WriteDatalogFiles(damaged, job, {});
    EXPECT_FALSE(transfer::AllGenerated(out));
    EXPECT_TRUE(Listing().empty());
    EXPECT_EQ(transfer::DatalogSummary(out),
              "There is no datalogs at the following addresses: 1-8, 9-16.\n The corresponding "
              "files (Pump_1_8_26_12_06_10_15_30.csv\nPump_9_16_26_12_06_10_15_30.csv) were not "
              "generated.\n");

    // A folder that does not exist: the file cannot be created, the other range still is
    // tried, and nothing is left behind.
    job.folder = (dir / "missing").string();
    std::vector<std::string> alerts;
    transfer::DatalogExportHooks hooks;
    hooks.alert = [&](const std::string& m) { alerts.push_back(m); };
    out = transfer::WriteDatalogFiles(MemoryBuilder(true).Frames(), job, hooks);
    const std::string cause = " in the folder " + job.folder + ": No such file or directory.";
    EXPECT_EQ(alerts,
              (std::vector<std::string>{"Could not create file : Pump_1_8_26_12_06_10_15_30.csv.\n"
                                        "Cannot write the file Pump_1_8_26_12_06_10_15_30.csv" +
                                            cause,
                                        "Could not create file : Pump_9_16_26_12_06_10_15_30.csv.\n"
                                        "Cannot write the file Pump_9_16_26_12_06_10_15_30.csv" +
                                            cause}));
    EXPECT_FALSE(out[0].generated);
    EXPECT_TRUE(Listing().empty());
}

} // namespace
