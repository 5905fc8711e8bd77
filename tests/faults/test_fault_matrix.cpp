// The fault matrix: every transfer (program read and write, datalog read, firmware update)
// and every service (identity, clock get and set, diagnostics, lock, unlock) of quorvel-cli,
// run against the simulator through the real transport libraries with one fault injected at
// each request position in turn. A clean run first counts the requests; then a refusal, a
// wrong check byte and a dropped link at every position, and silence (which costs a whole
// link time-out) at the first, middle and last positions, those runs side by side. Over
// Bluetooth, silence costs 40 s a request: it runs only in the long mode.
//
// Every run must end by itself within its time-outs, exit 0 or 1 (never a crash), carry the
// system's message on standard error when it fails, and leave no partial file: a failed
// transfer leaves its output folder without the file it was writing, a successful one leaves
// the same file a clean run writes. A run that succeeds is judged by what the controller then
// holds (its state file: program zones, clock, lock), which must be what a clean run leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/support/sim_fixture.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The long mode (QUORVEL_FAULTS_LONG=1) adds the cases that wait out Bluetooth's 40-second
// time-out: silence over Bluetooth. They stay out of the test command.
bool LongMode() {
    const char* v = std::getenv("QUORVEL_FAULTS_LONG");
    return v != nullptr && std::string(v) == "1";
}

// Longer than any time-out chain of the command line (6 s per silent request over USB, a few
// attempts; 40 s over Bluetooth in the long mode): a run still going then is a hang.
constexpr int kDeadlineMs = 45000;
constexpr int kLongDeadlineMs = 150000;
int DeadlineMs() {
    return LongMode() ? kLongDeadlineMs : kDeadlineMs;
}
// Cases of one operation run side by side: each mostly waits on its two processes.
constexpr unsigned kWorkers = 4;

