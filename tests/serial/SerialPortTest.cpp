// The port on pseudo-terminals: line settings, exact bytes, exclusion, and
// every way an open fails without a hang.

#include <gtest/gtest.h>

#include <sys/ioctl.h>
#include <termios.h>

#include "SerialTestSupport.h"
#include "serial/TransmitTime.h"

namespace {

using namespace std::chrono;

bool Exclusive(int fd)
{
    int on = 0;
    return ::ioctl(fd, TIOCGEXCL, &on) == 0 && on != 0;
}

TEST(SerialPort, OpensAt4800EightNoneOneWithRawOutput)
{
    PtyPorts ports;
    EXPECT_EQ(ComDevicePath(7), "/dev/ttyS6");
    // From 9600 with two stop bits and "\n" sent as "\r\n".
    termios t{};
    ::tcgetattr(ports[1].slave, &t);
    t.c_cflag |= CSTOPB | CLOCAL;
    t.c_iflag |= IXON | IXOFF;
    t.c_oflag |= OPOST | ONLCR;
    ::cfsetspeed(&t, B9600);
    ASSERT_EQ(::tcsetattr(ports[1].slave, TCSANOW, &t), 0);

    SerialPort port;
    ASSERT_TRUE(port.Open(1, 4800));
    ::tcgetattr(ports[1].slave, &t);
    EXPECT_EQ(::cfgetospeed(&t), speed_t(B4800));
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t(CS8));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_FALSE(t.c_lflag & ECHO) << "nothing arriving goes back out";
    EXPECT_TRUE(t.c_cflag & CLOCAL) << "other settings kept";
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF)) << "a device's XOFF still holds the line";

    EXPECT_EQ(port.Write("@010507\r\n", 9), 9);
    EXPECT_EQ(port.Write("@010507\r\n", 9), 9);
    EXPECT_EQ(port.Write("@", 0), 0);
    port.Close();
    EXPECT_EQ(ports[1].Read(19, 300), "@010507\r\n@010507\r\n");
}

TEST(SerialPort, BusyPortIsRefusedAtOnceAndFreedByClose)
{
    PtyPorts ports;
    SerialPort holder, second;
    ASSERT_TRUE(holder.Open(2, 4800));
    EXPECT_TRUE(holder.Open(2, 4800)) << "already open";
    const auto start = steady_clock::now();
    EXPECT_FALSE(second.Open(2, 4800));  // root passes TIOCEXCL, not the lock
    EXPECT_LT(steady_clock::now() - start, milliseconds(200));

    // The exclusive flag outlives a pseudo-terminal's close unless cleared.
    EXPECT_TRUE(Exclusive(ports[2].slave));
    EXPECT_TRUE(holder.Close());
    EXPECT_FALSE(Exclusive(ports[2].slave));
    EXPECT_TRUE(second.Open(2, 4800));
}

TEST(SerialPort, FailedOpenLeavesNothingOpenAndWritesNothing)
{
    PtyPorts ports;
    const struct { const char* device; int port; int baud; } rows[] = {
        {kNoDevice, 3, 4800}, {"/dev/null", 3, 4800}, {"/tmp", 3, 4800},
        {nullptr, 0, 4800}, {nullptr, 3, 4801},
    };
    for (const auto& r : rows) {
        SetComDevice(3, r.device ? r.device : ports[3].name);
        SerialPort port;
        EXPECT_FALSE(port.Open(r.port, r.baud)) << (r.device ? r.device : "pty");
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.Write("@", 1), 0);
        EXPECT_TRUE(port.Close());
        EXPECT_TRUE(port.Close());
    }
    EXPECT_EQ(ports[3].Read(1, 100), "");
}

TEST(SerialPort, SelectedPortsGetTheMessageTwiceMissingAndBusyOnesAreSkipped)
{
    PtyPorts ports;
    for (auto& on : g_bComport)
        on = true;
    SetComDevice(2, kNoDevice);
    SerialPort holder;  // another transmission holds COM4
    ASSERT_TRUE(holder.Open(4, 4800));
    const auto start = steady_clock::now();
    SendToSelectedPorts("@123000\r\n");
    EXPECT_LT(steady_clock::now() - start, milliseconds(500));
    EXPECT_EQ(ports[1].Read(18), "@123000\r\n@123000\r\n");
    EXPECT_EQ(ports[3].Read(18), "@123000\r\n@123000\r\n");
    EXPECT_EQ(ports[4].Read(1, 100), "");
}

}  // namespace
