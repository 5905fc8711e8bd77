// quorvel-cli datalogs end to end: the real executable and transport libraries against the
// simulator over USB and Ethernet, for an own-memory Pask, a communication-board kz9, a Trel,
// a model without datalogs, a running controller answered No, a damaged board memory, and
// the charts of the files read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/cli/cli_sim.h"

namespace {

namespace fs = std::filesystem;
using e2e::Cli;
using e2e::RunResult;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// A fresh target folder per case.
class DatalogsCli : public ::testing::Test {
  protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("quorvel-dlcli-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }
    fs::path Folder(const std::string& name) {
        fs::create_directories(root / name);
        return root / name;
    }
    std::vector<std::string> Files(const fs::path& dir) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Runs the read over USB then Ethernet into two folders; returns the paths written.
    std::vector<std::vector<std::string>> ReadBoth(Cli& cli, const std::vector<std::string>& opts) {
        std::vector<std::vector<std::string>> out;
        for (bool usb : {true, false}) {
            std::vector<std::string> args = {"datalogs", "read",
                                             Folder(usb ? "usb" : "eth").string()};
            args.insert(args.end(), opts.begin(), opts.end());
            RunResult r = usb ? cli.Usb(args) : cli.Eth(args);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_NE(r.err.find("The following files were generated successfully: "),
                      std::string::npos)
                << r.err;
            out.push_back(Lines(r.out));
        }
        return out;
    }
    fs::path root;
};

TEST_F(DatalogsCli, OwnMemoryPaskStoppedFirstOverUsbAndEthernet) {
    Cli cli({"--code8", "61420001"});
    ASSERT_TRUE(cli.Start());
    auto written = ReadBoth(cli, {"--yes"});
    for (const std::vector<std::string>& paths : written) {
        // Range 1-8 only (channels 1-3); named after the default label.
        ASSERT_EQ(paths.size(), 1u);
        const std::string name = fs::path(paths[0]).filename().string();
        EXPECT_EQ(name.rfind("Pasklabel_1_8_", 0), 0u) << name;
        EXPECT_EQ(name.size(), std::string("Pasklabel_1_8_YY_MM_DD_HH_MM_SS.csv").size());
        const std::string csv = Slurp(paths[0]);
        EXPECT_EQ(csv.rfind("DATE(DD/MM/YY);TIME(hh:mm:ss);DATALOG_1;DATALOG_2;DATALOG_3;\r\n", 0),
                  0u);
        EXPECT_GE(Count(csv, "\r\n"), 6u) << csv;
    }
    // The controller was stopped ([1,0]) and told the read is over ([26,0]) each time.
    const std::string log = cli.sim().ReadLog();
    EXPECT_GE(Count(log, "end of datalog read"), 2u) << log;
    RunResult status = cli.Usb({"status", "--json"});
    EXPECT_NE(status.out.find("\"running\":false"), std::string::npos) << status.out;
}

TEST_F(DatalogsCli, CommunicationBoardKz9WithLabelsUnitsAnd32BitRange) {
    Cli cli({"--code8", "61410031", "--stopped", "--label", "Pump/1", "--datalog-channels",
             "1,3,9,17", "--datalog-wide", "2", "--datalog-label", "1:Level:°C:1",
             "--datalog-label", "9:Energy:Wh:2"});
    ASSERT_TRUE(cli.Start());
    auto written = ReadBoth(cli, {});
    for (const std::vector<std::string>& paths : written) {
        ASSERT_EQ(paths.size(), 3u); // kz9: range 17-24 too
        EXPECT_EQ(fs::path(paths[0]).filename().string().rfind("Pump_1_1_8_", 0), 0u);
        EXPECT_EQ(fs::path(paths[2]).filename().string().rfind("Pump_1_17_24_", 0), 0u);
        const std::string first = Slurp(paths[0]);
        EXPECT_EQ(first.rfind("DATE(DD/MM/YY);TIME(hh:mm:ss);Level (\xB0"
                              "C);DATALOG_3;\r\n",
                              0),
                  0u)
            << first;
        // Values of channel 1 have one decimal ("," as the separator).
        const std::vector<std::string> lines = Lines(first);
        ASSERT_GE(lines.size(), 6u);
        EXPECT_NE(lines[1].find(','), std::string::npos) << lines[1];
        EXPECT_EQ(Slurp(paths[1]).rfind("DATE(DD/MM/YY);TIME(hh:mm:ss);Energy (Wh);\r\n", 0), 0u);
    }
    EXPECT_EQ(Count(cli.sim().ReadLog(), "end of board datalog read"), 2u);
}

// The dialog shows range 17-24 on kz9 only, but a Pask communication board that logs it gets
// its file all the same.
TEST_F(DatalogsCli, PaskBoardLoggingOnlyChannels17To24GetsThatFile) {
    Cli cli({"--code8", "61420011", "--stopped", "--datalog-channels", "17,18"});
    ASSERT_TRUE(cli.Start());
    for (const std::vector<std::string>& paths : ReadBoth(cli, {})) {
        ASSERT_EQ(paths.size(), 1u);
        const std::string name = fs::path(paths[0]).filename().string();
        EXPECT_EQ(name.rfind("Pasklabel_17_24_", 0), 0u) << name;
        EXPECT_EQ(name.size(), std::string("Pasklabel_17_24_YY_MM_DD_HH_MM_SS.csv").size());
    }
}

TEST_F(DatalogsCli, TrelOverUsbAndEthernet) {
    Cli cli({"--code8", "61430001", "--stopped"});
    ASSERT_TRUE(cli.Start());
    for (const std::vector<std::string>& paths : ReadBoth(cli, {})) {
        ASSERT_EQ(paths.size(), 1u);
        EXPECT_EQ(fs::path(paths[0]).filename().string().rfind("Trellabel_1_8_", 0), 0u);
    }
}

TEST_F(DatalogsCli, NothingToReadAndDeclinedStop) {
    // A kz9 without communication module has no embedded datalogs: message, nothing, 0.
    {
        Cli cli({"--code8", "61410001", "--software", "1.09.00"});
        ASSERT_TRUE(cli.Start());
        RunResult r = cli.Usb({"datalogs", "read", Folder("none").string()});
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.err.find("This target does not have embedded datalogs.\n"), std::string::npos)
            << r.err;
        EXPECT_TRUE(r.out.empty());
        EXPECT_TRUE(Files(root / "none").empty());
    }
    // A running Pask answered No stays running and nothing is read; without an answer
    // (no terminal) the question is printed and the status is 2.
    Cli cli({"--code8", "61420001"});
    ASSERT_TRUE(cli.Start());
    const fs::path dir = Folder("no");
    RunResult no = cli.Usb({"datalogs", "read", dir.string(), "--no"});
    EXPECT_EQ(no.status, 0) << no.err;
    RunResult unanswered = cli.Eth({"datalogs", "read", dir.string()});
    EXPECT_EQ(unanswered.status, 2);
    EXPECT_NE(unanswered.err.find("Cannot read the datalogs in the controller when it is in ON "
                                  "mode.\nDo you want to turn the controller off?"),
              std::string::npos)
        << unanswered.err;
    EXPECT_TRUE(Files(dir).empty());
    const std::string log = cli.sim().ReadLog();
    EXPECT_EQ(log.find("frame"), std::string::npos) << log;
    RunResult status = cli.Usb({"status", "--json"});
    EXPECT_NE(status.out.find("\"running\":true"), std::string::npos) << status.out;
    // A folder that does not exist is a usage error.
    EXPECT_EQ(cli.Usb({"datalogs", "read", (root / "absent").string(), "--yes"}).status, 2);
}

TEST_F(DatalogsCli, DamagedBoardMemoryDropsTheRangeWithoutEndOfRead) {
    // A prepared board memory: one good record, then 80 bytes without a record marker.
    std::vector<std::uint8_t> memory = {1, 0, 0, 0};
    const std::vector<std::uint8_t> record = {0x0A, 0, 0, 12, 0, 1, 2, 26, 0x01, 0, 0, 7, 0, 0};
    memory.insert(memory.end(), record.begin(), record.end());
    memory.insert(memory.end(), 80, 0x00);
    const fs::path prepared = root / "board.bin";
    std::ofstream(prepared, std::ios::binary)
        .write(reinterpret_cast<const char*>(memory.data()), std::streamsize(memory.size()));
    Cli cli({"--code8", "61410031", "--stopped", "--datalog", prepared.string(),
             "--datalog-channels", "1"});
    ASSERT_TRUE(cli.Start());
    const fs::path dir = Folder("damaged");
    RunResult r = cli.Usb({"datalogs", "read", dir.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("There is no datalogs at the following addresses: 1-8.\n The "
                         "corresponding files (kz9label_1_8_"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(Files(dir).empty());
    EXPECT_EQ(cli.sim().ReadLog().find("end of board datalog read"), std::string::npos);
}

TEST_F(DatalogsCli, ProgramWriteStopsWhenTheDatalogsCannotBeSaved) {
    // The board memory cannot be read back into files: the write must not erase it.
    std::vector<std::uint8_t> memory = {1, 0, 0, 0};
    memory.insert(memory.end(), 100, 0x00);
    const fs::path prepared = root / "board.bin";
    std::ofstream(prepared, std::ios::binary)
        .write(reinterpret_cast<const char*>(memory.data()), std::streamsize(memory.size()));
    Cli cli({"--code8", "61410031", "--stopped", "--datalog", prepared.string()});
    ASSERT_TRUE(cli.Start());
    const fs::path saved = root / "saved"; // made by the saver
    // The file is checked before anything else: a sound one, the controller's own.
    RunResult read = cli.Usb({"program", "read", root.string()});
    ASSERT_EQ(read.status, 0) << read.err;
    RunResult r = cli.Usb({"program", "write", read.out.substr(0, read.out.size() - 1), "--yes",
                           "--no-keep", "--datalogs-folder", saved.string()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("There is no datalogs at the following addresses: 1-8, 9-16."),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("The program was not written."), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_directory(saved));
    EXPECT_TRUE(Files(saved).empty());
    const std::string log = cli.sim().ReadLog();
    EXPECT_EQ(log.find("erase"), std::string::npos) << log;
    EXPECT_EQ(log.find("end of board datalog read"), std::string::npos) << log;
}

TEST_F(DatalogsCli, ChartsOfTheFilesReadAsAPicture) {
    Cli cli({"--code8", "61420001", "--stopped"});
    ASSERT_TRUE(cli.Start());
    const fs::path dir = Folder("plot");
    RunResult read = cli.Usb({"datalogs", "read", dir.string()});
    ASSERT_EQ(read.status, 0) << read.err;
    const fs::path png = root / "chart.png";
    RunResult plot = cli.Run({"datalogs", "plot", Lines(read.out)[0], "--png", png.string()});
    ASSERT_EQ(plot.status, 0) << plot.err;
    const std::string picture = Slurp(png);
    ASSERT_GT(picture.size(), 1000u);
    EXPECT_EQ(picture.substr(1, 3), "PNG");
    EXPECT_FALSE(fs::exists(png.string() + ".part"));
    // A pane per unit, stacked: three units make a picture three panes high.
    std::ofstream(root / "units.csv") << "DATE(DD/MM/YY);TIME(hh:mm:ss);L (cm);Pump;F (l/h);\r\n"
                                         "01/01/26;00:00:00;20;0;5\r\n";
    const fs::path stacked = root / "stacked.png";
    RunResult panes =
        cli.Run({"datalogs", "plot", (root / "units.csv").string(), "--png", stacked.string()});
    ASSERT_EQ(panes.status, 0) << panes.err;
    const std::string header = Slurp(stacked).substr(0, 24);
    ASSERT_EQ(header.size(), 24u);
    auto word = [&header](std::size_t at) {
        return (std::uint32_t(std::uint8_t(header[at])) << 24) |
               (std::uint32_t(std::uint8_t(header[at + 1])) << 16) |
               (std::uint32_t(std::uint8_t(header[at + 2])) << 8) | std::uint8_t(header[at + 3]);
    };
    EXPECT_EQ(word(16), 1200u); // width, then height, of the picture
    EXPECT_EQ(word(20), 3u * 320u);
    // Not a datalog file: refused, nothing written.
    std::ofstream(root / "other.csv") << "a;b\r\n";
    const fs::path none = root / "none.png";
    RunResult bad =
        cli.Run({"datalogs", "plot", (root / "other.csv").string(), "--png", none.string()});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "other.csv is not a datalog CSV file.\n");
    EXPECT_FALSE(fs::exists(none));
    EXPECT_EQ(cli.Run({"datalogs", "plot", "--png", none.string()}).status, 2);
}

} // namespace