struct Outcome {
    int status = -1; // exit status; -1 when killed by a signal or at the deadline
    bool hung = false;
    double seconds = 0;
    std::string out, err;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string CliPath() {
    return (fs::path(simtest::SimProcess::ProgramPath()).parent_path() / "quorvel-cli").string();
}

// Runs quorvel-cli in `dir` (standard input, output and error kept there as files), killed
// at the deadline. Safe to call from several threads: the environment is built before fork.
Outcome RunCli(const std::string& dir, const std::vector<std::string>& args,
               const std::string& input) {
    const std::string in = dir + "/cli.in", out = dir + "/cli.out", err = dir + "/cli.err";
    std::ofstream(in, std::ios::binary) << input;
    std::vector<std::string> argStore = {CliPath()};
    argStore.insert(argStore.end(), args.begin(), args.end());
    // The service history (and the program copies it keeps) of each case stays in its folder.
    std::vector<std::string> envStore = {"QUORVEL_DEV_DIR=" + dir, "QUORVEL_WAIT_SCALE=0",
                                         "QUORVEL_HISTORY=" + dir + "/history.sqlite3"};
    for (char** e = environ; *e != nullptr; ++e)
        if (std::string_view(*e).rfind("QUORVEL_DEV_DIR=", 0) != 0 &&
            std::string_view(*e).rfind("QUORVEL_WAIT_SCALE=", 0) != 0 &&
            std::string_view(*e).rfind("QUORVEL_HISTORY=", 0) != 0)
            envStore.emplace_back(*e);
    std::vector<char*> argv, envp;
    for (std::string& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    Outcome o;
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int i = ::open(in.c_str(), O_RDONLY);
        const int w = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (i < 0 || w < 0 || e < 0)
            ::_exit(127);
        ::dup2(i, STDIN_FILENO);
        ::dup2(w, STDOUT_FILENO);
        ::dup2(e, STDERR_FILENO);
        ::close_range(3, ~0U, 0);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (pid < 0)
        return o;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (Clock::now() - start > std::chrono::milliseconds(DeadlineMs())) {
            o.hung = true;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    o.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!o.hung && WIFEXITED(status))
        o.status = WEXITSTATUS(status);
    o.out = ReadFile(out);
    o.err = ReadFile(err);
    // Every run first says that its waits are shortened; what follows is the run's own.
    const std::string shortened = "QUORVEL_WAIT_SCALE is set: the waits of reboots, erases and "
                                  "countdowns are shortened for testing.\n";
    if (o.err.rfind(shortened, 0) == 0)
        o.err.erase(0, shortened.size());
    return o;
}

enum class Link { kUsb, kEthernet, kBle };

// One command of quorvel-cli against one simulated controller.
struct Operation {
    std::vector<std::string> simArgs;
    std::vector<std::string> cliArgs; // "{out}" stands for the run's output folder
    std::string input;                // standard input (passwords)
    std::string outputExt;            // the extension of the file a transfer writes, if any
    Link link = Link::kUsb;
    bool sameOutput = false; // a run that succeeds prints what a clean run prints
    // Requests (a text of their log line) whose refusal must end the run in failure.
    std::vector<std::string> mustFailWhenRefused;
    // Records of the simulator's state file that a run that succeeds must leave as a clean
    // run leaves them ("clock" within kClockSlackSeconds).
    std::vector<std::string> judgedState;
    // Records the clean run must leave (so that judging by them is not vacuous).
    std::map<std::string, std::string> cleanLeaves;
};

// A clock set by two runs drifts apart by no more than their run times.
constexpr std::int64_t kClockSlackSeconds = 2 * kDeadlineMs / 1000;

using StateRecords = std::map<std::string, std::string>;

// The records of a simulator state file ("QSIM", format, code8, then name length, name,
// data length (4, little-endian), data); empty when the file is not whole.
StateRecords ReadStateRecords(const std::string& file) {
    StateRecords records;
    std::size_t at = 9;
    auto byte = [&](std::size_t i) { return std::size_t(std::uint8_t(file[i])); };
    while (at < file.size()) {
        const std::size_t nameLength = byte(at);
        if (at + 1 + nameLength + 4 > file.size())
            return {};
        const std::size_t lengthAt = at + 1 + nameLength;
        const std::size_t length = byte(lengthAt) | byte(lengthAt + 1) << 8 |
                                   byte(lengthAt + 2) << 16 | byte(lengthAt + 3) << 24;
        if (lengthAt + 4 + length > file.size())
            return {};
        records[file.substr(at + 1, nameLength)] = file.substr(lengthAt + 4, length);
        at = lengthAt + 4 + length;
    }
    return records;
}

// A little-endian record as a number (the clock: seconds since 2000-01-01).
std::int64_t LittleEndian(const std::string& data) {
    std::uint64_t v = 0;
    for (std::size_t i = data.size(); i-- > 0;)
        v = v << 8 | std::uint8_t(data[i]);
    return std::int64_t(v);
}

Operation Op(std::vector<std::string> simArgs, std::vector<std::string> cliArgs,
             std::string input = "", std::string outputExt = "") {
    Operation op;
    op.simArgs = std::move(simArgs);
    op.cliArgs = std::move(cliArgs);
    op.input = std::move(input);
    op.outputExt = std::move(outputExt);
    return op;
}

struct CaseResult {
    std::string label;
    bool started = false;
    Outcome outcome;
    std::size_t requests = 0;
    std::vector<std::string> files; // the names left in the output folder
    std::string written;            // the content of the one output file, when one
    std::string log;                // the simulator's request log
    StateRecords state;             // the simulator's state file once stopped, when judged
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::size_t CountRequests(const std::string& log) {
    std::size_t n = 0;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        if (line.size() > 7 && std::all_of(line.begin(), line.begin() + 6, ::isdigit))
            ++n;
    return n;
}

CaseResult RunCase(const Operation& op, const std::string& label,
                   const std::vector<std::string>& faultArgs) {
    CaseResult r;
    r.label = label;
    std::vector<std::string> simArgs = op.simArgs;
    simArgs.insert(simArgs.end(), faultArgs.begin(), faultArgs.end());
    simtest::SimProcess sim(simtest::SimConfig{simArgs, "ttyFM0"});
    std::string error;
    r.started = sim.Start(&error);
    if (!r.started) {
        r.outcome.err = error;
        return r;
    }
    const fs::path outDir = fs::path(sim.dev_dir()) / "out";
    fs::create_directories(outDir);
    std::vector<std::string> args;
    switch (op.link) {
    case Link::kUsb:
        args = {"--usb", sim.usb_name()};
        break;
    case Link::kEthernet:
        args = {"--eth", "127.0.0.1:" + std::to_string(sim.tcp_port())};
        break;
    case Link::kBle:
        args = {"--ble", "ttySIM1", "--address", "A2:7B:C4:1D:5E:00"};
        break;
    }
    for (const std::string& a : op.cliArgs)
        args.push_back(a == "{out}" ? outDir.string() : a);
    r.outcome = RunCli(sim.dev_dir(), args, op.input);
    for (const auto& entry : fs::directory_iterator(outDir)) {
        r.files.push_back(entry.path().filename().string());
        if (entry.path().extension() == op.outputExt)
            r.written = ReadFile(entry.path());
    }
    r.log = sim.ReadLog();
    r.requests = CountRequests(r.log);
    if (!op.judgedState.empty()) {
        sim.Stop(); // the state file is written whole at exit
        r.state = ReadStateRecords(ReadFile(sim.state_path()));
    }
    return r;
}

// A run that reports success leaves the controller as a clean run leaves it.
void ExpectSameState(const Operation& op, const CaseResult& r, const CaseResult& clean) {
    for (const std::string& name : op.judgedState) {
        const auto got = r.state.find(name), want = clean.state.find(name);
        ASSERT_NE(want, clean.state.end()) << "no " << name << " in the clean run's state";
        ASSERT_NE(got, r.state.end()) << "no " << name << " in the state file";
        if (name == "clock") {
            EXPECT_LE(std::abs(LittleEndian(got->second) - LittleEndian(want->second)),
                      kClockSlackSeconds)
                << "success reported, but the controller's clock is not the one set";
        } else {
            EXPECT_TRUE(got->second == want->second)
                << "success reported, but the controller holds another " << name;
        }
    }
}

// What every faulted run must show. `clean` is the clean run, whose file a run that reports
// success must have written identically when `sameFile`.
void ExpectSound(const Operation& op, const CaseResult& r, const CaseResult& clean, bool sameFile) {
    SCOPED_TRACE(r.label);
    const Outcome& o = r.outcome;
    ASSERT_TRUE(r.started) << o.err;
    EXPECT_FALSE(o.hung) << "still running after " << DeadlineMs() << " ms\n" << r.log;
    EXPECT_TRUE(o.status == 0 || o.status == 1) << "exit " << o.status << "\n"
                                                << o.err << "\n"
                                                << r.log;
    for (const char* crash : {"terminate called", "Assertion", "runtime error:", "Sanitizer"})
        EXPECT_FALSE(Has(o.err, crash)) << o.err;
    for (const std::string& f : r.files)
        EXPECT_FALSE(Has(f, ".part")) << "partial file left: " << f;
    if (o.status == 1 && Has(o.err, "but files were generated.")) {
        // The datalogs were all read and saved, and only the command that ends the read
        // failed: the files are whole, and the message says so.
        EXPECT_EQ(r.written, clean.written) << "a datalog file saved incomplete";
        EXPECT_FALSE(o.out.empty());
    } else if (o.status == 1) {
        // The system's message, and nothing the transfer was writing left behind.
        EXPECT_FALSE(o.err.empty());
        EXPECT_EQ(o.out, "") << o.err;
        if (!op.outputExt.empty()) {
            for (const std::string& f : r.files)
                EXPECT_NE(fs::path(f).extension(), op.outputExt) << "file left after a failure";
        }
    } else if (o.status == 0 && op.sameOutput) {
        EXPECT_EQ(o.out, clean.outcome.out) << "success reported with other results";
    } else if (o.status == 0 && !op.outputExt.empty()) {
        const auto n = std::count_if(r.files.begin(), r.files.end(), [&](const std::string& f) {
            return fs::path(f).extension() == op.outputExt;
        });
        EXPECT_EQ(n, 1) << "success without its file";
        if (sameFile) {
            EXPECT_EQ(r.written, clean.written) << "success reported with a different file";
        }
    }
    if (o.status == 0)
        ExpectSameState(op, r, clean);
}

// The last non-empty line of a failed run's standard error: the message it ended with.
std::string LastLine(const std::string& text) {
    std::istringstream lines(text);
    std::string last;
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            last = line;
    return last;
}

// The positions (from 1) of the requests whose log lines contain one of `texts`.
std::set<std::size_t> PositionsOf(const std::string& log, const std::vector<std::string>& texts) {
    std::set<std::size_t> positions;
    std::istringstream lines(log);
    std::size_t n = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.size() <= 7 || !std::all_of(line.begin(), line.begin() + 6, ::isdigit))
            continue;
        ++n;
        for (const std::string& t : texts)
            if (Has(line, t))
                positions.insert(n);
    }
    return positions;
}

// The first, middle and last of `n` request positions: where the faults that cost a whole
// time-out are placed.
std::set<std::size_t> FirstMiddleLast(std::size_t n) {
    return {1, (n + 1) / 2, n};
}

// Runs one case per fault, `workers` at a time; the results in the order of `faults`.
std::vector<CaseResult> RunCases(const Operation& op, const std::string& name,
                                 const std::vector<std::vector<std::string>>& faults,
                                 unsigned workers) {
    std::vector<CaseResult> results(faults.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next++) < faults.size();) {
            std::string label = name;
            for (const std::string& a : faults[i])
                label += " " + a;
            results[i] = RunCase(op, label, faults[i]);
        }
    };
    std::vector<std::thread> threads;
    for (unsigned w = 1; w < workers; ++w)
        threads.emplace_back(work);
    work();
    for (std::thread& t : threads)
        t.join();
    return results;
}

