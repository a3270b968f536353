// COMn over termios: the only file that opens, configures and writes a tty.

#include "serial/SerialPort.h"

#include "base/FileIo.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <mutex>

namespace {

constexpr int kNamedPorts = 4;  // COM1..COM4 may name their device
constexpr auto kByteWait = std::chrono::milliseconds(1000);
constexpr int kBitsPerByte = 10;  // start bit, 8 data bits, stop bit

std::mutex g_devicesMutex;
std::array<std::string, kNamedPorts> g_devices;  // empty: /dev/ttyS(n-1)

speed_t SpeedOf(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

// 8N1 at speed with raw output, so the message's "\n" is not sent as
// "\r\n"; input is raw too, so nothing arriving is echoed back onto the
// line. Flow control, modem lines and the rest stay as the port had them.
bool Configure(int fd, speed_t speed)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    // cfmakeraw also clears IXON, which would ignore a device's XOFF.
    constexpr tcflag_t kSoftwareFlow = IXON | IXOFF | IXANY;
    const tcflag_t flow = tio.c_iflag & kSoftwareFlow;
    ::cfmakeraw(&tio);
    tio.c_iflag = (tio.c_iflag & ~kSoftwareFlow) | flow;
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    tio.c_cflag |= CS8;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0)
        return false;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        return false;
    // tcsetattr succeeds when any one change took; check the ones that count.
    termios now{};
    if (::tcgetattr(fd, &now) != 0)
        return false;
    const bool eightBits = (now.c_cflag & CSIZE) == CS8;
    const bool noParity = (now.c_cflag & PARENB) == 0;
    const bool oneStop = (now.c_cflag & CSTOPB) == 0;
    const bool rawOutput = (now.c_oflag & OPOST) == 0;
    const bool sameFlow = (now.c_iflag & kSoftwareFlow) == flow;
    if (!(eightBits && noParity && oneStop && rawOutput && sameFlow && ::cfgetospeed(&now) == speed)) {
        errno = EINVAL;
        return false;
    }
    return ::tcflush(fd, TCOFLUSH) == 0 && ::ioctl(fd, TIOCEXCL) == 0;
}

// Whole ms until t, at least 1 so a poll never spins.
int PollTimeout(SerialPort::TimePoint t)
{
    using namespace std::chrono;
    const auto left = ceil<milliseconds>(t - steady_clock::now()).count();
    return int(std::clamp<std::int64_t>(left, 1, 60'000));
}

}  // namespace

std::string ComDevicePath(int port)
{
    if (port >= 1 && port <= kNamedPorts) {
        const std::lock_guard lock(g_devicesMutex);
        if (const std::string& named = g_devices[std::size_t(port - 1)]; !named.empty())
            return named;
    }
    return "/dev/ttyS" + std::to_string(port - 1);
}

void SetComDevice(int port, const std::string& path)
{
    if (port < 1 || port > kNamedPorts)
        return;
    const std::lock_guard lock(g_devicesMutex);
    g_devices[std::size_t(port - 1)] = path;
}

bool SerialPort::Open(int port, int baud)
{
    if (IsOpen())
        return true;
    const speed_t speed = SpeedOf(baud);
    if (port < 1 || speed == B0) {
        errno = EINVAL;
        return false;
    }
    const int fd = ::open(ComDevicePath(port).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    // TIOCEXCL keeps other programs out, but not root; the lock keeps out
    // every other SerialPort, whoever runs it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        CloseKeepingErrno(fd);
        return false;
    }
    if (!Configure(fd, speed)) {
        const int err = errno;
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        errno = err;
        return false;
    }
    m_fd = fd;
    m_baud = baud;
    return true;
}

SerialPort::~SerialPort()
{
    Close();
    m_onStop.reset();  // before its fd goes
    if (m_stopFd >= 0)
        ::close(m_stopFd);
}

void SerialPort::SignalStop::operator()() const
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
}

int SerialPort::stopFd()
{
    if (m_stopFd < 0 && m_stop.stop_possible()) {
        m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        // Without one the waits still end, only not before their time.
        if (m_stopFd >= 0)
            m_onStop.emplace(m_stop, SignalStop{m_stopFd});
    }
    return m_stopFd;
}

int SerialPort::Write(const char* data, int len, TimePoint giveUpAt)
{
    if (!IsOpen() || data == nullptr || len <= 0)
        return 0;
    for (int i = 0; i < len; ++i) {
        if (!writeByte(data[i], giveUpAt))
            return i;
    }
    return len;
}

// False when the byte was not tried: a stop came or giveUpAt passed.
bool SerialPort::writeByte(char byte, TimePoint giveUpAt)
{
    using namespace std::chrono;
    const auto now = steady_clock::now();
    if (stopRequested() || now >= giveUpAt)
        return false;
    const TimePoint deadline = std::min(giveUpAt, now + kByteWait);
    for (;;) {
        const ssize_t n = ::write(m_fd, &byte, 1);
        if (n == 1)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN)
            return true;  // a byte the port refuses is given up, unreported
        if (steady_clock::now() >= deadline)
            return true;
        pollfd p[2] = {{m_fd, POLLOUT, 0}, {stopFd(), POLLIN, 0}};
        const int ready = ::poll(p, 2, PollTimeout(deadline));
        if (ready == 0 || stopRequested())
            return true;
        if (ready > 0 && !(p[0].revents & POLLOUT))
            return true;  // hung up or failed: no write will succeed
    }
}

bool SerialPort::Close()
{
    if (!IsOpen())
        return true;
    drainBriefly();
    // On a pseudo-terminal the exclusive flag outlives the close and would
    // keep the next open out.
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
    return true;
}

void SerialPort::drainBriefly()
{
    // close() waits for queued output to leave, up to 30 s on a port whose
    // flow control holds it. Wait as long as the bytes need on the line,
    // then drop what is left so the close returns; on a stop drop it at once.
    using namespace std::chrono;
    const auto lineTime = [this](int bytes) {
        return milliseconds(std::int64_t{bytes} * kBitsPerByte * 1000 / m_baud + 1);
    };
    int queued = 0;
    if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
        return;
    const auto deadline = steady_clock::now() + lineTime(queued) + milliseconds(100);
    while (!stopRequested() && steady_clock::now() < deadline) {
        // One wake when what is queued should have left, not a poll loop.
        pollfd p{stopFd(), POLLIN, 0};
        ::poll(&p, 1, PollTimeout(std::min(deadline, steady_clock::now() + lineTime(queued))));
        if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            return;
    }
    ::tcflush(m_fd, TCOFLUSH);
}
