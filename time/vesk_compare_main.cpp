// vesk-compare: one compare from a terminal, the way the program does it.
// Asks the primary and then the secondary time server (or the servers
// given as arguments, in order) and tells how far the PC clock is off.
// It only reads the clock; it never sets it.

#include "time/Compare.h"

#include <cstdio>

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "사용법: vesk-compare [서버[:포트] ...]\n"
                 "서버를 주지 않으면 %s, %s 순서로 묻습니다 (포트 %d).\n",
                 kPrimaryTimeServer, kSecondaryTimeServer, kNtpPort);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    auto given = ServersFromArguments(argc, argv);
    if (!given)
        return Usage();
    std::vector<TimeServer> servers = std::move(*given);
    if (servers.empty())
        servers = DefaultTimeServers();

    SntpClient client;
    const ServerAnswer answer = AskServers(client, servers);
    for (const auto& failure : answer.failures)
        std::fprintf(stderr, "%s\n", failure.c_str());
    if (answer.serverId > static_cast<int>(servers.size())) {
        std::printf("%s\n", kNoReplyMessage);
        return 1;
    }
    const TimeServer& server = servers[answer.serverId - 1];
    const SntpResult& r = answer.result;
    std::printf("%s\n", CompareMessage(r.Offset).c_str());
    std::printf("서버 %s:%d, 계층 %d, 오프셋 %+.3f ms, 지연 %.3f ms\n", server.host.c_str(),
                server.port, r.Stratum, r.Offset * 1000.0, r.Delay * 1000.0);
    return 0;
}
