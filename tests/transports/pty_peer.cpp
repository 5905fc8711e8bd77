#include "pty_peer.h"

#include <algorithm>

#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

#include "platform/device_folder.h"

namespace testpeer {

TempDevDir::TempDevDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-dev-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    setenv(platform::kDevDirVariable, path_.c_str(), 1);
}

TempDevDir::~TempDevDir() {
    unsetenv(platform::kDevDirVariable);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

PtyPeer::PtyPeer(FakeController& controller, const std::string& folder, const std::string& name,
                 std::chrono::milliseconds lateDelay, int baud)
    : controller_(controller), link_(folder + "/" + name), lateDelay_(lateDelay), baud_(baud) {
    char slaveName[256];
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master_, &slave_, slaveName, &raw, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    // The peer keeps its own slave descriptor open, so the master never sees the line
    // hang up between the library's opens and closes.
    std::filesystem::remove(link_);
    std::filesystem::create_symlink(slaveName, link_);
    thread_ = std::thread([this] { Run(); });
}

PtyPeer::~PtyPeer() {
    Vanish();
}

void PtyPeer::Vanish() {
    if (vanished_.exchange(true))
        return;
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (master_ >= 0)
        close(master_);
    if (slave_ >= 0)
        close(slave_);
    master_ = slave_ = -1;
    std::error_code ec;
    std::filesystem::remove(link_, ec);
}

std::vector<std::string> PtyPeer::Lines() const {
    std::lock_guard lock(mu_);
    return lines_;
}

std::chrono::steady_clock::duration PtyPeer::LineTime(std::size_t characters) const {
    if (baud_ <= 0)
        return {};
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(double(characters) * 10.0 / baud_));
}

void PtyPeer::Run() {
    std::string pending;
    char buf[4096];
    // When the inbound line is idle again: what was read only finishes arriving then.
    auto inboundFree = std::chrono::steady_clock::now();
    while (!stop_) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0)
            continue;
        auto seen = std::chrono::steady_clock::now();
        ssize_t n = read(master_, buf, sizeof buf);
        if (n <= 0)
            continue;
        inboundFree = std::max(inboundFree, seen) + LineTime(std::size_t(n));
        pending.append(buf, std::size_t(n));
        std::size_t lf;
        while ((lf = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, lf + 1);
            pending.erase(0, lf + 1);
            std::this_thread::sleep_until(inboundFree);
            Serve(line);
            if (stop_)
                return;
        }
    }
}

void PtyPeer::Serve(const std::string& line) {
    {
        std::lock_guard lock(mu_);
        lines_.push_back(line);
    }
    std::optional<wire::Bytes> frame = wire::ParseAsciiFrame(line);
    if (!frame || frame->empty())
        return;
    frame->pop_back();
    Reply reply = controller_.Handle(*frame);
    if (reply.drop) {
        // Closing the master hangs the line up under the library.
        stop_ = true;
        close(master_);
        close(slave_);
        master_ = slave_ = -1;
        return;
    }
    if (reply.late && !reply.bodies.empty())
        std::this_thread::sleep_for(lateDelay_);
    if (reply.noiseFirst)
        WriteAll("\r\n\x7F 0A?\n");
    for (const wire::Bytes& body : reply.bodies) {
        std::string text = wire::EncodeAscii(body);
        if (reply.corruptCheck) {
            // Last hex digit of the check byte, just before CR LF: change it.
            char& digit = text[text.size() - 3];
            digit = digit == '0' ? '1' : '0';
        }
        WriteAll(text);
    }
    if (reply.late && !reply.bodies.empty())
        ++lateSent_;
}

void PtyPeer::WriteAll(const std::string& text) {
    // On an emulated line, slices of 32 characters leave when the line has carried them.
    const std::size_t slice = baud_ > 0 ? 32 : text.size();
    const auto start = std::chrono::steady_clock::now();
    std::size_t sent = 0;
    while (sent < text.size()) {
        std::size_t end = std::min(text.size(), sent + slice);
        std::this_thread::sleep_until(start + LineTime(end));
        ssize_t n = write(master_, text.data() + sent, end - sent);
        if (n <= 0)
            return;
        sent += std::size_t(n);
    }
}

} // namespace testpeer
