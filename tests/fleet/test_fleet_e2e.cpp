// quorvel-cli fleet end to end: several simulators on loopback, each on a TCP port of its
// own, named in a hosts file.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "history/HistoryDb.h"
#include "history/HistoryRecord.h"
#include "platform/program_folder.h"
#include "tests/cli/process_runner.h"
#include "tests/support/sim_fixture.h"

namespace {

namespace fs = std::filesystem;

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class Fleet : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/fleet-e2e-XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        dir_ = dir;
    }
    void TearDown() override {
        for (auto& s : sims_)
            if (s->pid() > 0)
                ::kill(s->pid(), SIGCONT);
        sims_.clear();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    // One simulator per entry, labelled as given, all named in the hosts file.
    void Start(const std::vector<std::pair<std::string, std::vector<std::string>>>& sims) {
        std::ofstream hosts(Hosts(), std::ios::app);
        hosts << "# the test site\n";
        for (const auto& [label, args] : sims) {
            simtest::SimConfig config;
            config.args = args;
            config.args.insert(config.args.end(), {"--label", label});
            config.usb_name = "";
            sims_.push_back(std::make_unique<simtest::SimProcess>(config));
            std::string error;
            ASSERT_TRUE(sims_.back()->Start(&error)) << error;
            hosts << "127.0.0.1:" << sims_.back()->tcp_port() << " " << label << "\n";
        }
    }
    std::string Hosts() const { return dir_ + "/hosts.txt"; }
    // Starts `quorvel-cli fleet ARGS --hosts HOSTS` in the background, its standard output
    // and error into Said(), with the tests' waits and history.
    pid_t StartFleet(std::vector<std::string> args) {
        args.insert(args.begin(), {e2e::ProgramDir() + "/quorvel-cli", "fleet"});
        args.insert(args.end(), {"--hosts", Hosts()});
        const std::string out = dir_ + "/out.txt", history = dir_ + "/history.sqlite3";
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            ::setenv("QUORVEL_WAIT_SCALE", "0", 1);
            ::setenv("QUORVEL_HISTORY", history.c_str(), 1);
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        return pid;
    }
    std::string Said() const {
        std::ifstream said(dir_ + "/out.txt");
        std::stringstream text;
        text << said.rdbuf();
        return text.str();
    }
    std::string Folder() {
        const std::string f = dir_ + "/backups";
        fs::create_directories(f);
        return f;
    }
    e2e::RunResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), "fleet");
        args.insert(args.end(), {"--hosts", Hosts()});
        return e2e::Run(
            "quorvel-cli", args,
            {{"QUORVEL_WAIT_SCALE", "0"}, {"QUORVEL_HISTORY", dir_ + "/history.sqlite3"}});
    }
    // The writes a simulator served (W and WCF requests), session start and end left out.
    std::size_t Writes(std::size_t k) const {
        std::istringstream log(sims_[k]->ReadLog());
        std::size_t n = 0;
        for (std::string line; std::getline(log, line);) {
            std::istringstream fields(line);
            std::string seq, kind;
            fields >> seq >> kind;
            if (!kind.empty() && kind[0] == 'W' && line.find("session") == std::string::npos)
                ++n;
        }
        return n;
    }
    static std::vector<fs::path> Entries(const std::string& folder) {
        std::vector<fs::path> found;
        for (const auto& e : fs::directory_iterator(folder))
            found.push_back(e.path());
        return found;
    }
    std::string Rowan() const {
        return platform::DefaultDataFolder("Binaries") +
               "T71/Rowan/Rowan_1_10_00_2_5_-1--------.vqfw";
    }

    std::string dir_;
    std::vector<std::unique_ptr<simtest::SimProcess>> sims_;
};

