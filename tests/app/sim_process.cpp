#include "sim_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
std::string ProgramDir() {
    const char* dir = std::getenv("QUORVEL_PROGRAM_DIR");
    std::string d = dir ? dir : ".";
    if (d.back() != '/')
        d += '/';
    return d;
}
} // namespace

SimProcess::SimProcess(const std::vector<std::string>& options, const std::string& usbName) {
    char tmpl[] = "/tmp/quorvel-apptest.XXXXXX";
    if (!mkdtemp(tmpl))
        return;
    devDir_ = tmpl;
    std::vector<std::string> args = {ProgramDir() + "quorvel-sim",
                                     "--dev-dir",
                                     devDir_,
                                     "--usb-name",
                                     usbName,
                                     "--tcp-port",
                                     "0"};
    args.insert(args.end(), options.begin(), options.end());
    // Output goes to a file: a pipe nobody drains would stall the simulator's logging.
    std::string log = devDir_ + "/sim.log";
    pid_ = fork();
    if (pid_ == 0) {
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        output_ = text.str();
        std::size_t ready = output_.find("READY");
        if (ready != std::string::npos && output_.find('\n', ready) != std::string::npos) {
            ready_ = true;
            break;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        usleep(20000);
    }
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        for (int i = 0; i < 50; ++i) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            usleep(20000);
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
    }
    if (!devDir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(devDir_, ec);
    }
}