// The whole matrix of one operation. Returns the number of cases run.
std::size_t RunMatrix(const std::string& name, const Operation& op, bool sameFile = false,
                      std::vector<std::string> serialOnly = {"--fault-bad-check-nth"},
                      std::vector<std::vector<std::string>> extraSilent = {}) {
    const CaseResult clean = RunCase(op, name + " clean", {});
    EXPECT_EQ(clean.outcome.status, 0) << clean.outcome.err << clean.log;
    for (const auto& [record, value] : op.cleanLeaves)
        EXPECT_TRUE(clean.state.count(record) && clean.state.at(record) == value) << record;
    const std::size_t n = clean.requests;
    EXPECT_GT(n, 0u);
    if (clean.outcome.status != 0 || n == 0)
        return 0;

    std::vector<std::string> immediate = {"--fault-refuse-nth", "--fault-drop-after"};
    if (op.link != Link::kEthernet)
        immediate.insert(immediate.end(), serialOnly.begin(), serialOnly.end());
    std::size_t cases = 0, failed = 0;
    std::map<std::string, int> messages;
    std::string succeeded; // the faults the operation came through
    auto record = [&](const CaseResult& r) {
        ExpectSound(op, r, clean, sameFile);
        ++cases;
        if (r.outcome.status != 0) {
            ++failed;
            ++messages[LastLine(r.outcome.err)];
        } else {
            succeeded += " " + r.label.substr(name.size() + 1);
        }
    };
    // Silence waits out the link's time-out: a few positions only, started first so that
    // their waits overlap the rest.
    std::vector<std::vector<std::string>> silent;
    // Over BLE a silent request costs 40 s: outside the long mode the dongle's own faults
    // stand in for it.
    if (op.link != Link::kBle || LongMode())
        for (std::size_t k : FirstMiddleLast(n))
            silent.push_back({"--fault-silent-nth", std::to_string(k)});
    silent.insert(silent.end(), extraSilent.begin(), extraSilent.end());
    std::vector<std::future<std::vector<CaseResult>>> silentRuns;
    for (const auto& fault : silent)
        silentRuns.push_back(
            std::async(std::launch::async, [&, fault] { return RunCases(op, name, {fault}, 1); }));

    // The immediate faults at every position. Each case mostly waits on its processes, so a
    // few run side by side.
    std::vector<std::vector<std::string>> faults;
    for (const std::string& fault : immediate)
        for (std::size_t k = 1; k <= n; ++k)
            faults.push_back({fault, std::to_string(k)});
    const std::set<std::size_t> mustFail = PositionsOf(clean.log, op.mustFailWhenRefused);
    EXPECT_EQ(mustFail.size(), op.mustFailWhenRefused.size()) << clean.log;
    const std::vector<CaseResult> results = RunCases(op, name, faults, kWorkers);
    for (std::size_t i = 0; i < results.size(); ++i) {
        record(results[i]);
        if (faults[i][0] == "--fault-refuse-nth" && mustFail.count(std::stoul(faults[i][1]))) {
            EXPECT_EQ(results[i].outcome.status, 1) << results[i].label << " reported success\n"
                                                    << results[i].outcome.err;
        }
    }
    double slowest = 0;
    for (auto& f : silentRuns)
        for (const CaseResult& r : f.get()) {
            slowest = std::max(slowest, r.outcome.seconds);
            record(r);
        }

    std::printf("fault matrix: %s: %zu requests, %zu cases, %zu ended in a message, slowest "
                "waiting case %.1f s\n",
                name.c_str(), n, cases, failed, slowest);
    std::printf("  completed despite:%s\n", succeeded.c_str());
    for (const auto& [message, count] : messages)
        std::printf("  %4d x %s\n", count, message.c_str());
    ::testing::Test::RecordProperty("fault_cases", int(cases));
    return cases;
}

