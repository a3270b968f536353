#pragma once
// One serial port, opened for the length of one transmission: COMn at a
// given baud rate, 8N1, raw output, exclusive, written a byte at a time.

#include <chrono>
#include <optional>
#include <stop_token>
#include <string>

// The device of COMn: the one SetComDevice named, else /dev/ttyS(n-1).
std::string ComDevicePath(int port);
// Names the device of COMn (1..4); an empty path brings /dev/ttyS(n-1) back.
void SetComDevice(int port, const std::string& path);

class SerialPort
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // A stop requested on stop ends a Write or a Close at once.
    explicit SerialPort(std::stop_token stop = {}) : m_stop(std::move(stop)) {}
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens COMn at baud, 8 data bits, no parity, 1 stop bit, raw output,
    // the other line settings kept, pending output dropped. True when the
    // port is open afterwards, also when it already was; false, with errno
    // set and nothing left open, when the device is missing, not a terminal,
    // held by another SerialPort or program, or refuses the settings.
    bool Open(int port, int baud);
    // Sends len bytes one at a time, giving up on a byte after 1000 ms. No
    // byte is handed to the port once giveUpAt has passed or a stop was
    // requested. Returns the bytes tried, len unless cut short; 0 when
    // nothing was tried (port closed, len <= 0).
    int Write(const char* data, int len, TimePoint giveUpAt = TimePoint::max());
    // Closes the port if it is open; always true.
    bool Close();

    bool IsOpen() const { return m_fd >= 0; }

private:
    // Makes the stop fd readable; runs on the thread that requests the stop.
    struct SignalStop
    {
        int fd;
        void operator()() const;
    };

    bool writeByte(char byte, TimePoint giveUpAt);
    void drainBriefly();
    int stopFd();
    bool stopRequested() const { return m_stop.stop_requested(); }

    int m_fd = -1;
    int m_baud = 0;
    std::stop_token m_stop;
    // Made when a wait first needs it, so an idle line costs no more calls.
    int m_stopFd = -1;
    std::optional<std::stop_callback<SignalStop>> m_onStop;
};
