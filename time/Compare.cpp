#include "time/Compare.h"

#include <charconv>
#include <cstdio>
#include <cstring>

std::vector<TimeServer> DefaultTimeServers()
{
    return {{kPrimaryTimeServer, kNtpPort}, {kSecondaryTimeServer, kNtpPort}};
}

std::optional<TimeServer> ParseTimeServer(std::string_view text)
{
    std::string_view host = text;
    std::string_view port;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = text.substr(1, close - 1);
        const auto rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':')
                return std::nullopt;
            port = rest.substr(1);
        }
    } else if (text.find(':') == text.rfind(':') && text.find(':') != std::string_view::npos) {
        // Exactly one colon: host:port. Two or more: a bare IPv6 address.
        host = text.substr(0, text.find(':'));
        port = text.substr(text.find(':') + 1);
    }
    if (host.empty())
        return std::nullopt;
    TimeServer server{std::string(host), kNtpPort};
    if (!port.empty() || text.ends_with(':')) {
        int value = 0;
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (ec != std::errc{} || end != port.data() + port.size() || value < 1 || value > 65535)
            return std::nullopt;
        server.port = value;
    }
    return server;
}

std::string FormatTimeServer(const TimeServer& server)
{
    const bool v6 = server.host.find(':') != std::string::npos;
    return (v6 ? "[" + server.host + "]" : server.host) + ":" + std::to_string(server.port);
}

std::optional<std::vector<TimeServer>> ServersFromArguments(int argc, char** argv)
{
    std::vector<TimeServer> servers;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help"))
            return std::nullopt;
        const auto server = ParseTimeServer(argv[i]);
        if (!server) {
            std::fprintf(stderr, "잘못된 서버 주소입니다: %s\n", argv[i]);
            return std::nullopt;
        }
        servers.push_back(*server);
    }
    return servers;
}

std::vector<PeerAddresses> ResolveServers(const std::vector<TimeServer>& servers)
{
    std::vector<PeerAddresses> resolved;
    for (const TimeServer& s : servers)
        resolved.push_back(ResolvePeer(s.host.c_str(), s.port));
    return resolved;
}

ServerAnswer AskServers(SntpClient& client, const std::vector<TimeServer>& servers,
                        const std::vector<PeerAddresses>& resolved, std::size_t first)
{
    ServerAnswer answer;
    for (std::size_t i = first; i < servers.size(); ++i) {
        SntpResult result;
        const bool answered = i < resolved.size()
                                  ? client.Query(resolved[i], result)
                                  : client.Query(servers[i].host.c_str(), result, servers[i].port);
        if (answered) {
            answer.answered = true;
            answer.serverId = static_cast<int>(i) + 1;
            answer.result = result;
            return answer;
        }
        if (client.LastError() == SntpError::Stopped)
            break;   // no next server: the caller is going away
        answer.failures.push_back(FormatTimeServer(servers[i]) + ": " + client.LastErrorText());
    }
    answer.serverId = static_cast<int>(servers.size()) + 1;
    return answer;
}

std::string CompareMessage(double offset)
{
    char text[96];
    if (offset >= 0)
        std::snprintf(text, sizeof text, "사용자 PC가 %.3f 초 늦습니다.", offset);
    else
        std::snprintf(text, sizeof text, "사용자 PC가 %.3f 초 빠릅니다.", -offset);
    return text;
}
