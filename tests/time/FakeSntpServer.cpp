#include "FakeSntpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

void SleepSeconds(double s)
{
    if (s > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(s));
}

// An NTP short: 16.16 s, big-endian.
void PutShort(std::uint8_t* p, double s)
{
    const auto v = static_cast<std::uint32_t>(s * 65536.0);
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

int BindLoopback(int type, bool ipv6, int& port)
{
    const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket");
    sockaddr_storage ss{};
    socklen_t len;
    if (ipv6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&ss);
        a->sin6_family = AF_INET6;
        a->sin6_addr = in6addr_loopback;
        len = sizeof *a;
    } else {
        auto* a = reinterpret_cast<sockaddr_in*>(&ss);
        a->sin_family = AF_INET;
        a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        len = sizeof *a;
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&ss), len) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0) {
        ::close(fd);
        throw std::runtime_error("bind");
    }
    port = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port
                      : reinterpret_cast<sockaddr_in*>(&ss)->sin_port);
    return fd;
}

} // namespace

FakeSntpServer::FakeSntpServer(Reply reply, bool ipv6) : m_reply(reply)
{
    m_fd = BindLoopback(SOCK_DGRAM, ipv6, m_port);
    m_thread = std::thread(&FakeSntpServer::Serve, this);
}

FakeSntpServer::~FakeSntpServer()
{
    m_stop = true;
    m_thread.join();
    ::close(m_fd);
}

void FakeSntpServer::SetReply(const Reply& reply)
{
    std::lock_guard lock(m_mutex);
    m_reply = reply;
}

void FakeSntpServer::Serve()
{
    while (!m_stop) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        std::uint8_t request[512];
        sockaddr_storage peer{};
        socklen_t peerLen = sizeof peer;
        const ssize_t n = ::recvfrom(m_fd, request, sizeof request, 0,
                                     reinterpret_cast<sockaddr*>(&peer), &peerLen);
        if (n < 48)
            continue;
        ++m_requests;
        Reply r;
        {
            std::lock_guard lock(m_mutex);
            r = m_reply;
        }
        if (r.silent)
            continue;

        SleepSeconds(r.delay / 2);
        const NtpTimestamp t2 = NtpTimestamp::Now().AddSeconds(r.offset);
        std::vector<std::uint8_t> reply(std::max<std::size_t>(r.length, 48), 0);
        reply[0] = static_cast<std::uint8_t>(r.leap << 6 | (r.version & 7) << 3 | r.mode);
        reply[1] = static_cast<std::uint8_t>(r.stratum);
        PutShort(&reply[4], r.rootDelay);
        PutShort(&reply[8], r.rootDispersion);
        std::memcpy(&reply[12], r.refId, 4);
        std::memcpy(&reply[24], request + 40, 8);   // originate = the client's transmit
        if (r.wrongOriginate)
            reply[31] ^= 0x01;
        const auto t2n = t2.ToNetwork();
        std::memcpy(&reply[16], t2n.data(), 8);
        if (!r.zeroReceive)
            std::memcpy(&reply[32], t2.AddSeconds(r.receiveLate).ToNetwork().data(), 8);
        if (!r.zeroTransmit) {
            const auto t3n = NtpTimestamp::Now().AddSeconds(r.offset + r.transmitLate).ToNetwork();
            std::memcpy(&reply[40], t3n.data(), 8);
        }
        for (std::size_t i = 48; i < reply.size(); ++i)
            reply[i] = static_cast<std::uint8_t>(0xA5);
        SleepSeconds(r.delay / 2);
        ::sendto(m_fd, reply.data(), r.length, 0, reinterpret_cast<sockaddr*>(&peer), peerLen);
    }
}

int ClosedLoopbackPort()
{
    int port = 0;
    const int fd = BindLoopback(SOCK_DGRAM, false, port);
    ::close(fd);   // the kernel may hand the port out again, but not this instant
    return port;
}
