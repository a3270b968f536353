#include "time/SntpClient.h"

#include "time/UdpSocket.h"

#include <netdb.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::uint8_t kClientRequest = 0x1B;   // LI 0, version 3, mode 3
constexpr int kModeServer = 4;
constexpr int kLeapUnsynchronised = 3;

constexpr int kOldestVersion = 1;
constexpr int kNewestVersion = 4;

constexpr std::size_t kTransmitAt = 40;          // transmit timestamp in the header

std::uint32_t ReadBe32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// An NTP short (16.16 s) read unsigned, as RFC 5905 s.6 has it: a
// negative root delay of an old server reads as far too large.
double ReadShort(const std::uint8_t* p)
{
    return ReadBe32(p) / 65536.0;
}

// The step for an offset in seconds, its nanoseconds in [0, 1e9).
timespec StepOf(double offset)
{
    double whole = std::floor(offset);
    auto ns = static_cast<long>(std::llround((offset - whole) * 1e9));
    if (ns >= 1000000000L) {
        ns -= 1000000000L;
        whole += 1;
    }
    timespec t{};
    t.tv_sec = static_cast<time_t>(whole);
    t.tv_nsec = ns;
    return t;
}

// What the user is told of a refused reply besides the refusal's name.
std::string FailureDetail(SntpError verdict, const SntpResult& r, ssize_t length)
{
    char seconds[48];
    switch (verdict) {
    case SntpError::ShortReply:
        return std::to_string(length) + " 바이트";
    case SntpError::BadVersion:
        return "버전 " + std::to_string(r.Version);
    case SntpError::BadStratum:
        return "계층 " + std::to_string(r.Stratum);
    case SntpError::KissOfDeath: {
        std::string code;
        for (int shift = 24; shift >= 0; shift -= 8) {
            const char c = static_cast<char>(r.ReferenceId >> shift);
            if (c >= 0x20 && c < 0x7F)
                code += c;
        }
        return code;
    }
    case SntpError::FarFromSource:
    case SntpError::DelayTooLong:
        std::snprintf(seconds, sizeof seconds, "%.3f 초",
                      verdict == SntpError::FarFromSource ? r.RootDistance : r.Delay);
        return seconds;
    default:
        return {};
    }
}

void PutTransmit(std::uint8_t (&request)[kNtpHeaderSize], const NtpTimestamp& sent)
{
    const auto t = sent.ToNetwork();
    std::memcpy(request + kTransmitAt, t.data(), t.size());
}

} // namespace

std::int64_t EarliestServerTime()
{
    // The build's day, set by the build (SOURCE_DATE_EPOCH when given).
    constexpr std::int64_t kBuilt = VESK_BUILD_EPOCH;
    return kBuilt - kBuilt % 86400;
}

void BuildRequest(std::uint8_t (&request)[kNtpHeaderSize], const NtpTimestamp& sent)
{
    std::memset(request, 0, sizeof request);
    request[0] = kClientRequest;
    PutTransmit(request, sent);
}

