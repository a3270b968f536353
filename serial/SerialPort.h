#pragma once
// One serial port, opened for the length of one transmission: COMn at a
// given baud rate, 8N1, raw output, exclusive, written a byte at a time.

#include <string>

// The device of COMn: the one SetComDevice named, else /dev/ttyS(n-1).
std::string ComDevicePath(int port);
// Names the device of COMn (1..4); an empty path brings /dev/ttyS(n-1) back.
void SetComDevice(int port, const std::string& path);

class SerialPort
{
public:
    SerialPort() = default;
    ~SerialPort() { Close(); }
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens COMn at baud, 8 data bits, no parity, 1 stop bit, raw output,
    // the other line settings kept, pending output dropped. True when the
    // port is open afterwards, also when it already was; false, with errno
    // set and nothing left open, when the device is missing, not a terminal,
    // held by another SerialPort or program, or refuses the settings.
    bool Open(int port, int baud);
    // Sends len bytes one at a time, giving up on a byte after 1000 ms.
    // Returns len, or 0 when nothing was tried (port closed, len <= 0).
    int Write(const char* data, int len);
    // Closes the port if it is open; always true.
    bool Close();

    bool IsOpen() const { return m_fd >= 0; }

private:
    void writeByte(char byte);
    void drainBriefly();

    int m_fd = -1;
    int m_baud = 0;
};
