#include "time/UdpSocket.h"

#include "time/StopSignal.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

bool UdpSocket::Create(int family)
{
    Close();
    m_fd = ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    m_family = m_fd >= 0 ? family : 0;
    if (m_fd >= 0) {
        // Without it a read falls back to the clock after the wait.
        const int on = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    }
    return m_fd >= 0;
}

bool UdpSocket::Connect(const char* host, int port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    m_resolveError = ::getaddrinfo(host, service.c_str(), &hints, &list);
    if (m_resolveError != 0) {
        if (m_resolveError != EAI_SYSTEM)
            errno = EHOSTUNREACH;
        return false;
    }
    int err = EHOSTUNREACH;
    bool connected = false;
    for (const addrinfo* ai = list; ai && !connected; ai = ai->ai_next) {
        if (m_fd < 0 || m_family != ai->ai_family) {
            if (!Create(ai->ai_family)) {
                err = errno;
                continue;
            }
        }
        connected = ::connect(m_fd, ai->ai_addr, ai->ai_addrlen) == 0;
        if (!connected)
            err = errno;
    }
    ::freeaddrinfo(list);
    if (!connected)
        errno = err;
    return connected;
}

bool UdpSocket::Send(const void* data, std::size_t len)
{
    return ::send(m_fd, data, len, 0) == static_cast<ssize_t>(len);
}

bool UdpSocket::WaitReadable(unsigned timeoutMs, bool& ready, const StopSignal* stop)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    ready = false;
    for (;;) {
        if (stop && stop->IsRaised())
            return true;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        long long waitMs = std::max<long long>(left.count(), 0);
        if (stop && stop->Fd() < 0)
            waitMs = std::min<long long>(waitMs, kStopPollSliceMs);
        pollfd p[2] = {{m_fd, POLLIN, 0}, {stop ? stop->Fd() : -1, POLLIN, 0}};
        const int n = ::poll(p, 2, static_cast<int>(waitMs));
        if (n > 0 && p[0].revents) {
            // An ICMP refusal shows as POLLERR; the read then reports it.
            ready = true;
            return true;
        }
        if (n == 0 && Clock::now() >= deadline)
            return true;
        if (n < 0 && errno != EINTR)
            return false;
    }
}

ssize_t UdpSocket::Read(void* buf, std::size_t size)
{
    ssize_t n;
    do {
        n = ::recv(m_fd, buf, size, 0);
    } while (n < 0 && errno == EINTR);
    return n;
}

ssize_t UdpSocket::Read(void* buf, std::size_t size, timespec& arrival, bool& stamped)
{
    iovec iov{buf, size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n;
    do {
        n = ::recvmsg(m_fd, &msg, 0);
    } while (n < 0 && errno == EINTR);
    stamped = false;
    if (n < 0)
        return n;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS
            && c->cmsg_len >= CMSG_LEN(sizeof(timespec))) {
            std::memcpy(&arrival, CMSG_DATA(c), sizeof arrival);
            stamped = true;
        }
    }
    return n;
}

int UdpSocket::Close()
{
    if (m_fd < 0)
        return -1;
    const int r = ::close(m_fd);
    m_fd = -1;
    m_family = 0;
    return r;
}
