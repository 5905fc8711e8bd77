#include "cli/interrupt.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <thread>

#include "platform/output_file.h"

namespace cli {

namespace {

// The write in progress (a WriteKind), or kNoWrite, and the Ctrl-C and SIGTERM received
// during it; changed under g_mutex by the guards and the watcher thread.
constexpr int kNoWrite = -1;
std::mutex g_mutex;
int g_write = kNoWrite;
int g_presses = 0;
// Told of a stop before the process exits; set and called under g_mutex.
std::function<void(const std::string&)> g_observer;
// The signal handler hands each signal number to the watcher thread through this pipe.
int g_pipe[2] = {-1, -1};

constexpr int kPressesToStop = 3;

const char* WouldLeave(WriteKind kind) {
    return kind == WriteKind::kFirmware ? "without firmware" : "without a program";
}

void Say(const std::string& text) {
    const std::string line = "\n" + text + "\n";
    // Standard error may be a closed terminal: nothing to do about a failure then.
    [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
}

// Called with g_mutex held.
[[noreturn]] void Stop(const std::string& state) {
    platform::RemovePendingOutputFiles();
    Say(state);
    if (g_observer)
        g_observer(state);
    ::_exit(kExitInterrupted);
}

std::string StoppedDuringWrite(WriteKind kind) {
    if (kind == WriteKind::kFirmware)
        return "Stopped during the firmware update: the controller is left without firmware; "
               "run quorvel-cli firmware update again to bring it back.";
    return "Stopped during the program write: the controller is left without a program; write "
           "the program again (quorvel-cli program write) to bring it back.";
}

void OnSignal(int signalNumber) {
    std::lock_guard<std::mutex> lock(g_mutex);
    const int write = g_write;
    if (write == kNoWrite)
        Stop("Interrupted: the controller was only read and is left as it was; no partial file "
             "was written.");
    const WriteKind kind = WriteKind(write);
    if (signalNumber == SIGHUP) {
        // No terminal any more: the write goes on to its end, its messages lost.
        ::signal(SIGPIPE, SIG_IGN);
        return;
    }
    const int presses = ++g_presses;
    if (kind == WriteKind::kShort)
        return; // over in a moment: the command ends right after it
    if (presses >= kPressesToStop)
        Stop(StoppedDuringWrite(kind));
    Say(std::string("Writing the controller: stopping now would leave it ") + WouldLeave(kind) +
        ". Press Ctrl-C " + (presses == 1 ? "twice more" : "once more") + " to stop anyway.");
}

void Watch() {
    for (;;) {
        unsigned char signalNumber = 0;
        const ssize_t n = ::read(g_pipe[0], &signalNumber, 1);
        if (n == 1)
            OnSignal(signalNumber);
        else if (n == 0 || errno != EINTR)
            return;
    }
}

extern "C" void HandleSignal(int signalNumber) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void InstallInterruptHandlers() {
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC) != 0)
        return;
    std::thread(Watch).detach();
    struct sigaction action {};
    action.sa_handler = HandleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
}

void SetStopObserver(std::function<void(const std::string& said)> observer) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_observer = std::move(observer);
}

WriteGuard::WriteGuard(WriteKind kind, bool armed) : kind_(kind) {
    if (armed)
        Arm();
}

void WriteGuard::Arm() {
    if (armed_)
        return;
    armed_ = true;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_presses = 0;
    g_write = int(kind_);
}

WriteGuard::~WriteGuard() {
    if (!armed_)
        return;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_write = kNoWrite;
    // A stop asked during a short write is carried out now that the controller is whole.
    if (kind_ == WriteKind::kShort && g_presses > 0)
        Stop("Interrupted: the write was completed first; the controller is whole.");
}

} // namespace cli
