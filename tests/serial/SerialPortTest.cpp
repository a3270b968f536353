// The port on pseudo-terminals: line settings, exact bytes, exclusion, and
// every way an open can fail without a hang.

#include <gtest/gtest.h>

#include <sys/ioctl.h>
#include <termios.h>

#include <chrono>

#include "SerialTestSupport.h"
#include "serial/SerialPort.h"
#include "serial/TransmitTime.h"

namespace {

using namespace std::chrono;

class SerialPortTest : public ::testing::Test
{
protected:
    PtyPorts m_ports;
};

bool Exclusive(int fd)
{
    int on = -1;
    return ::ioctl(fd, TIOCGEXCL, &on) == 0 && on != 0;
}

TEST(ComDevice, DefaultsToTtySAndTakesANamedDevice)
{
    SetComDevice(1, "");
    SetComDevice(4, "");
    EXPECT_EQ(ComDevicePath(1), "/dev/ttyS0");
    EXPECT_EQ(ComDevicePath(4), "/dev/ttyS3");
    EXPECT_EQ(ComDevicePath(9), "/dev/ttyS8");  // only COM1..COM4 may be renamed
    SetComDevice(2, "/dev/ttyUSB0");
    EXPECT_EQ(ComDevicePath(2), "/dev/ttyUSB0");
    for (int n = 1; n <= kComPortCount; ++n)
        SetComDevice(n, kNoDevice);
}

TEST_F(SerialPortTest, OpensAt4800EightNoneOneWithRawOutput)
{
    // Start from other settings: 9600, two stop bits, "\n" sent as "\r\n".
    termios before{};
    ASSERT_EQ(::tcgetattr(m_ports[1].Slave(), &before), 0);
    before.c_cflag |= CSTOPB | CLOCAL;
    before.c_oflag |= OPOST | ONLCR;
    ::cfsetspeed(&before, B9600);
    ASSERT_EQ(::tcsetattr(m_ports[1].Slave(), TCSANOW, &before), 0);

    SerialPort port;
    ASSERT_TRUE(port.Open(1, 4800));
    termios t{};
    ASSERT_EQ(::tcgetattr(m_ports[1].Slave(), &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), speed_t(B4800));
    EXPECT_EQ(::cfgetispeed(&t), speed_t(B4800));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(t.c_cflag & PARENB);
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_TRUE(t.c_cflag & CLOCAL) << "other line settings are kept";

    // The message twice is exactly 18 bytes on the line: no "\r\r\n".
    const std::string message = "@010507\r\n";
    EXPECT_EQ(port.Write(message.data(), int(message.size())), 9);
    EXPECT_EQ(port.Write(message.data(), int(message.size())), 9);
    port.Close();
    EXPECT_EQ(m_ports[1].Read(19, 300), message + message);
}

TEST_F(SerialPortTest, BusyPortIsRefusedAtOnceAndFreedByClose)
{
    SerialPort holder;
    ASSERT_TRUE(holder.Open(2, 4800));
    EXPECT_TRUE(Exclusive(m_ports[2].Slave()));

    SerialPort second;
    const auto start = steady_clock::now();
    EXPECT_FALSE(second.Open(2, 4800));
    EXPECT_LT(steady_clock::now() - start, milliseconds(200));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(second.Write("x", 1), 0);

    // Opening an open port again is no new open.
    EXPECT_TRUE(holder.Open(2, 4800));

    // The exclusive flag outlives a pseudo-terminal's close unless cleared.
    EXPECT_TRUE(holder.Close());
    EXPECT_FALSE(Exclusive(m_ports[2].Slave()));
    EXPECT_TRUE(second.Open(2, 4800));
}

TEST_F(SerialPortTest, OpenFailsCleanlyWithoutAPort)
{
    const struct
    {
        const char* device;  // nullptr: leave COM3 on its pseudo-terminal
        int port;
        int baud;
    } rows[] = {
        {kNoDevice, 3, 4800},      // no such device
        {"/dev/null", 3, 4800},    // not a terminal
        {"/tmp", 3, 4800},         // a directory
        {nullptr, 0, 4800},        // no COM0
        {nullptr, -1, 4800},
        {nullptr, 3, 4801},        // no such rate
    };
    for (const auto& row : rows) {
        SetComDevice(3, row.device ? row.device : m_ports[3].SlavePath());
        SerialPort port;
        const auto start = steady_clock::now();
        EXPECT_FALSE(port.Open(row.port, row.baud)) << (row.device ? row.device : "pty") << " " << row.port;
        EXPECT_LT(steady_clock::now() - start, milliseconds(200));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.Write("@", 1), 0);
        EXPECT_TRUE(port.Close());
    }
    EXPECT_EQ(m_ports[3].Pending(), "");
}

TEST_F(SerialPortTest, NothingToWriteWritesNothing)
{
    SerialPort closed;
    EXPECT_EQ(closed.Write("@010507\r\n", 9), 0);
    EXPECT_TRUE(closed.Close());
    EXPECT_TRUE(closed.Close());

    SerialPort port;
    ASSERT_TRUE(port.Open(4, 4800));
    EXPECT_EQ(port.Write("@", 0), 0);
    EXPECT_EQ(port.Write("@", -5), 0);
    EXPECT_EQ(port.Write(nullptr, 3), 0);
    EXPECT_TRUE(port.Close());
    EXPECT_TRUE(port.Close());
    EXPECT_EQ(port.Write("@", 1), 0) << "closed again";
    EXPECT_EQ(m_ports[4].Read(1, 100), "");
}

TEST_F(SerialPortTest, SendsToTheSelectedPortsAndSkipsMissingAndBusyOnes)
{
    const std::string message = "@123000\r\n";
    for (auto& on : g_bComport)
        on = true;
    SetComDevice(2, kNoDevice);  // COM2 is missing
    SerialPort holder;           // another transmission holds COM4
    ASSERT_TRUE(holder.Open(4, 4800));

    const auto start = steady_clock::now();
    SendToSelectedPorts(message);
    EXPECT_LT(steady_clock::now() - start, milliseconds(500));

    EXPECT_EQ(m_ports[1].Read(18), message + message);
    EXPECT_EQ(m_ports[3].Read(18), message + message);
    EXPECT_EQ(m_ports[2].Read(1, 100), "");
    EXPECT_EQ(m_ports[4].Read(1, 100), "");
}

}  // namespace
