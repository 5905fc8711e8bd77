// A link's worker thread with a wake-up pipe, so that Stop() never waits on a poll.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace sim {

class LinkThread {
  public:
    LinkThread();
    ~LinkThread();
    LinkThread(const LinkThread&) = delete;
    LinkThread& operator=(const LinkThread&) = delete;

    void Start(std::function<void()> body);
    void Stop();
    bool stopping() const { return stop_.load(); }
    // The read end to add to each poll set: readable once Stop() is called.
    int wake_fd() const { return pipe_[0]; }
    // Sleeps up to `ms` milliseconds, returning early when stopping.
    void Sleep(int ms) const;

  private:
    int pipe_[2] = {-1, -1};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace sim
