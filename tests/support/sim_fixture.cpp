#include "tests/support/sim_fixture.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace simtest {

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int WaitExit(pid_t pid, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (Clock::now() < deadline) {
        int status = 0;
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -2;
}

} // namespace

std::string SimProcess::ProgramPath() {
    const char* dir = std::getenv("QUORVEL_PROGRAM_DIR");
    return std::string(dir != nullptr ? dir : ".") + "/quorvel-sim";
}

SimProcess::SimProcess(SimConfig config) : config_(std::move(config)) {
    char tmpl[] = "/tmp/quorvel-sim-XXXXXX";
    if (::mkdtemp(tmpl) != nullptr)
        dir_ = tmpl;
}

SimProcess::~SimProcess() {
    Stop();
    if (!dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
}

bool SimProcess::Start(std::string* error) {
    std::string local_error;
    std::string& err = error != nullptr ? *error : local_error;
    if (dir_.empty()) {
        err = "no temporary device folder";
        return false;
    }
    if (pid_ > 0)
        Stop();
    std::vector<std::string> args = {ProgramPath(),
                                     "--dev-dir",
                                     dir_,
                                     "--usb-name",
                                     config_.usb_name,
                                     "--tcp-port",
                                     std::to_string(tcp_port_),
                                     "--bind",
                                     "127.0.0.1",
                                     "--log",
                                     log_path(),
                                     "--state",
                                     state_path()};
    args.insert(args.end(), config_.args.begin(), config_.args.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string err_path = dir_ + "/sim.stderr";

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        err = "pipe failed";
        return false;
    }
    const pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(out[0]);
        ::close(out[1]);
        err = "fork failed";
        return false;
    }
    if (pid == 0) {
        // The simulator goes when the test process goes, even when the test crashes.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(out[1], STDOUT_FILENO);
        int e = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (e >= 0)
            ::dup2(e, STDERR_FILENO);
        // Nothing else of the test goes with it: an inherited port or socket would keep
        // another simulator's pty or listener open.
        ::close_range(3, ~0U, 0);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    pid_ = pid;

    // Read stdout until the READY line or the deadline.
    std::string text;
    const auto deadline = Clock::now() + std::chrono::milliseconds(config_.ready_timeout_ms);
    bool ready = false;
    while (!ready && Clock::now() < deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, int(std::max<long>(1, long(left.count())))) <= 0)
            continue;
        char buf[512];
        ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0)
            break; // the simulator exited
        text.append(buf, std::size_t(n));
        std::size_t at = text.find("READY");
        if (at != std::string::npos && text.find('\n', at) != std::string::npos) {
            ready_ = text.substr(at, text.find('\n', at) - at);
            ready = true;
        }
    }
    ::close(out[0]);
    if (!ready) {
        Stop();
        err = "quorvel-sim did not get ready (" + ProgramPath() + "): " + ReadStderr();
        return false;
    }
    std::size_t tcp = ready_.find("tcp=");
    if (tcp != std::string::npos)
        tcp_port_ = std::atoi(ready_.c_str() + tcp + 4);
    return true;
}

int SimProcess::Stop() {
    if (pid_ <= 0)
        return -1;
    ::kill(pid_, SIGTERM);
    int status = WaitExit(pid_, 5000);
    if (status == -2) {
        ::kill(pid_, SIGKILL);
        status = WaitExit(pid_, 5000);
    }
    pid_ = -1;
    return status;
}

bool SimProcess::Restart(std::string* error) {
    Stop();
    return Start(error);
}

std::string SimProcess::ReadLog() const {
    return ReadFile(log_path());
}
std::string SimProcess::ReadStderr() const {
    return ReadFile(dir_ + "/sim.stderr");
}

bool SimProcess::WaitForLog(const std::string& text, int timeout_ms) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    do {
        if (ReadLog().find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (Clock::now() < deadline);
    return false;
}

void SimFixture::SetUp() {
    sim_ = std::make_unique<SimProcess>(Config());
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
}

void SimFixture::TearDown() {
    sim_.reset();
}

} // namespace simtest
