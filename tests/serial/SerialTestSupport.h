#pragma once
// Pseudo-terminals standing in for COM1..COM4.

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <functional>
#include <string>

#include "base/Options.h"
#include "serial/SerialPort.h"
#include "serial/TransmitTime.h"

// A pseudo-terminal pair: the slave is the port, the master reads the line.
struct Pty
{
    Pty() { ::openpty(&master, &slave, name, nullptr, nullptr); }
    ~Pty() { ::close(master), ::close(slave); }

    // What arrives until want bytes are in or nothing more comes for ms.
    std::string Read(std::size_t want, int ms = 2500)
    {
        std::string got;
        char buf[256];
        pollfd p{master, POLLIN, 0};
        while (got.size() < want && ::poll(&p, 1, ms) > 0) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, std::size_t(n));
        }
        return got;
    }

    // The device stops the line with XOFF, as one whose flow control holds
    // it: every write to the port waits.
    bool Hold()
    {
        termios t{};
        ::tcgetattr(slave, &t);
        t.c_iflag |= IXON;
        if (::tcsetattr(slave, TCSANOW, &t) != 0 || ::write(master, "\x13", 1) != 1)
            return false;
        pollfd p{slave, POLLOUT, 0};
        for (int i = 0; i < 100 && ::poll(&p, 1, 0) > 0; ++i)  // taken in by a kernel worker
            ::usleep(10'000);
        return ::poll(&p, 1, 0) == 0;
    }

    int master = -1, slave = -1;
    char name[128] = {};
};

inline constexpr const char* kNoDevice = "/nonexistent/vesk-test-port";

// COM1..COM4 on pseudo-terminals, none ticked, automatic transmission off.
// Afterwards no port names a device, so nothing reaches the machine's own.
struct PtyPorts
{
    PtyPorts()
    {
        for (int n = 1; n <= kComPortCount; ++n) {
            SetComDevice(n, (*this)[n].name);
            g_bComport[n - 1] = false;
        }
        g_bAutoCOMM = g_bCheckAutoCOMM = false;
        g_nCompensateTime = 500;
        g_nAutoConCommDur = 10;
        g_bSelMorS = true;
    }
    ~PtyPorts()
    {
        g_bAutoCOMM = false;
        for (int n = 1; n <= kComPortCount; ++n)
            SetComDevice(n, kNoDevice);
    }
    Pty& operator[](int n) { return ptys[std::size_t(n - 1)]; }

    std::array<Pty, kComPortCount> ptys;
};

// The real clock on real threads, moved so that it reads ms into a second
// when made: a test then meets its compensation point at a known moment.
struct ShiftedClock final : TransmitClock
{
    explicit ShiftedClock(int ms)
    {
        const TransmitInstant now = SystemTransmitClock().Now();
        shift = std::chrono::ceil<std::chrono::seconds>(now) + std::chrono::milliseconds(ms) - now;
    }
    TransmitInstant Now() override { return SystemTransmitClock().Now() + shift; }
    void SleepUntil(TransmitInstant t, const std::function<bool()>& keepWaiting) override
    {
        SystemTransmitClock().SleepUntil(t - shift, keepWaiting);
    }
    std::chrono::nanoseconds shift{};
};
