#include "platform/serial_port.h"

#include "platform/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

namespace {

bool SpeedFor(int baud, speed_t& speed) {
    struct Rate {
        int baud;
        speed_t speed;
    };
    static constexpr Rate kRates[] = {{9600, B9600},     {19200, B19200},   {38400, B38400},
                                      {57600, B57600},   {115200, B115200}, {230400, B230400},
                                      {460800, B460800}, {921600, B921600}};
    for (const Rate& r : kRates) {
        if (r.baud == baud) {
            speed = r.speed;
            return true;
        }
    }
    return false;
}

bool ConfigureRaw(int fd, speed_t speed) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    // One byte satisfies a read, so that a non-blocking read with nothing waiting fails
    // with EAGAIN and a read of 0 bytes means the line hung up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0)
        return false;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

} // namespace

SerialPort::~SerialPort() {
    Close();
}

bool SerialPort::Fail(OpenFailure::Step step, int error) {
    failure_ = OpenFailure{step, error};
    return false;
}

bool SerialPort::Open(const std::string& path, int baud) {
    Close();
    failure_ = OpenFailure{};
    speed_t speed{};
    if (!SpeedFor(baud, speed))
        return Fail(OpenFailure::kRate, EINVAL);
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Fail(OpenFailure::kOpen, errno);
    // Two locks: the advisory lock keeps out every cooperating user (root included),
    // TIOCEXCL keeps out any other open of the device by an ordinary user.
    // A port held by another program keeps its exclusive flag: it is cleared only when this
    // open set it.
    OpenFailure::Step failed = OpenFailure::kNone;
    if (isatty(fd) != 1)
        failed = OpenFailure::kNotTerminal;
    else if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        failed = OpenFailure::kLocked;
    else if (ioctl(fd, TIOCEXCL) != 0)
        failed = OpenFailure::kExclusive;
    else if (!ConfigureRaw(fd, speed))
        failed = OpenFailure::kConfigure;
    if (failed != OpenFailure::kNone) {
        const int error = errno;
        if (failed == OpenFailure::kConfigure)
            ioctl(fd, TIOCNXCL);
        ::close(fd);
        return Fail(failed, error);
    }
    tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    baud_ = baud;
    return true;
}

void SerialPort::Close() {
    if (fd_ < 0)
        return;
    // The exclusive flag belongs to the device, not to this descriptor: clear it so that
    // a later open (ours or another program's) is not refused.
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

IoResult SerialPort::DiscardInput() {
    if (fd_ < 0)
        return IoResult::kLost;
    tcflush(fd_, TCIFLUSH);
    if (DrainInput([this](std::uint8_t* p, std::size_t k) { return ::read(fd_, p, k); }) !=
        FdOutcome::kOk)
        return IoResult::kLost;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && IsHangUp(p.revents))
        return IoResult::kLost;
    return IoResult::kOk;
}

IoResult SerialPort::WriteAll(const std::uint8_t* data, std::size_t n, int timeoutMs) {
    if (fd_ < 0)
        return IoResult::kLost;
    auto deadline = SteadyClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    return OutcomeAs<IoResult>(
        WriteAllTo(fd_, data, n, deadline,
                   [this](const std::uint8_t* p, std::size_t k) { return ::write(fd_, p, k); }));
}

IoResult SerialPort::ReadSome(std::uint8_t* out, std::size_t capacity, std::size_t& got,
                              SteadyClock::time_point deadline) {
    got = 0;
    if (fd_ < 0)
        return IoResult::kLost;
    return OutcomeAs<IoResult>(
        ReadSomeFrom(fd_, out, capacity, got, deadline,
                     [this](std::uint8_t* p, std::size_t k) { return ::read(fd_, p, k); }));
}

std::size_t SerialPort::PendingOutput() const {
    int queued = 0;
    if (fd_ < 0 || ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued < 0)
        return 0;
    return std::size_t(queued);
}

std::chrono::microseconds SerialPort::LineTime(std::size_t characters) const {
    return std::chrono::microseconds(std::int64_t(characters) * 10 * 1000000 / baud_);
}

} // namespace platform
