#include "sim/usb_link.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace sim {

namespace {
// The longest frame: 8 header bytes, 40000 data bytes and the check byte as hex pairs,
// plus ':' and CR LF.
constexpr std::size_t kMaxLine = 2 * (8 + 40000 + 1) + 3;
} // namespace

std::string FriendlyName(const std::string& name) {
    // "Vellmor " makes the port enumeration mark the port " (USB)".
    return "Vellmor kz9 Simulated Controller (" + name + ")";
}

UsbLink::UsbLink(Controller& controller, std::string dev_dir, std::string name, int baud)
    : controller_(controller), dev_dir_(std::move(dev_dir)), name_(std::move(name)), baud_(baud) {}

UsbLink::~UsbLink() {
    Stop();
}

bool UsbLink::OpenPty(std::string* error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        *error = "cannot create a pseudo-terminal";
        return false;
    }
    char buf[128];
    if (::ptsname_r(master_, buf, sizeof buf) != 0) {
        *error = "cannot name the pseudo-terminal";
        return false;
    }
    slave_ = buf;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    // Raw mode on the line, so that nothing is echoed or translated before the peer opens it.
    int s = ::open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (s >= 0) {
        termios t{};
        if (::tcgetattr(s, &t) == 0) {
            ::cfmakeraw(&t);
            ::cfsetspeed(&t, B115200);
            ::tcsetattr(s, TCSANOW, &t);
        }
        ::close(s);
    }
    return true;
}

void UsbLink::Publish() {
    const std::string link = path();
    const std::string tmp = link + ".new";
    ::unlink(tmp.c_str());
    if (::symlink(slave_.c_str(), tmp.c_str()) == 0)
        ::rename(tmp.c_str(), link.c_str());
    std::ofstream(link + ".name") << FriendlyName(name_) << "\n";
    published_ = true;
}

void UsbLink::Unpublish() {
    if (!published_)
        return;
    ::unlink(path().c_str());
    ::unlink((path() + ".name").c_str());
    published_ = false;
}

bool UsbLink::Start(std::string* error) {
    if (!OpenPty(error))
        return false;
    Publish();
    thread_.Start([this] { Run(); });
    return true;
}

void UsbLink::Stop() {
    thread_.Stop();
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
    Unpublish();
}

std::string UsbLink::ReadyText() const {
    return "usb=" + path();
}

void UsbLink::Run() {
    char buf[4096];
    while (!thread_.stopping()) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {thread_.wake_fd(), POLLIN, 0}};
        if (::poll(fds, 2, 200) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0)
            break;
        if (fds[0].revents & POLLIN) {
            ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0) {
                peer_open_ = true;
                OnChars(buf, std::size_t(n));
                continue;
            }
        }
        if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Nobody holds the port: the peer closed it (or never opened it).
            if (peer_open_) {
                peer_open_ = false;
                line_.clear();
                in_frame_ = false;
                controller_.LinkClosed();
            }
            thread_.Sleep(20);
        }
    }
}

void UsbLink::OnChars(const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const char c = p[i];
        if (c == ':') { // a colon always starts a new frame; a partial one is dropped
            line_.assign(1, c);
            in_frame_ = true;
            frame_start_ = std::chrono::steady_clock::now();
            continue;
        }
        if (!in_frame_)
            continue;
        line_.push_back(c);
        if (c == '\n') {
            OnLine(line_);
            line_.clear();
            in_frame_ = false;
        } else if (line_.size() > kMaxLine) {
            controller_.LogNote("USB: frame longer than any request, dropped");
            line_.clear();
            in_frame_ = false;
        }
    }
}

void UsbLink::OnLine(const std::string& line) {
    auto frame = wire::ParseAsciiFrame(line);
    if (!frame || frame->size() < 2) {
        controller_.LogNote("USB: malformed frame ignored");
        return;
    }
    if (!wire::SumsToZero(frame->data(), frame->size())) {
        controller_.LogNote("USB: wrong check byte, frame ignored");
        return;
    }
    frame->pop_back();
    if (baud_ > 0)
        std::this_thread::sleep_until(frame_start_ + LineTime(line.size()));
    AnswerFaults faults;
    wire::Bytes answer = controller_.HandleRequest(*frame, &faults);
    if (answer.empty())
        return;
    std::string text = wire::EncodeAscii(answer);
    if (faults.corrupt_check) {
        // The check byte is the last hex pair before CR LF: flip its low digit.
        char& d = text[text.size() - 3];
        d = d == '0' ? '1' : '0';
    }
    Send(text);
    if (faults.drop_link)
        Drop();
}

void UsbLink::Send(const std::string& text) {
    // At an emulated speed the answer leaves in small chunks, each at the moment its last
    // character would have crossed the line, counted from the first: sleeping to absolute
    // deadlines keeps the per-chunk overheads from adding up.
    const std::size_t chunk =
        baud_ > 0 ? std::max<std::size_t>(1, std::size_t(baud_) / 1000) : text.size();
    const auto start = std::chrono::steady_clock::now();
    std::size_t at = 0;
    while (at < text.size() && !thread_.stopping()) {
        const std::size_t n = std::min(chunk, text.size() - at);
        if (baud_ > 0)
            std::this_thread::sleep_until(start + LineTime(at + n));
        ssize_t w = ::write(master_, text.data() + at, n);
        if (w < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                pollfd p{master_, POLLOUT, 0};
                ::poll(&p, 1, 100);
                continue;
            }
            return; // the peer is gone
        }
        at += std::size_t(w);
    }
}

// Time for `chars` characters at the emulated speed, 10 bits each (start, 8 data, stop).
std::chrono::microseconds UsbLink::LineTime(std::size_t chars) const {
    return std::chrono::microseconds(std::int64_t(chars) * 10'000'000 / baud_);
}

// An unplugged cable: the pty goes away (the peer reads a hang-up) and a fresh one is
// published under the same name.
void UsbLink::Drop() {
    // Give the peer time to read the last answer: closing the pty discards unread input.
    thread_.Sleep(100);
    ::close(master_);
    master_ = -1;
    peer_open_ = false;
    line_.clear();
    in_frame_ = false;
    controller_.LinkClosed();
    std::string error;
    const bool back = OpenPty(&error);
    if (back)
        Publish();
    // Logged once the fresh port is in place, so a peer that waits for this line can
    // open the port under its name straight away.
    controller_.LogNote(back ? "USB: link dropped" : "USB: link dropped, no new port: " + error);
}

} // namespace sim
