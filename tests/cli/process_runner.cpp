#include "process_runner.h"

#include <atomic>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace e2e {

namespace {

std::atomic<int> counter{0};

pid_t Spawn(const std::string& path, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& env, int outFd, int errFd) {
    pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::dup2(outFd, STDOUT_FILENO);
    ::dup2(errFd, STDERR_FILENO);
    for (const auto& [name, value] : env)
        ::setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(path.c_str(), argv.data());
    ::_exit(127);
}

// Reads both pipes to their end, so that neither can fill up and block the child.
void Drain(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    int open = 2;
    char buffer[4096];
    while (open > 0) {
        if (::poll(fds, 2, 60000) <= 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? out : err).append(buffer, std::size_t(n));
            }
        }
    }
}

} // namespace

std::string ProgramDir() {
    if (const char* dir = std::getenv("QUORVEL_PROGRAM_DIR"); dir != nullptr && dir[0] != '\0')
        return dir;
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / ".." / "bin").string();
}

RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::map<std::string, std::string>& env) {
    int out[2], err[2];
    RunResult result;
    if (::pipe(out) != 0 || ::pipe(err) != 0)
        return result;
    pid_t pid = Spawn(ProgramDir() + "/" + program, args, env, out[1], err[1]);
    ::close(out[1]);
    ::close(err[1]);
    Drain(out[0], err[0], result.out, result.err);
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    return result;
}

Simulator::Simulator(const std::vector<std::string>& args) {
    int n = counter++;
    devDir_ = (std::filesystem::temp_directory_path() /
               ("quorvel-cli-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(n)))
                  .string();
    std::filesystem::remove_all(devDir_);
    std::filesystem::create_directories(devDir_);
    usbName_ = "ttyQC" + std::to_string(n % 10);
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--dev-dir", devDir_, "--usb-name", usbName_, "--tcp-port", "0"});
    // The simulator writes to a file, so that its output can never fill a pipe and stop it.
    outPath_ = devDir_ + ".out";
    int outFd = ::open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (outFd < 0)
        return;
    pid_ = Spawn(ProgramDir() + "/quorvel-sim", all, {}, outFd, STDERR_FILENO);
    ::close(outFd);
    // Wait (at most 10 s) for "READY usb=... tcp=PORT".
    std::string text;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ifstream in(outPath_);
        std::getline(in, text);
        if (!in.eof())
            text += '\n';
    }
    std::size_t at = text.find("tcp=");
    if (text.rfind("READY", 0) == 0 && at != std::string::npos)
        tcpPort_ = std::atoi(text.c_str() + at + 4);
}

Simulator::~Simulator() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    std::error_code ec;
    std::filesystem::remove_all(devDir_, ec);
    std::filesystem::remove(outPath_, ec);
}

} // namespace e2e