SntpError ParseReply(const std::uint8_t* reply, std::size_t len, const NtpTimestamp& sent,
                     const NtpTimestamp& transmitted, const NtpTimestamp& destination,
                     SntpResult& result)
{
    if (len < kNtpHeaderSize)
        return SntpError::ShortReply;

    result.LeapIndicator = reply[0] >> 6;
    result.Version = reply[0] >> 3 & 7;
    result.Stratum = reply[1];
    result.RootDistance = ReadShort(reply + 4) / 2 + ReadShort(reply + 8);
    result.ReferenceId = ReadBe32(reply + 12);
    result.Originate.FromNetwork(reply + 24);
    result.Receive.FromNetwork(reply + 32);
    result.Transmit.FromNetwork(reply + 40);
    result.Sent = transmitted;
    result.Destination = destination;
    result.Delay = result.Destination.EraDiff(result.Sent) - result.Transmit.EraDiff(result.Receive);
    result.Offset = (result.Receive.EraDiff(result.Sent)
                     + result.Transmit.EraDiff(result.Destination)) * 0.5;

    // RFC 4330 s.5: a client uses a reply only if all of these hold. A
    // kiss-o'-death comes with leap indicator 3 (RFC 5905 s.7.4), so it is
    // told apart before the leap indicator.
    const bool fromServer = (reply[0] & 7) == kModeServer;
    const bool versionKnown = result.Version >= kOldestVersion && result.Version <= kNewestVersion;
    const bool kissOfDeath = result.Stratum == 0;
    const bool synchronised = result.LeapIndicator != kLeapUnsynchronised;
    const bool stratumValid = result.Stratum <= 15;
    const bool hasTime = result.Transmit.Value() != 0;
    // A zero receive time would make the offset half the era (-2^31 s).
    const bool hasReceiveTime = result.Receive.Value() != 0;
    const bool answersUs = result.Originate == sent;
    // T3 - T2 longer than T4 - T1: a time that cannot be true.
    const bool delayPossible = result.Delay >= 0;
    // The checks trusted clients make beyond RFC 4330 (RFC 5905 s.9.2,
    // the distance threshold): a server's time from before this program
    // existed, or one that may be seconds off its own reference, could
    // set the clock years or seconds wrong.
    const bool afterBuild = result.Receive.ToUnixSeconds() >= EarliestServerTime()
                            && result.Transmit.ToUnixSeconds() >= EarliestServerTime();
    const bool nearSource = result.RootDistance <= kMaxRootDistance;
    if (!fromServer)
        return SntpError::NotServerMode;
    if (!versionKnown)
        return SntpError::BadVersion;
    if (kissOfDeath)
        return SntpError::KissOfDeath;
    if (!synchronised)
        return SntpError::Unsynchronised;
    if (!stratumValid)
        return SntpError::BadStratum;
    if (!hasTime)
        return SntpError::NoTransmitTime;
    if (!hasReceiveTime)
        return SntpError::NoReceiveTime;
    if (!answersUs)
        return SntpError::WrongOriginate;
    if (!afterBuild)
        return SntpError::BeforeBuild;
    if (!nearSource)
        return SntpError::FarFromSource;
    if (!delayPossible)
        return SntpError::NegativeDelay;
    return SntpError::None;
}

bool SntpClient::Fail(SntpError error, int err)
{
    m_error = error;
    m_errno = err;
    errno = err;
    return false;
}

bool SntpClient::Query(const char* host, SntpResult& result, int port)
{
    if (Stopped())
        return Fail(SntpError::Stopped, ECANCELED);
    return Query(ResolvePeer(host, port), result);
}

bool SntpClient::Query(const PeerAddresses& peer, SntpResult& result)
{
    m_error = SntpError::None;
    m_errno = 0;
    m_detail.clear();
    if (Stopped())
        return Fail(SntpError::Stopped, ECANCELED);

    UdpSocket socket;   // closed on every path by its destructor
    if (!socket.Create(AF_INET))
        return Fail(SntpError::Socket, errno);
    if (!socket.Connect(peer)) {
        if (socket.ResolveError() != 0) {
            m_detail = gai_strerror(socket.ResolveError());
            return Fail(SntpError::Resolve, errno);
        }
        return Fail(SntpError::Connect, errno);
    }

    // T1 is the kernel's time of the send and T4 its arrival time of the
    // reply, so that no delay of this process (a busy machine, a stop
    // signal) falls inside the measured round trip. Without the kernel's
    // send time, T1 is the last thing read before the send.
    std::uint8_t request[kNtpHeaderSize];
    BuildRequest(request, NtpTimestamp(0, 0));
    const NtpTimestamp sent = NtpTimestamp::Now();
    PutTransmit(request, sent);
    if (!socket.Send(request, sizeof request))
        return Fail(SntpError::Send, errno);

    bool ready = false;
    const bool waited = socket.WaitReadable(TimeoutMs, ready, m_stop);
    if (Stopped())
        return Fail(SntpError::Stopped, ECANCELED);
    if (!waited || !ready)
        return Fail(SntpError::Timeout, ETIMEDOUT);
    // Stands in for T4 when the kernel gives no arrival time.
    NtpTimestamp destination = NtpTimestamp::Now();

    std::uint8_t reply[kNtpReplyBuffer] = {};
    timespec arrival{};
    bool stamped = false;
    const ssize_t n = socket.Read(reply, sizeof reply, arrival, stamped);
    if (n < 0)
        return Fail(SntpError::Receive, errno);
    // Arrival comes before the wait saw the reply. A later stamp is the
    // kernel's own fill-in (stamping was being switched on as the reply
    // came), taken at the read.
    if (stamped && NtpTimestamp::FromTimespec(arrival).Diff(destination) < 0)
        destination = NtpTimestamp::FromTimespec(arrival);
    // The send time lies between the read before the send and the arrival.
    NtpTimestamp transmitted = sent;
    timespec left{};
    if (socket.SentAt(left)) {
        const NtpTimestamp t = NtpTimestamp::FromTimespec(left);
        if (t.Diff(sent) >= 0 && destination.Diff(t) >= 0)
            transmitted = t;
    }

    SntpError verdict = ParseReply(reply, static_cast<std::size_t>(n), sent, transmitted,
                                   destination, result);
    if (verdict == SntpError::None && result.Delay > TimeoutMs / 1000.0)
        verdict = SntpError::DelayTooLong;
    m_detail = FailureDetail(verdict, result, n);
    return verdict == SntpError::None ? true : Fail(verdict, EBADMSG);
}

