// vesk-test-launcher [host[:port] [host[:port]]]: the program with the
// time servers given, for the desktop tests and measurements, which need
// servers on loopback. Built with the tests only, never installed: the
// shipped program has no way to be given servers. Its synchronise hands
// them to the helper beside it, which takes them only without any right.

#include "shell/CClockApp.h"

int main(int argc, char** argv)
{
    auto servers = ServersFromArguments(argc, argv);
    if (!servers)
        return 2;
    // Named as the program, so its settings file and window class are the
    // program's; the servers are not Qt's arguments.
    char name[] = "Vesk";
    char* qtArgv[] = {name, nullptr};
    return RunVesk(1, qtArgv, std::move(*servers));
}