// A program file read from a stopped controller, for the program write.
std::string ReadProgramFile(const std::vector<std::string>& simArgs, const fs::path& keepIn) {
    const CaseResult r =
        RunCase(Op(simArgs, {"program", "read", "{out}"}, "", ".vqap"), "read", {});
    EXPECT_EQ(r.outcome.status, 0) << r.outcome.err;
    fs::create_directories(keepIn);
    const fs::path file = keepIn / "matrix.vqap";
    std::ofstream(file, std::ios::binary) << r.written;
    return file.string();
}

class FaultMatrix : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("quorvel-faults-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path folder_;
};

const std::vector<std::string> kStoppedPask = {"--code8", "61420001", "--stopped"};
const std::vector<std::string> kStoppedKz9 = {"--code8", "61410031", "--stopped"};
constexpr const char* kPassword = "Zq9Xw";

// Each transfer runs its matrix over USB and, as a test of its own, over Ethernet (silence and
// dropped connections included), so that each test stays within the suite's time limit.
void ProgramReadMatrix(Link link, const std::string& suffix) {
    Operation op = Op(kStoppedPask, {"program", "read", "{out}"}, "", ".vqap");
    op.link = link;
    EXPECT_GT(RunMatrix("program read" + suffix, op, /*sameFile=*/true), 0u);
}