std::string SntpClient::LastErrorText() const
{
    std::string text;
    switch (m_error) {
    case SntpError::None: return {};
    case SntpError::Socket: text = "소켓을 만들 수 없습니다"; break;
    case SntpError::Resolve: text = "호스트 이름을 찾을 수 없습니다"; break;
    case SntpError::Connect: text = "서버에 연결할 수 없습니다"; break;
    case SntpError::Send: text = "요청을 보낼 수 없습니다"; break;
    case SntpError::Timeout: text = "응답 시간이 초과되었습니다"; break;
    case SntpError::Receive: text = "응답을 받을 수 없습니다"; break;
    case SntpError::ShortReply: text = "응답이 너무 짧습니다"; break;
    case SntpError::NotServerMode: text = "서버 응답이 아닙니다"; break;
    case SntpError::BadVersion: text = "알 수 없는 버전의 응답입니다"; break;
    case SntpError::Unsynchronised: text = "서버가 동기되지 않았습니다"; break;
    case SntpError::KissOfDeath: text = "서버가 요청을 거부했습니다"; break;
    case SntpError::BadStratum: text = "계층 값이 잘못되었습니다"; break;
    case SntpError::NoTransmitTime: text = "응답에 송신 시각이 없습니다"; break;
    case SntpError::NoReceiveTime: text = "응답에 수신 시각이 없습니다"; break;
    case SntpError::WrongOriginate: text = "요청과 맞지 않는 응답입니다"; break;
    case SntpError::NegativeDelay: text = "왕복 지연이 음수입니다"; break;
    case SntpError::BeforeBuild: text = "서버 시각이 프로그램보다 오래되었습니다"; break;
    case SntpError::FarFromSource: text = "서버 시각의 오차 범위가 너무 큽니다"; break;
    case SntpError::DelayTooLong: text = "왕복 지연이 너무 깁니다"; break;
    case SntpError::Stopped: text = "중단되었습니다"; break;
    }
    std::string detail = m_detail;
    const bool systemError = m_error == SntpError::Socket || m_error == SntpError::Connect
                             || m_error == SntpError::Send || m_error == SntpError::Receive;
    if (systemError && detail.empty()) {
        char buf[128];
        detail = strerror_r(m_errno, buf, sizeof buf);   // GNU form: thread-safe
    }
    return detail.empty() ? text : text + " (" + detail + ")";
}

bool SntpClient::EnableSystemTimePrivilege()
{
    if (!m_clock) {
        errno = EPERM;
        return false;
    }
    m_bPrivilegeEnabled = m_clock->RaiseTimeCapability();
    return m_bPrivilegeEnabled;
}

void SntpClient::RestorePrivilege()
{
    if (m_bPrivilegeEnabled) {
        m_clock->DropTimeCapability();
        m_bPrivilegeEnabled = false;
    }
}

bool SntpClient::SetSystemClock(double offset)
{
    if (!std::isfinite(offset)) {
        errno = EINVAL;
        return false;
    }
    bool result = false;
    if (EnableSystemTimePrivilege())
        result = m_clock->Step(StepOf(offset));
    const int err = errno;   // the set's reason outlives the drop
    RestorePrivilege();
    errno = err;
    return result;
}
