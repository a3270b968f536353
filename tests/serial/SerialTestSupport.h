#pragma once
// Pseudo-terminals standing in for COM1..COM4, and the serial options put
// back after each test.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "base/Options.h"
#include "serial/SerialPort.h"

// A pseudo-terminal pair: the slave is the "port", the master reads what
// was sent to it.
class Pty
{
public:
    Pty()
    {
        char name[128] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0) {
            m_path = name;
            ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        }
    }
    ~Pty()
    {
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& SlavePath() const { return m_path; }
    int Slave() const { return m_slave; }

    // What arrives within ms, returning as soon as want bytes are in.
    std::string Read(std::size_t want, int ms = 2000)
    {
        using namespace std::chrono;
        std::string got;
        const auto end = steady_clock::now() + milliseconds(ms);
        for (;;) {
            char buf[256];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0)
                got.append(buf, std::size_t(n));
            if (got.size() >= want)
                return got;
            const auto left = duration_cast<milliseconds>(end - steady_clock::now()).count();
            if (left <= 0)
                return got;
            pollfd p{m_master, POLLIN, 0};
            ::poll(&p, 1, int(left));
        }
    }
    // What has arrived by now.
    std::string Pending() { return Read(SIZE_MAX, 0); }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

// A path where no device is, for ports a test does not stand in for.
inline constexpr const char* kNoDevice = "/nonexistent/vesk-test-port";

// COM1..COM4 on pseudo-terminals for the life of the object, with the
// serial options as a first run has them; afterwards every port names no
// device, so nothing reaches the machine's own serial ports.
class PtyPorts
{
public:
    PtyPorts()
    {
        for (int n = 1; n <= kComPortCount; ++n)
            SetComDevice(n, m_ptys[std::size_t(n - 1)].SlavePath());
        g_bAutoCOMM = false;
        g_bCheckAutoCOMM = false;
        for (auto& on : g_bComport)
            on = false;
        g_nCompensateTime = 500;
        g_nAutoConCommDur = 10;
        g_bSelMorS = true;
    }
    ~PtyPorts()
    {
        for (int n = 1; n <= kComPortCount; ++n)
            SetComDevice(n, kNoDevice);
        g_bAutoCOMM = false;
        for (auto& on : g_bComport)
            on = false;
    }

    // COMn's pseudo-terminal, n = 1..4.
    Pty& operator[](int n) { return m_ptys[std::size_t(n - 1)]; }

private:
    std::array<Pty, kComPortCount> m_ptys;
};
