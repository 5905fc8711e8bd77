// A serial test peer: a pseudo-terminal published under a name in a temporary device
// folder, answering the ASCII controller frames of the USB link from a FakeController.
// Given a baud rate, it emulates that line: each direction carries baud / 10 characters
// per second.
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "fake_controller.h"

namespace testpeer {

// A temporary device folder, named by QUORVEL_DEV_DIR while it lives.
class TempDevDir {
  public:
    TempDevDir();
    ~TempDevDir();
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

class PtyPeer {
  public:
    PtyPeer(FakeController& controller, const std::string& folder, const std::string& name,
            std::chrono::milliseconds lateDelay = std::chrono::milliseconds(400), int baud = 0);
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    // The device goes away: the pseudo-terminal is closed and its name removed.
    void Vanish();
    // Raw request lines received so far (':' .. CR LF).
    std::vector<std::string> Lines() const;
    // Late answers sent so far (they go out after the late delay).
    int LateAnswersSent() const { return lateSent_; }

  private:
    void Run();
    void Serve(const std::string& line);
    void WriteAll(const std::string& text);
    std::chrono::steady_clock::duration LineTime(std::size_t characters) const;

    FakeController& controller_;
    std::string link_;
    std::chrono::milliseconds lateDelay_;
    int baud_;
    int master_ = -1;
    int slave_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<bool> vanished_{false};
    std::atomic<int> lateSent_{0};
    mutable std::mutex mu_;
    std::vector<std::string> lines_;
    std::thread thread_;
};

} // namespace testpeer
