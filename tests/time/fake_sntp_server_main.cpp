// fake-sntp-server OFFSET [SECONDS]: answers on a free loopback port with
// the real clock shifted by OFFSET seconds, prints the port and then
// "request" for each request, and ends after SECONDS (default 60).

#include "FakeSntpServer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: fake-sntp-server OFFSET [SECONDS]\n");
        return 2;
    }
    FakeSntpServer server({.offset = std::atof(argv[1])});
    std::printf("%d\n", server.Port());
    std::fflush(stdout);
    const auto end = std::chrono::steady_clock::now()
                     + std::chrono::duration<double>(argc > 2 ? std::atof(argv[2]) : 60.0);
    for (int told = 0; std::chrono::steady_clock::now() < end;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        for (; told < server.Requests(); ++told)
            std::printf("request\n");
        std::fflush(stdout);
    }
    return 0;
}
