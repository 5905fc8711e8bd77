#include "process_runner.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace e2e {

namespace {

pid_t Spawn(const std::string& path, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& env, int inFd, int outFd, int errFd) {
    pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    if (inFd >= 0)
        ::dup2(inFd, STDIN_FILENO);
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

// A program of the program folder, or an absolute path (a system tool).
std::string PathOf(const std::string& program) {
    return program.rfind('/', 0) == 0 ? program : ProgramDir() + "/" + program;
}

// Reads both pipes, so that neither can fill up and block the child, until both end or
// `done` says enough; a pipe that ended is set to -1. False on a time-out.
template <typename Done>
bool ReadPipes(int& outFd, int& errFd, std::string& out, std::string& err, int timeoutMs,
               Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    while ((outFd >= 0 || errFd >= 0) && !done()) {
        pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(fds, 2, int(left.count())) <= 0)
            return false;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                ::close(fds[i].fd);
                (i == 0 ? outFd : errFd) = -1;
            } else {
                (i == 0 ? out : err).append(buffer, std::size_t(n));
            }
        }
    }
    return done();
}

void Drain(int& outFd, int& errFd, std::string& out, std::string& err) {
    ReadPipes(outFd, errFd, out, err, 60000, [] { return false; });
}

int ExitStatus(pid_t pid) {
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        return WEXITSTATUS(status);
    return -1;
}

// The input is small: it is written whole into the pipe before the child reads it.
RunResult RunWith(const std::string& program, const std::vector<std::string>& args,
                  const std::string* input, const std::map<std::string, std::string>& env) {
    int out[2], err[2], in[2] = {-1, -1};
    RunResult result;
    if (::pipe(out) != 0 || ::pipe(err) != 0 || (input && ::pipe(in) != 0))
        return result;
    if (input) {
        if (::write(in[1], input->data(), input->size()) != ssize_t(input->size()))
            return result;
        ::close(in[1]);
    }
    pid_t pid = Spawn(PathOf(program), args, env, in[0], out[1], err[1]);
    if (input)
        ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    Drain(out[0], err[0], result.out, result.err);
    result.status = ExitStatus(pid);
    return result;
}

} // namespace

std::string ProgramDir() {
    if (const char* dir = std::getenv("QUORVEL_PROGRAM_DIR"); dir != nullptr && dir[0] != '\0')
        return dir;
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / ".." / "bin").string();
}

RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::map<std::string, std::string>& env) {
    return RunWith(program, args, nullptr, env);
}

RunResult RunWithInput(const std::string& program, const std::vector<std::string>& args,
                       const std::string& input, const std::map<std::string, std::string>& env) {
    return RunWith(program, args, &input, env);
}

Running::Running(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& env) {
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0)
        return;
    pid_ = Spawn(PathOf(program), args, env, -1, out[1], err[1]);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
}

Running::~Running() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        Wait();
    }
}

bool Running::WaitForErr(const std::string& text, int timeoutMs) {
    return ReadPipes(out_, err_, result_.out, result_.err, timeoutMs,
                     [&] { return result_.err.find(text) != std::string::npos; });
}

void Running::Signal(int signalNumber) const {
    if (pid_ > 0)
        ::kill(pid_, signalNumber);
}

RunResult Running::Wait() {
    Drain(out_, err_, result_.out, result_.err);
    result_.status = ExitStatus(pid_);
    pid_ = -1;
    return result_;
}

} // namespace e2e
