#pragma once

#include "time/ClockSetter.h"
#include "time/NtpTimestamp.h"
#include "time/StopSignal.h"
#include "time/UdpSocket.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Outcome of one exchange. T1..T4 are the originate, receive, transmit and
// destination timestamps.
struct SntpResult
{
    int LeapIndicator = 0;      // 0..3
    int Version = 0;            // 0..7
    int Stratum = 0;            // 0..255
    double RootDistance = 0;    // s, root delay / 2 + root dispersion
    std::uint32_t ReferenceId = 0; // the kiss code (four letters) when Stratum is 0
    NtpTimestamp Originate{};   // as the server echoes it: the request's transmit timestamp
    NtpTimestamp Sent{};        // T1, when the request left (the kernel's time when it gave one)
    NtpTimestamp Receive{};     // T2
    NtpTimestamp Transmit{};    // T3
    NtpTimestamp Destination{}; // T4, local clock when the reply was waiting
    double Delay = 0;           // s, (T4 - T1) - (T3 - T2)
    // s, ((T2 - T1) + (T3 - T4)) / 2, with the timestamps read by the era
    // rule, so a server decades off is not wrapped into 68 years.
    double Offset = 0;          // s, positive when the server is ahead of the PC
};

// Why an exchange failed.
enum class SntpError
{
    None,
    Socket,          // socket() failed
    Resolve,         // the host name did not resolve
    Connect,         // connect() failed
    Send,            // send() failed
    Timeout,         // no reply within TimeoutMs
    Receive,         // recv() failed, e.g. the port refused (ICMP)
    ShortReply,      // fewer than 48 bytes
    NotServerMode,   // mode other than 4
    BadVersion,      // version outside 1..4
    Unsynchronised,  // leap indicator 3
    KissOfDeath,     // stratum 0
    BadStratum,      // stratum above 15
    NoTransmitTime,  // transmit timestamp zero
    NoReceiveTime,   // receive timestamp zero
    WrongOriginate,  // not an answer to our request
    NegativeDelay,   // the server held the request longer than the round trip took
    BeforeBuild,     // a receive or transmit time before this program was built
    FarFromSource,   // root distance above kMaxRootDistance
    DelayTooLong,    // round trip longer than the wait for the reply
    Stopped,         // the stop signal was raised
};

constexpr std::size_t kNtpHeaderSize = 48;
constexpr std::size_t kNtpReplyBuffer = 68;   // header and a 20-byte authenticator
constexpr int kNtpPort = 123;
// s: a server whose own time may be this far off its reference is not
// used (root delay / 2 + root dispersion).
constexpr double kMaxRootDistance = 5.0;

// The earliest time a server may give, in s since 1970 UTC: the day this
// program was built. A server that answers with an earlier time is wrong.
std::int64_t EarliestServerTime();

// Builds the 48-byte client request (version 3, mode 3) carrying sent as
// its transmit timestamp.
void BuildRequest(std::uint8_t (&request)[kNtpHeaderSize], const NtpTimestamp& sent);

// Fills result from a reply of len bytes (only the first 48 are read) that
// answers a request carrying the transmit timestamp `sent`, which left at
// `transmitted` and whose reply arrived at `destination`, then checks it
// may be used. SntpError::None when it may.
SntpError ParseReply(const std::uint8_t* reply, std::size_t len, const NtpTimestamp& sent,
                     const NtpTimestamp& transmitted, const NtpTimestamp& destination,
                     SntpResult& result);
// The same for a request that left at the time it carries.
inline SntpError ParseReply(const std::uint8_t* reply, std::size_t len, const NtpTimestamp& sent,
                            const NtpTimestamp& destination, SntpResult& result)
{
    return ParseReply(reply, len, sent, sent, destination, result);
}

// SNTP client (RFC 4330, unicast, version 3), which also sets the clock.
class SntpClient
{
public:
    // A client that only asks: SetSystemClock fails with EPERM.
    SntpClient() = default;
    // clock is where SetSystemClock goes.
    explicit SntpClient(ClockSetter& clock) : m_clock(&clock) {}

    std::uint32_t TimeoutMs = 2000;

    // One exchange with host:port. True when a usable reply was read and
    // result filled in; false with LastError() and errno telling why
    // (ETIMEDOUT when no reply came in time). Blocks for the lookup and up
    // to TimeoutMs. A reply whose round trip took longer than TimeoutMs
    // is refused: its offset could be off by half of that.
    bool Query(const char* host, SntpResult& result, int port);
    // The same with the server's addresses looked up beforehand.
    bool Query(const PeerAddresses& peer, SntpResult& result);

    // A raised stop ends a Query's wait at once, and fails every later
    // Query before it sends (SntpError::Stopped, ECANCELED).
    void SetStopSignal(const StopSignal* stop) { m_stop = stop; }

    SntpError LastError() const { return m_error; }
    // The failure in words, for the user: what went wrong and the detail
    // the system gave (errno text, resolver text, kiss code, length).
    std::string LastErrorText() const;

    // Raises the right to set the clock for this process.
    bool EnableSystemTimePrivilege();
    // Drops that right again if EnableSystemTimePrivilege raised it.
    void RestorePrivilege();
    // Steps the system clock by offset seconds (positive: forward), which
    // the kernel adds to the clock as it is at that moment: raise, step,
    // drop, and the result of the step; false with errno from the part
    // that failed.
    bool SetSystemClock(double offset);

private:
    bool Fail(SntpError error, int err);

    bool Stopped() const { return m_stop && m_stop->IsRaised(); }

    ClockSetter* m_clock = nullptr;
    const StopSignal* m_stop = nullptr;
    bool m_bPrivilegeEnabled = false;

    SntpError m_error = SntpError::None;
    int m_errno = 0;
    std::string m_detail;
};