void ProgramWriteMatrix(Link link, const std::string& suffix, const fs::path& folder) {
    const std::string file = ReadProgramFile(kStoppedKz9, folder);
    Operation op = Op(kStoppedKz9, {"program", "write", file, "--no"});
    op.link = link;
    // Its own program written back: a success must leave every zone whole again.
    op.judgedState = {"area:Init", "area:Prog", "area:Param", "area:MetierSlot", "area:Metier"};
    // The program is written, but the old datalogs stay: not a success.
    op.mustFailWhenRefused = {"erase board datalogs"};
    EXPECT_GT(RunMatrix("program write" + suffix, op), 0u);
}

void DatalogReadMatrix(Link link, const std::string& suffix) {
    // One clock start for every run: the records carry the same times, so a read that
    // succeeds must give the very lines of a clean read.
    std::vector<std::string> sim = kStoppedPask;
    sim.insert(sim.end(), {"--clock-start", "800000000"});
    Operation op = Op(sim, {"datalogs", "read", "{out}"}, "", ".csv");
    op.link = link;
    EXPECT_GT(RunMatrix("datalog read" + suffix, op, /*sameFile=*/true), 0u);
}

TEST_F(FaultMatrix, ProgramRead) {
    ProgramReadMatrix(Link::kUsb, "");
}
TEST_F(FaultMatrix, ProgramReadOverEthernet) {
    ProgramReadMatrix(Link::kEthernet, " over Ethernet");
}
// The dongle restarts by itself (pulled out, a power glitch) at the first, middle and last
// request of a program read over Bluetooth: the read ends by itself, with the system's message
// or the very file a clean read writes, and never leaves a partial file.
TEST_F(FaultMatrix, ProgramReadOverBleWithTheDongleRestarting) {
    Operation op = Op(kStoppedPask, {"program", "read", "{out}"}, "", ".vqap");
    op.link = Link::kBle;
    const CaseResult clean = RunCase(op, "clean", {});
    ASSERT_EQ(clean.outcome.status, 0) << clean.outcome.err;
    const std::size_t n = clean.requests;
    std::vector<std::vector<std::string>> faults;
    for (std::size_t k : FirstMiddleLast(n)) {
        faults.push_back({"--ble-fault-reset-nth", std::to_string(k)});
        if (LongMode())
            faults.push_back({"--fault-silent-nth", std::to_string(k)});
    }
    std::size_t failed = 0;
    for (const CaseResult& r : RunCases(op, "program read over BLE", faults, 6)) {
        ExpectSound(op, r, clean, /*sameFile=*/true);
        failed += r.outcome.status != 0;
    }
    // A restart amid the zones loses the read.
    EXPECT_GE(failed, 1u);
    std::printf("fault matrix: program read over BLE: %zu requests, %zu cases, %zu ended in a "
                "message\n",
                n, faults.size(), failed);
}

