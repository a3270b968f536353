#pragma once

#include <cstddef>
#include <ctime>
#include <sys/types.h>

class StopSignal;

// One UDP socket for the length of one exchange. Failures are false (or -1)
// with errno set; a failed name lookup keeps its getaddrinfo code apart,
// since errno cannot carry it.
class UdpSocket
{
public:
    UdpSocket() = default;
    ~UdpSocket() { Close(); }
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Makes a datagram socket of the given address family that asks the
    // kernel for each datagram's arrival time.
    bool Create(int family);
    // Fixes the peer: host is a name or a numeric IPv4/IPv6 address (no
    // lookup for those). Replaces the socket when the peer's address
    // family differs. Nothing is sent.
    bool Connect(const char* host, int port);
    bool Send(const void* data, std::size_t len);
    // Waits at most timeoutMs for a datagram or a pending error; ready
    // tells which. A raised stop ends the wait at once with ready false.
    // False only when the wait itself fails.
    bool WaitReadable(unsigned timeoutMs, bool& ready, const StopSignal* stop = nullptr);
    // recv() into buf: the datagram's length (cut to size), or -1.
    ssize_t Read(void* buf, std::size_t size);
    // The same, with the kernel's arrival time of the datagram (realtime
    // clock) in arrival when stamped says the kernel gave one.
    ssize_t Read(void* buf, std::size_t size, timespec& arrival, bool& stamped);
    // -1 when no socket is open, else close()'s result.
    int Close();

    int Handle() const { return m_fd; }
    int ResolveError() const { return m_resolveError; }

private:
    int m_fd = -1;
    int m_family = 0;
    int m_resolveError = 0;
};
