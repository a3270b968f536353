// Vesk: the standard-time client's desktop program. It takes nothing from
// its command line or environment: its time servers are the system's own.

#include "shell/CClockApp.h"

int main(int argc, char** argv)
{
    return RunVesk(argc, argv, {});
}
