#include "time/UdpSocket.h"

#include "time/StopSignal.h"

#include <linux/errqueue.h>
#include <linux/net_tstamp.h>
#include <netdb.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

PeerAddresses ResolvePeer(const char* host, int port)
{
    PeerAddresses peer;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    peer.resolveError = ::getaddrinfo(host, service.c_str(), &hints, &list);
    if (peer.resolveError != 0) {
        peer.resolveErrno = peer.resolveError == EAI_SYSTEM ? errno : EHOSTUNREACH;
        return peer;
    }
    for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
        if (ai->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        PeerAddresses::Address a{};
        std::memcpy(&a.addr, ai->ai_addr, ai->ai_addrlen);
        a.len = ai->ai_addrlen;
        peer.list.push_back(a);
    }
    ::freeaddrinfo(list);
    return peer;
}

bool UdpSocket::Create(int family)
{
    Close();
    m_fd = ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    m_family = m_fd >= 0 ? family : 0;
    m_hasSent = false;
    if (m_fd >= 0) {
        // Without them a read falls back to the clock after the wait, and
        // the send time to the clock read just before the send.
        const int on = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
        const int tx = SOF_TIMESTAMPING_TX_SOFTWARE | SOF_TIMESTAMPING_SOFTWARE
                       | SOF_TIMESTAMPING_OPT_TSONLY;
        ::setsockopt(m_fd, SOL_SOCKET, SO_TIMESTAMPING, &tx, sizeof tx);
    }
    return m_fd >= 0;
}

bool UdpSocket::Connect(const char* host, int port)
{
    const PeerAddresses peer = ResolvePeer(host, port);
    return Connect(peer);
}

bool UdpSocket::Connect(const PeerAddresses& peer)
{
    m_resolveError = peer.resolveError;
    if (peer.resolveError != 0) {
        errno = peer.resolveErrno;
        return false;
    }
    int err = EHOSTUNREACH;
    bool connected = false;
    for (const PeerAddresses::Address& a : peer.list) {
        if (connected)
            break;
        if (m_fd < 0 || m_family != a.addr.ss_family) {
            if (!Create(a.addr.ss_family)) {
                err = errno;
                continue;
            }
        }
        connected = ::connect(m_fd, reinterpret_cast<const sockaddr*>(&a.addr), a.len) == 0;
        if (!connected)
            err = errno;
    }
    if (!connected)
        errno = err;
    return connected;
}

bool UdpSocket::Send(const void* data, std::size_t len)
{
    m_hasSent = false;
    return ::send(m_fd, data, len, 0) == static_cast<ssize_t>(len);
}

bool UdpSocket::TakeSendTime()
{
    char data[64];   // OPT_TSONLY: no copy of the datagram comes back
    iovec iov{data, sizeof data};
    alignas(cmsghdr) char control[256];
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n;
    do {
        n = ::recvmsg(m_fd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return false;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPING
            && c->cmsg_len >= CMSG_LEN(sizeof(scm_timestamping))) {
            scm_timestamping stamps;
            std::memcpy(&stamps, CMSG_DATA(c), sizeof stamps);
            if (stamps.ts[0].tv_sec != 0 || stamps.ts[0].tv_nsec != 0) {   // [0]: software
                m_sent = stamps.ts[0];
                m_hasSent = true;
            }
        }
    }
    return true;
}

bool UdpSocket::SentAt(timespec& sent)
{
    while (!m_hasSent && TakeSendTime()) {
    }
    if (m_hasSent)
        sent = m_sent;
    return m_hasSent;
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
        // A send time waiting in the error queue shows as POLLERR too: it
        // is taken, and the wait goes on. An error with the queue empty
        // (an ICMP refusal) is for the read to report.
        if (n > 0 && (p[0].revents & POLLERR) && !(p[0].revents & POLLIN) && TakeSendTime())
            continue;
        if (n > 0 && p[0].revents) {
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
    // Room for the arrival time in both the forms the socket asked for.
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec)) + CMSG_SPACE(sizeof(scm_timestamping))];
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
    m_hasSent = false;
    return r;
}
