#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

struct CommandRun
{
    int status = -1;   // exit status, -1 when it did not exit
    std::string out;   // standard output
};

// Runs a shell command line; its standard error is dropped.
inline CommandRun RunCommand(const std::string& commandLine)
{
    CommandRun run;
    FILE* p = ::popen((commandLine + " 2>/dev/null").c_str(), "r");
    if (!p)
        return run;
    std::array<char, 512> buf;
    while (std::fgets(buf.data(), buf.size(), p))
        run.out += buf.data();
    const int st = ::pclose(p);
    run.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return run;
}
