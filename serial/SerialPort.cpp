// COMn over termios: the only file that opens, configures and writes a tty.

#include "serial/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

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

void CloseKeepingErrno(int fd)
{
    const int err = errno;
    ::close(fd);
    errno = err;
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

int SerialPort::Write(const char* data, int len)
{
    if (!IsOpen() || data == nullptr || len <= 0)
        return 0;
    for (int i = 0; i < len; ++i)
        writeByte(data[i]);
    return len;
}

void SerialPort::writeByte(char byte)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + kByteWait;
    for (;;) {
        const ssize_t n = ::write(m_fd, &byte, 1);
        if (n == 1)
            return;
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN)
            return;  // a byte the port refuses is given up, unreported
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            return;
        pollfd p{m_fd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, int(left) + 1);
        if (ready == 0)
            return;
        if (ready > 0 && !(p.revents & POLLOUT))
            return;  // hung up or failed: no write will succeed
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
    // then drop what is left so the close returns.
    using namespace std::chrono;
    int queued = 0;
    if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
        return;
    const auto need = milliseconds(std::int64_t{queued} * kBitsPerByte * 1000 / m_baud + 100);
    const auto deadline = steady_clock::now() + need;
    while (steady_clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(2));
        if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            return;
    }
    ::tcflush(m_fd, TCOFLUSH);
}
