#pragma once

#include "time/SntpClient.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The time servers the system asks, in order; fixed, not options.
inline constexpr const char* kPrimaryTimeServer = "kr.pool.ntp.org";
inline constexpr const char* kSecondaryTimeServer = "time.cloudflare.com";

inline constexpr const char* kNoReplyMessage = "서버에서 응답이 없습니다";

struct TimeServer
{
    std::string host;
    int port = kNtpPort;
};

std::vector<TimeServer> DefaultTimeServers();

// "host", "host:port", "[v6]:port" or a bare IPv6 address; empty when the
// port is not a number in 1..65535.
std::optional<TimeServer> ParseTimeServer(std::string_view text);
// "host:port", or "[v6]:port": what ParseTimeServer reads back.
std::string FormatTimeServer(const TimeServer& server);
// The servers a command-line tool is given (argv[1] on), in order;
// nothing when a word asks for help or is no server (told on standard
// error).
std::optional<std::vector<TimeServer>> ServersFromArguments(int argc, char** argv);

struct ServerAnswer
{
    bool answered = false;             // a server gave a usable reply
    int serverId = 0;                  // 1-based index of the server that answered,
                                       // servers.size() + 1 when none did
    SntpResult result;
    std::vector<std::string> failures; // "host:port: why", one per server that failed
};

// Each server's addresses, looked up now, in the servers' order: the
// exchanges that follow need no lookup.
std::vector<PeerAddresses> ResolveServers(const std::vector<TimeServer>& servers);

// Asks each server in turn, from the first, until one gives a usable
// reply, or the client's stop signal is raised. resolved, when given,
// holds each server's addresses (ResolveServers); otherwise each is
// looked up as it is asked.
ServerAnswer AskServers(SntpClient& client, const std::vector<TimeServer>& servers,
                        const std::vector<PeerAddresses>& resolved = {}, std::size_t first = 0);

// The compare message for an offset in seconds (positive: the PC is slow).
std::string CompareMessage(double offset);
