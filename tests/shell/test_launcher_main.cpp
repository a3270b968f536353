// vesk-test-launcher [host[:port] [host[:port]]]: the program with the
// time servers given, for the desktop tests and measurements, which need
// servers on loopback. Built with the tests only, never installed: the
// shipped program has no way to be given servers. Its synchronise hands
// them to the helper beside it, which takes them only without any right.

#include "shell/CClockApp.h"

#include <cstdio>

int main(int argc, char** argv)
{
    std::vector<TimeServer> servers;
    for (int i = 1; i < argc; ++i) {
        const auto server = ParseTimeServer(argv[i]);
        if (!server) {
            std::fprintf(stderr, "vesk-test-launcher: bad server %s\n", argv[i]);
            return 2;
        }
        servers.push_back(*server);
    }
    // Named as the program, so its settings file and window class are the
    // program's; the servers are not Qt's arguments.
    char name[] = "Vesk";
    char* qtArgv[] = {name, nullptr};
    return RunVesk(1, qtArgv, std::move(servers));
}