TEST_F(FaultMatrix, ProgramWrite) {
    ProgramWriteMatrix(Link::kUsb, "", folder_);
}
TEST_F(FaultMatrix, ProgramWriteOverEthernet) {
    ProgramWriteMatrix(Link::kEthernet, " over Ethernet", folder_);
}

// A file refused before the first request that changes anything: the controller untouched,
// however its link behaves.
TEST_F(FaultMatrix, ProgramWriteOfARefusedFileLeavesTheControllerUntouched) {
    const std::string file = ReadProgramFile(kStoppedKz9, folder_);
    std::string text = ReadFile(file);
    const std::size_t at = text.find("<Binaire>");
    ASSERT_NE(at, std::string::npos);
    text[at + 9] = 'z';
    const std::string damaged = (folder_ / "damaged.vqap").string();
    std::ofstream(damaged, std::ios::binary) << text;
    const Operation op = Op(kStoppedKz9, {"program", "write", damaged, "--no"});
    std::size_t cases = 0;
    for (const std::vector<std::string>& fault :
         std::vector<std::vector<std::string>>{{},
                                               {"--fault-refuse-nth", "1"},
                                               {"--fault-drop-after", "1"},
                                               {"--fault-bad-check-nth", "1"}}) {
        const CaseResult r = RunCase(op, "damaged file", fault);
        ++cases;
        SCOPED_TRACE(fault.empty() ? "no fault" : fault[0]);
        EXPECT_EQ(r.outcome.status, 1) << r.outcome.err;
        EXPECT_FALSE(r.outcome.hung);
        EXPECT_FALSE(r.outcome.err.empty());
        // Nothing erased nor written in the program zone.
        EXPECT_FALSE(Has(r.log, "[05 0")) << r.log;
        EXPECT_FALSE(Has(r.log, "WCF")) << r.log;
    }
    std::printf("fault matrix: refused program file: %zu cases\n", cases);
}

TEST_F(FaultMatrix, DatalogRead) {
    DatalogReadMatrix(Link::kUsb, "");
}
TEST_F(FaultMatrix, DatalogReadOverEthernet) {
    DatalogReadMatrix(Link::kEthernet, " over Ethernet");
}

// The first package `firmware list` offers for the simulated model.
std::string FirstPackage(const std::vector<std::string>& sim) {
    const CaseResult list =
        RunCase(Op(sim, {"firmware", "list", "--language", "en"}), "firmware list", {});
    EXPECT_EQ(list.outcome.status, 0) << list.outcome.err;
    const std::string first = list.outcome.out.substr(0, list.outcome.out.find('\n'));
    const std::string package = first.substr(first.find(' ') + 1);
    EXPECT_TRUE(fs::exists(package)) << list.outcome.out;
    return package;
}