TEST_F(Fleet, BackupMakesOneCompleteFolderEachAndASilentControllerFails) {
    Start({{"PUMP-1", {}}, {"PUMP-2", {"--code8", "61420001"}}, {"PUMP-1", {}}, {"MUTE", {}}});
    ::kill(sims_[3]->pid(), SIGSTOP); // connects, never answers
    const std::string folder = Folder();
    auto r = Run({"backup", folder, "--yes", "--json", "--jobs", "4"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(Count(r.out, "\"result\":\"done\""), 3u) << r.out;
    EXPECT_EQ(Count(r.out, "\"result\":\"failed\""), 1u) << r.out;
    EXPECT_NE(r.out.find("{\"label\":\"MUTE\",\"address\":\"127.0.0.1:" +
                         std::to_string(sims_[3]->tcp_port()) + "\",\"result\":\"failed\""),
              std::string::npos)
        << r.out;
    // One progress line per controller.
    EXPECT_EQ(Count(r.err, "/4] "), 4u) << r.err;
    // Two controllers share a label: two folders all the same, nothing else left.
    const std::vector<fs::path> made = Entries(folder);
    ASSERT_EQ(made.size(), 3u);
    for (const fs::path& p : made) {
        EXPECT_EQ(p.filename().string().rfind("PUMP-", 0), 0u) << p;
        EXPECT_TRUE(fs::exists(p / "identity.json")) << p;
        EXPECT_TRUE(fs::exists(p / "config.json")) << p;
        bool program = false;
        for (const fs::path& f : Entries(p))
            program = program || f.extension() == ".vqap";
        EXPECT_TRUE(program) << p;
    }
}

TEST_F(Fleet, FirmwarePlanChangesNothingAndAFailureStopsTheUpdates) {
    // Two Pask Rowan TCP/IP and a kz9 the package does not fit, then two more Rowan. The
    // first of each pair refuses the first erase of its update, which follows the copy of its
    // program: the 85th request after the 6 of each identity check (the first pair is also
    // checked by --plan).
    Start({{"R-1", {"--code8", "61420011", "--fault-refuse-nth", "97"}},
           {"R-2", {"--code8", "61420011"}},
           {"K-1", {}}});
    auto r = Run({"firmware", "update", Rowan(), "--plan", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Count(r.out, "would do: firmware 1.09.03 -> 1.10.00"), 2u) << r.out;
    EXPECT_EQ(Count(r.out, "\"result\":\"skipped\""), 3u) << r.out;
    for (std::size_t k = 0; k < sims_.size(); ++k)
        EXPECT_EQ(Writes(k), 0u) << sims_[k]->ReadLog();

    r = Run({"firmware", "update", Rowan(), "--yes"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("not attempted"), std::string::npos) << r.out;
    EXPECT_GT(Writes(0), 0u);
    EXPECT_EQ(Writes(1), 0u);

    Start({{"R-3", {"--code8", "61420011", "--fault-refuse-nth", "91"}},
           {"R-4", {"--code8", "61420011"}}});
    r = Run(
        {"firmware", "update", Rowan(), "--yes", "--keep-going", "--json", "--match", "R-[34]"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(Count(r.out, "\"result\":\"failed\""), 1u) << r.out;
    EXPECT_NE(r.out.find("\"label\":\"R-4\",\"address\":\"127.0.0.1:" +
                         std::to_string(sims_[4]->tcp_port()) +
                         "\",\"result\":\"done\",\"message\":\"firmware updated: 1.10.00\""),
              std::string::npos)
        << r.out << r.err;
}

TEST_F(Fleet, LockedControllerIsSkippedUnlessItsPasswordIsGiven) {
    Start({{"OPEN", {}}, {"SHUT", {"--remote-password", "secret"}}});
    // The last backup comes from the service history.
    history::Record backup;
    backup.started = backup.ended = history::NowMs() - 3600 * 1000;
    backup.operation = history::kBackup;
    backup.result = history::kDone;
    backup.link = {"eth", "", "127.0.0.1:" + std::to_string(sims_[0]->tcp_port())};
    ASSERT_TRUE(
        history::HistoryDb(dir_ + "/history.sqlite3", [](const std::string&) {}).Add(backup));
    auto r = Run({"list", "--json"});
    EXPECT_NE(r.out.find("\"last_backup\":\"" + history::IsoLocal(backup.started) + "\""),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"label\":\"SHUT\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"result\":\"skipped\",\"message\":\"The controller is password "
                         "protected. Skipped: no password for it in --password-from.\""),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"locked\":true"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"locked\":false"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"last_backup\":null"), std::string::npos) << r.out;

    const std::string passwords = dir_ + "/passwords";
    std::ofstream(passwords) << "SHUT secret\n";
    ::chmod(passwords.c_str(), 0640);
    r = Run({"list", "--password-from", passwords});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("read by others"), std::string::npos) << r.err;
    ::chmod(passwords.c_str(), 0600);
    r = Run({"list", "--password-from", passwords, "--json", "--match", "SH*"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Count(r.out, "\"result\":\"done\""), 1u) << r.out;
    EXPECT_EQ(r.out.find("OPEN"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"clock_offset_s\":"), std::string::npos) << r.out;
}

TEST_F(Fleet, CtrlCDuringAWriteLetsItFinishAndStartsNoOther) {
    Start({{"W-1", {"--eth-rate", "20000"}}, {"W-2", {"--eth-rate", "20000"}}});
    e2e::RunResult read = e2e::Run(
        "quorvel-cli",
        {"--eth", "127.0.0.1:" + std::to_string(sims_[0]->tcp_port()), "program", "read", dir_},
        {{"QUORVEL_HISTORY", dir_ + "/history.sqlite3"}});
    ASSERT_EQ(read.status, 0) << read.err;
    const std::string file = read.out.substr(0, read.out.find('\n'));
    const pid_t pid = StartFleet({"program", "write", file, "--yes"});
    ASSERT_GT(pid, 0);
    // Ctrl-C once the first controller is being written.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (Writes(0) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const std::string said = Said();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << said;
    EXPECT_NE(said.find("W-1 (127.0.0.1:" + std::to_string(sims_[0]->tcp_port()) +
                        "): a program write is under way; it is let finish."),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("Interrupted: 1 of 2"), std::string::npos) << said;
    EXPECT_EQ(Writes(1), 0u);
    // The first controller was written to the end: it holds the file.
    e2e::RunResult same = e2e::Run(
        "quorvel-cli",
        {"--eth", "127.0.0.1:" + std::to_string(sims_[0]->tcp_port()), "program", "compare", file},
        {{"QUORVEL_HISTORY", dir_ + "/history.sqlite3"}});
    EXPECT_EQ(same.status, 0) << same.out << same.err;
}

TEST_F(Fleet, InterruptedBackupLeavesNoPartialFolder) {
    // At a slow controller's pace the backups are still running when Ctrl-C comes.
    Start({{"SLOW-1", {"--eth-rate", "3000"}}, {"SLOW-2", {"--eth-rate", "3000"}}});
    const std::string folder = Folder();
    const pid_t pid = StartFleet({"backup", folder, "--yes"});
    ASSERT_GT(pid, 0);
    // Wait for the children's dated folders to appear in their staging folders.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool started = false;
    while (!started && std::chrono::steady_clock::now() < deadline) {
        for (const fs::path& p : Entries(folder))
            started = started || (fs::is_directory(p) && !fs::is_empty(p));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(started);
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_TRUE(Entries(folder).empty());
    EXPECT_NE(Said().find("Interrupted: 0 of 2"), std::string::npos) << Said();
}

} // namespace
