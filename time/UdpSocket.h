#pragma once

#include <sys/socket.h>
#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <vector>

class StopSignal;

// A server's addresses as a name lookup gave them, in the resolver's
// order; or why the lookup failed.
struct PeerAddresses
{
    struct Address
    {
        sockaddr_storage addr;
        socklen_t len;
    };
    std::vector<Address> list;
    int resolveError = 0;   // getaddrinfo's code; 0 when the lookup worked
    int resolveErrno = 0;   // errno when resolveError is EAI_SYSTEM
};

// Looks host up (a name, or a numeric IPv4/IPv6 address, which needs no
// lookup) for UDP on port.
PeerAddresses ResolvePeer(const char* host, int port);

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
    // kernel for each datagram's arrival time and for the time each one
    // it sends leaves.
    bool Create(int family);
    // Fixes the peer: host is looked up as ResolvePeer does. Replaces the
    // socket when the peer's address family differs. Nothing is sent.
    bool Connect(const char* host, int port);
    // The same with the addresses looked up beforehand: the first one
    // that connects.
    bool Connect(const PeerAddresses& peer);
    bool Send(const void* data, std::size_t len);
    // Waits at most timeoutMs for a datagram or a pending error; ready
    // tells which. A raised stop ends the wait at once with ready false.
    // False only when the wait itself fails. Send times the kernel
    // reports meanwhile are kept for SentAt.
    bool WaitReadable(unsigned timeoutMs, bool& ready, const StopSignal* stop = nullptr);
    // The kernel's time (realtime clock) at which the last datagram sent
    // left, when it has reported one; false otherwise.
    bool SentAt(timespec& sent);
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
    // Reads the error queue: true when it held a send time (kept in
    // m_sent), false when it is empty.
    bool TakeSendTime();

    int m_fd = -1;
    int m_family = 0;
    int m_resolveError = 0;
    timespec m_sent{};
    bool m_hasSent = false;
};