// `frames`: the image frames from which the controller falls silent for good.
void FirmwareUpdateMatrix(Link link, const std::string& code8, const std::string& suffix,
                          std::vector<int> frames) {
    const std::vector<std::string> sim = {"--code8", code8};
    Operation op = Op(sim, {"firmware", "update", FirstPackage(sim), "--yes"});
    op.link = link;
    // A success prints the version read back after the reconnection: the new one.
    op.sameOutput = true;
    std::vector<std::vector<std::string>> silences;
    for (int frame : frames)
        silences.push_back({"--fault-silent-image-frame", std::to_string(frame)});
    EXPECT_GT(RunMatrix("firmware update" + suffix, op, false, {"--fault-bad-check-nth"}, silences),
              0u);
}

TEST_F(FaultMatrix, FirmwareUpdate) {
    FirmwareUpdateMatrix(Link::kUsb, "61410001", "", {1, 3});
}
// Ethernet's own path: the images in blocks without loading modes, and the reconnection to the
// same address after each restart. Its base bootloader (frames 1 to 5) waits 70 s for each
// answer, longer than a case may last: the silences fall in the daughter board's bootloader
// and in the base firmware.
TEST_F(FaultMatrix, FirmwareUpdateOverEthernet) {
    FirmwareUpdateMatrix(Link::kEthernet, "61420011", " over Ethernet", {7, 12});
}

TEST_F(FaultMatrix, Identity) {
    Operation op = Op(kStoppedKz9, {"identity"});
    op.sameOutput = true;
    EXPECT_GT(RunMatrix("identity", op), 0u);
}

TEST_F(FaultMatrix, IdentityOverEthernet) {
    Operation op = Op(kStoppedKz9, {"identity"});
    op.link = Link::kEthernet;
    op.sameOutput = true;
    EXPECT_GT(RunMatrix("identity over Ethernet", op), 0u);
}

// Through the dongle: the faults of the controller, and a dongle that sends unknown messages
// or does not come back after its reset.
TEST_F(FaultMatrix, IdentityOverBle) {
    Operation op = Op(kStoppedKz9, {"identity"});
    op.link = Link::kBle;
    op.sameOutput = true;
    EXPECT_GT(RunMatrix("identity over BLE", op, false, {"--fault-bad-check-nth"},
                        {{"--ble-fault-unknown"}, {"--ble-fault-never-back"}}),
              0u);
}

TEST_F(FaultMatrix, ClockGet) {
    EXPECT_GT(RunMatrix("clock get", Op(kStoppedKz9, {"clock", "get"})), 0u);
}

TEST_F(FaultMatrix, ClockSet) {
    Operation op = Op(kStoppedKz9, {"clock", "set", "2030-06-15", "12:00:00"});
    op.sameOutput = true;
    op.judgedState = {"clock"};
    EXPECT_GT(RunMatrix("clock set", op), 0u);
}

TEST_F(FaultMatrix, Diagnostics) {
    EXPECT_GT(RunMatrix("diag", Op(kStoppedKz9, {"diag"})), 0u);
}

TEST_F(FaultMatrix, Lock) {
    Operation op = Op(kStoppedKz9, {"lock"}, std::string(kPassword) + "\n");
    op.sameOutput = true;
    op.judgedState = {"remote-password", "session-locked"};
    op.cleanLeaves = {{"session-locked", std::string(1, '\1')}};
    EXPECT_GT(RunMatrix("lock", op), 0u);
}

TEST_F(FaultMatrix, Unlock) {
    Operation op = Op({"--code8", "61410031", "--remote-password", kPassword}, {"unlock"},
                      std::string(kPassword) + "\n");
    op.sameOutput = true;
    // The session ends with the command, and the controller locks again: what stays is the
    // password and its attempts.
    op.judgedState = {"remote-password", "lock"};
    EXPECT_GT(RunMatrix("unlock", op), 0u);
}

} // namespace
