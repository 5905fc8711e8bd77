#include "sim/link_thread.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace sim {

LinkThread::LinkThread() {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        pipe_[0] = pipe_[1] = -1;
}

LinkThread::~LinkThread() {
    Stop();
    for (int fd : pipe_)
        if (fd >= 0)
            ::close(fd);
}

void LinkThread::Start(std::function<void()> body) {
    thread_ = std::thread(std::move(body));
}

void LinkThread::Stop() {
    stop_ = true;
    if (pipe_[1] >= 0) {
        char c = 1;
        [[maybe_unused]] ssize_t n = ::write(pipe_[1], &c, 1);
    }
    if (thread_.joinable())
        thread_.join();
}

void LinkThread::Sleep(int ms) const {
    pollfd p{pipe_[0], POLLIN, 0};
    ::poll(&p, 1, ms);
}

} // namespace sim
