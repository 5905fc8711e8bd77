#include "fleet/ProcessRunner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fleet {

namespace {

using Clock = std::chrono::steady_clock;

struct Active {
    std::size_t job = 0;
    pid_t pid = -1;
    int out = -1, err = -1;
    ChildResult result;
    ChildRun child;
    bool stopped = false;
};

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Starts `child` in a process group of its own (a Ctrl-C on the terminal reaches the fleet
// only, which decides), its input written at once and its output read through pipes.
bool Spawn(const std::string& program, const ChildRun& child, Active& active) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]), ::close(in[1]);
        return false;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(in[0]), ::close(in[1]), ::close(out[0]), ::close(out[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                        POSIX_SPAWN_SETSIGDEF);
    std::vector<std::string> args{program};
    args.insert(args.end(), child.args.begin(), child.args.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(in[0]), ::close(out[1]), ::close(err[1]);
    if (rc != 0) {
        ::close(in[1]), ::close(out[0]), ::close(err[0]);
        return false;
    }
    // A password line fits the pipe at once; a child gone already is no matter.
    if (!child.input.empty()) {
        [[maybe_unused]] ssize_t n = ::write(in[1], child.input.data(), child.input.size());
    }
    ::close(in[1]);
    active.pid = pid;
    active.out = out[0];
    active.err = err[0];
    active.result = {};
    active.child = child;
    active.stopped = false;
    return true;
}

void Drain(int& fd, std::string& into) {
    char buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0)
        into.append(buf, std::size_t(n));
    else if (n == 0 || (errno != EINTR && errno != EAGAIN))
        CloseFd(fd);
}

} // namespace

RunOutcome RunJobs(std::vector<std::unique_ptr<Job>>& jobs, const RunnerOptions& options,
                   RunnerEvents& events) {
    std::signal(SIGPIPE, SIG_IGN);
    RunOutcome outcome;
    std::vector<Active> active;
    std::vector<Clock::time_point> started(jobs.size());
    std::size_t nextJob = 0;
    bool failed = false;

    auto finish = [&](std::size_t k) {
        Row& row = jobs[k]->row();
        row.seconds = std::chrono::duration<double>(Clock::now() - started[k]).count();
        outcome.ended.push_back(k);
        failed = failed || row.result == Result::Failed;
        events.Ended(*jobs[k]);
    };
    // Runs job k's next child; false when the job has none (it ended).
    auto startNext = [&](std::size_t k) {
        for (;;) {
            std::optional<ChildRun> child = jobs[k]->Next();
            if (!child)
                return false;
            Active a;
            a.job = k;
            if (Spawn(options.program, *child, a)) {
                active.push_back(std::move(a));
                return true;
            }
            jobs[k]->Finished(ChildResult{-1, "", "cannot start " + options.program + "\n"});
        }
    };
    auto maybeStart = [&]() {
        while (!outcome.interrupted && !(options.stopAtFailure && failed) &&
               int(active.size()) < std::max(1, options.jobs) && nextJob < jobs.size()) {
            const std::size_t k = nextJob++;
            started[k] = Clock::now();
            if (!startNext(k))
                finish(k);
        }
    };

    maybeStart();
    while (!active.empty()) {
        std::vector<pollfd> fds;
        fds.push_back({outcome.interrupted ? -1 : options.interruptFd, POLLIN, 0});
        for (const Active& a : active) {
            fds.push_back({a.out, POLLIN, 0});
            fds.push_back({a.err, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            break;
        if (fds[0].fd >= 0 && fds[0].revents != 0) {
            char byte;
            [[maybe_unused]] ssize_t n = ::read(options.interruptFd, &byte, 1);
            outcome.interrupted = true;
            for (Active& a : active) {
                if (a.child.changesController) {
                    events.LettingFinish(*jobs[a.job], a.child);
                } else {
                    a.stopped = true;
                    ::kill(a.pid, SIGTERM);
                }
            }
        }
        for (std::size_t i = 0; i < active.size(); ++i) {
            if (fds[1 + 2 * i].revents != 0)
                Drain(active[i].out, active[i].result.out);
            if (fds[2 + 2 * i].revents != 0)
                Drain(active[i].err, active[i].result.err);
        }
        // Children whose output is closed have ended: collect them.
        for (std::size_t i = active.size(); i-- > 0;) {
            Active& a = active[i];
            if (a.out >= 0 || a.err >= 0)
                continue;
            int status = 0;
            while (::waitpid(a.pid, &status, 0) < 0 && errno == EINTR) {
            }
            a.result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            const std::size_t k = a.job;
            Job& job = *jobs[k];
            const bool stopped = a.stopped;
            ChildResult result = std::move(a.result);
            active.erase(active.begin() + std::ptrdiff_t(i));
            if (stopped) {
                job.Stopped();
                continue;
            }
            job.Finished(result);
            // An interrupted operation runs no further child of a job: its row is final only
            // when this child was its last.
            if (outcome.interrupted) {
                if (!job.Next())
                    finish(k);
                continue;
            }
            if (!startNext(k))
                finish(k);
        }
        maybeStart();
    }
    return outcome;
}

} // namespace fleet
