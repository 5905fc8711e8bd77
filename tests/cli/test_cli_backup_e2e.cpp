// backup and --traffic-log end to end: the real executable and transport libraries against
// the simulator.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "tests/cli/cli_sim.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;
using testsupport::EntryNames;
using testsupport::ReadWholeFile;
using testsupport::TempFolder;

namespace {

using Controller = e2e::Cli;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

using e2e::Has;

std::vector<std::string> WithExtension(const std::string& folder, const std::string& extension) {
    std::vector<std::string> names;
    for (const std::string& name : EntryNames(folder))
        if (fs::path(name).extension() == extension)
            names.push_back(name);
    return names;
}

} // namespace

TEST(CliBackup, SavesEachPartIntoANewFolderNamedAfterTheLabel) {
    Controller controller({"--code8", "61410031", "--label", "PUMP/ST 1"});
    ASSERT_TRUE(controller.Start());
    TempFolder parent;

    e2e::RunResult r = controller.Usb({"backup", parent.Path(), "--no"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Running, and not to be stopped: the datalogs are left out, and that is said.
    EXPECT_TRUE(Has(r.err, "datalogs: skipped: the controller is running")) << r.err;
    // Standard output: the new folder alone.
    std::vector<std::string> out = Lines(r.out);
    ASSERT_EQ(out.size(), 1u) << r.out;
    const std::string folder = out[0];
    EXPECT_TRUE(std::regex_match(
        folder, std::regex(std::regex_replace(parent.Path(), std::regex(R"([.^$|()\[\]{}*+?\\])"),
                                              R"(\$&)") +
                           "/PUMP_ST 1_20[0-9]{6}-[0-9]{6}/")))
        << folder;
    ASSERT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(EntryNames(parent.Path()).size(), 1u);

    // The reports are those of identity --json and config --json.
    e2e::RunResult identity = controller.Usb({"identity", "--json"});
    e2e::RunResult config = controller.Usb({"config", "--json"});
    ASSERT_EQ(identity.status, 0) << identity.err;
    ASSERT_EQ(config.status, 0) << config.err;
    EXPECT_EQ(ReadWholeFile(folder + "identity.json"), identity.out);
    EXPECT_EQ(ReadWholeFile(folder + "config.json"), config.out);

    // The program file, whole, and nothing half written.
    for (const std::string& name : EntryNames(folder))
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;
    std::vector<std::string> programs = WithExtension(folder, ".vqap");
    ASSERT_EQ(programs.size(), 1u) << r.err;
    EXPECT_TRUE(Has(ReadWholeFile(folder + programs[0]), "</UserApplication>"));
    EXPECT_TRUE(WithExtension(folder, ".csv").empty());
}

TEST(CliBackup, RunningControllerIsStoppedForItsDatalogsOnlyWithYesAndStartedAgain) {
    Controller controller({"--code8", "61420001", "--label", "Tank 4"});
    ASSERT_TRUE(controller.Start());
    TempFolder parent;
    e2e::RunResult r = controller.Eth({"backup", parent.Path(), "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string folder = Lines(r.out).at(0);
    EXPECT_NE(folder.find("/Tank 4_"), std::string::npos) << folder;
    std::vector<std::string> csvs = WithExtension(folder, ".csv");
    ASSERT_EQ(csvs.size(), 1u) << r.err;
    EXPECT_EQ(ReadWholeFile(folder + csvs[0]).rfind("DATE(DD/MM/YY);TIME(hh:mm:ss);", 0), 0u);
    EXPECT_EQ(WithExtension(folder, ".vqap").size(), 1u);
    EXPECT_EQ(WithExtension(folder, ".json").size(), 2u);
    // Read from a stopped controller, which runs again afterwards.
    EXPECT_TRUE(Has(controller.sim().ReadLog(), "end of datalog read"));
    e2e::RunResult status = controller.Usb({"status", "--json"});
    EXPECT_TRUE(Has(status.out, "\"running\":true")) << status.out;

    // Without a terminal to ask and without --yes or --no: left running, datalogs skipped.
    e2e::RunResult unasked = controller.Usb({"backup", parent.Path()});
    EXPECT_EQ(unasked.status, 0) << unasked.err;
    EXPECT_TRUE(Has(unasked.err, "datalogs: skipped: ")) << unasked.err;
    EXPECT_TRUE(WithExtension(Lines(unasked.out).at(0), ".csv").empty());
    status = controller.Usb({"status", "--json"});
    EXPECT_TRUE(Has(status.out, "\"running\":true")) << status.out;
}

TEST(CliBackup, UnlabelledControllerIsNamedByItsCode8AndEachBackupIsNew) {
    Controller controller({"--code8", "61430001"});
    ASSERT_TRUE(controller.Start());
    TempFolder parent;
    e2e::RunResult first = controller.Usb({"backup", parent.Path(), "--no"});
    e2e::RunResult second = controller.Usb({"backup", parent.Path() + "/", "--no"});
    for (const e2e::RunResult* r : {&first, &second}) {
        ASSERT_EQ(r->status, 0) << r->err;
        EXPECT_TRUE(std::regex_search(r->out, std::regex("/61430001_20[0-9]{6}-[0-9]{6}(-2)?/\n$")))
            << r->out;
        EXPECT_TRUE(fs::exists(Lines(r->out)[0] + "identity.json"));
    }
    EXPECT_NE(first.out, second.out);
    EXPECT_EQ(EntryNames(parent.Path()).size(), 2u);
}

// An empty program area is nothing to save, not a failed backup.
TEST(CliBackup, ControllerWithoutProgramIsSaidAndCountedAsDone) {
    Controller controller({"--code8", "61420001", "--stopped", "--no-program"});
    ASSERT_TRUE(controller.Start());
    TempFolder parent;
    e2e::RunResult r = controller.Usb({"backup", parent.Path(), "--no"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "program: no program in the controller\n")) << r.err;
    std::vector<std::string> out = Lines(r.out);
    ASSERT_EQ(out.size(), 1u) << r.out << r.err;
    EXPECT_TRUE(WithExtension(out[0], ".vqap").empty());
    EXPECT_TRUE(fs::exists(out[0] + "identity.json"));
}

TEST(CliBackup, PartsThatFailAreNamedAndTheOthersSaved) {
    // Software too old for the program and datalog services: the reports are still saved.
    Controller controller({"--code8", "61410001", "--software", "1.06.20"});
    ASSERT_TRUE(controller.Start());
    TempFolder parent;
    e2e::RunResult r = controller.Usb({"backup", parent.Path(), "--yes"});
    EXPECT_EQ(r.status, 1);
    std::vector<std::string> out = Lines(r.out);
    ASSERT_EQ(out.size(), 1u) << r.out << r.err;
    EXPECT_EQ(EntryNames(out[0]), (std::vector<std::string>{"config.json", "identity.json"}));
    const std::string mustUpdate =
        "The controller software must be updated to use this functionality\n";
    EXPECT_TRUE(Has(r.err, mustUpdate + "program: not saved (see the message above).\n")) << r.err;
    EXPECT_TRUE(Has(r.err, "datalogs: " + mustUpdate)) << r.err;
}

TEST(CliBackup, LockedControllerIsAskedForItsPasswordFirst) {
    const std::string password = "k3y9";
    Controller controller({"--code8", "61420001", "--remote-password", password});
    ASSERT_TRUE(controller.Start());
    TempFolder parent;
    const std::vector<std::string> args{"--usb", controller.sim().usb_name(), "backup",
                                        parent.Path(), "--no"};
    const std::map<std::string, std::string> env{{"QUORVEL_DEV_DIR", controller.sim().dev_dir()}};

    // No password to be had: nothing is read, nothing created.
    e2e::RunResult refused = e2e::RunWithInput("quorvel-cli", args, "", env);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_FALSE(refused.err.empty());
    EXPECT_TRUE(fs::is_empty(parent.Path()));

    // Unlocked with the password of standard input; the traffic log shows the password's
    // write by its size alone.
    const std::string log =
        parent.Path() + "/../" + fs::path(parent.Path()).filename().string() + ".traffic.log";
    std::vector<std::string> logged = args;
    logged.insert(logged.begin(), {"--traffic-log", log});
    e2e::RunResult unlocked = e2e::RunWithInput("quorvel-cli", logged, password + "\n", env);
    const std::string traffic = ReadWholeFile(log);
    fs::remove(log);
    ASSERT_EQ(unlocked.status, 0) << unlocked.err;
    EXPECT_TRUE(Has(traffic, "\twrite\t")) << traffic;
    EXPECT_FALSE(Has(traffic, password));
    const std::string folder = Lines(unlocked.out).at(0);
    EXPECT_EQ(WithExtension(folder, ".json").size(), 2u);
    EXPECT_EQ(WithExtension(folder, ".vqap").size(), 1u);
    EXPECT_FALSE(Has(unlocked.err + unlocked.out, password));
}

TEST(CliBackup, BadArgumentsChangeNothing) {
    Controller controller({});
    ASSERT_TRUE(controller.Start());
    TempFolder parent;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"backup"},
                                                 {"backup", parent.Path() + "/missing"},
                                                 {"backup", parent.Path(), "--yes", "--no"},
                                                 {"backup", parent.Path(), "extra"}}) {
        e2e::RunResult r = controller.Usb(args);
        EXPECT_EQ(r.status, 2) << args.size() << " " << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_TRUE(fs::is_empty(parent.Path()));
}

TEST(CliTrafficLog, OneLinePerRequestOfTheRunAppended) {
    Controller controller({"--code8", "61420001"});
    ASSERT_TRUE(controller.Start());
    TempFolder folder;
    const std::string log = folder.Path() + "/link.log";

    e2e::RunResult r = controller.Usb({"--traffic-log", log, "read", "0x6000", "156"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = Lines(ReadWholeFile(log));
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "# time\tlink\tkind\taddress\tsize\tresult\tduration_ms");
    const std::regex line(
        R"(20\d\d-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\tUSB ttyQC0\t[a-z-]+\t0x[0-9A-F]+\t\d+\t-?\d+\t\d+\.\d{3})");
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], line)) << lines[i];
    EXPECT_TRUE(Has(lines[1], "\topen\t0x0\t0\t0\t")) << lines[1];
    EXPECT_TRUE(Has(ReadWholeFile(log), "\tread\t0x6000\t156\t0\t"));
    EXPECT_TRUE(Has(lines.back(), "\tclose\t")) << lines.back();

    // A second run adds its lines; a failing one says so in its result column.
    const std::size_t before = lines.size();
    e2e::RunResult eth = controller.Eth({"--traffic-log", log, "status"});
    ASSERT_EQ(eth.status, 0) << eth.err;
    lines = Lines(ReadWholeFile(log));
    EXPECT_GT(lines.size(), before + 2);
    EXPECT_EQ(lines[0].rfind("# time", 0), 0u);
    EXPECT_TRUE(Has(lines[before], "\tETH 127.0.0.1:")) << lines[before];

    e2e::RunResult bad =
        controller.Usb({"--traffic-log", folder.Path() + "/no/such/x.log", "status"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(Has(bad.err, "no/such/x.log")) << bad.err;
}
