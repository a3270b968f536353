#include "sound/Sound.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

// A wave file is playing somewhere in the process. Taken without the lock
// by a play that does not wait; cleared under it, so a waiting play sees
// the end.
std::atomic<bool> s_bWavePlaying{false};
std::mutex s_waveMutex;
std::condition_variable s_waveEnded;

std::mutex s_bellMutex;
std::function<void()> s_bell;

bool TakeWave()
{
    bool idle = false;
    return s_bWavePlaying.compare_exchange_strong(idle, true);
}

bool TakeWave(std::chrono::milliseconds wait)
{
    if (wait <= std::chrono::milliseconds{0})
        return TakeWave();
    std::unique_lock lock(s_waveMutex);
    return s_waveEnded.wait_for(lock, wait, [] { return TakeWave(); });
}

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

bool IsId(std::span<const std::uint8_t> b, std::size_t at, const char (&id)[5])
{
    return std::memcmp(b.data() + at, id, 4) == 0;
}

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// The PCM sub-format of an extensible format chunk.
constexpr std::uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The format chunk body: channels, rate and sample size when it describes
// PCM this module plays.
std::optional<WavSound> ParseFormat(std::span<const std::uint8_t> fmt)
{
    if (fmt.size() < 16)
        return std::nullopt;
    const std::uint16_t tag = U16(fmt, 0);
    if (tag == kFormatExtensible) {
        if (fmt.size() < 40 || U16(fmt, 16) < 22 || std::memcmp(fmt.data() + 24, kPcmSubFormat, 16) != 0)
            return std::nullopt;
    } else if (tag != kFormatPcm) {
        return std::nullopt;
    }
    WavSound sound;
    sound.channels = U16(fmt, 2);
    sound.rate = U32(fmt, 4);
    const std::uint16_t blockAlign = U16(fmt, 12);
    sound.bits = U16(fmt, 14);
    if (sound.channels != 1 && sound.channels != 2)
        return std::nullopt;
    if (sound.bits != 8 && sound.bits != 16)
        return std::nullopt;
    if (sound.rate < kWavMinRate || sound.rate > kWavMaxRate)
        return std::nullopt;
    if (blockAlign != sound.FrameBytes())
        return std::nullopt;
    return sound;
}

// Clears the busy flag when a play ends, however it ends.
struct WaveBusyRelease
{
    ~WaveBusyRelease()
    {
        {
            std::lock_guard lock(s_waveMutex);
            s_bWavePlaying = false;
        }
        s_waveEnded.notify_all();
    }
};

} // namespace

std::optional<WavSound> ParseWav(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 12 || !IsId(bytes, 0, "RIFF") || !IsId(bytes, 8, "WAVE"))
        return std::nullopt;
    // The RIFF size says where the file ends; bytes after it are ignored, a
    // file shorter than it was cut off.
    const std::uint64_t end = 8 + std::uint64_t{U32(bytes, 4)};
    if (end > bytes.size())
        return std::nullopt;

    std::optional<WavSound> format;
    std::uint64_t pos = 12;
    while (pos + 8 <= end) {
        const std::uint64_t size = U32(bytes, pos + 4);
        const std::uint64_t body = pos + 8;
        if (body + size > end)
            return std::nullopt;
        const auto chunk = bytes.subspan(body, size);
        if (IsId(bytes, pos, "fmt ")) {
            if (format)
                return std::nullopt;  // two formats: which one is meant?
            format = ParseFormat(chunk);
            if (!format)
                return std::nullopt;
        } else if (IsId(bytes, pos, "data")) {
            if (!format)
                return std::nullopt;
            const std::size_t whole = chunk.size() - chunk.size() % format->FrameBytes();
            if (whole == 0)
                return std::nullopt;
            format->samples.assign(chunk.begin(), chunk.begin() + whole);
            return format;
        }
        pos = body + size + (size & 1);  // chunks start on even offsets
    }
    return std::nullopt;
}

std::optional<WavSound> LoadWav(const std::string& path)
{
    // Non-blocking, so a FIFO of that name cannot hang the caller.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::optional<WavSound> sound;
    struct stat st{};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
        static_cast<std::uint64_t>(st.st_size) <= kWavMaxFileBytes) {
        try {
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
            std::size_t got = 0;
            while (got < bytes.size()) {
                const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    break;
                got += static_cast<std::size_t>(n);
            }
            bytes.resize(got);  // a file that shrank reads as truncated
            sound = ParseWav(bytes);
        } catch (const std::bad_alloc&) {
            sound.reset();
        }
    }
    ::close(fd);
    return sound;
}

std::optional<WavSound> MakeTone(unsigned hz, unsigned ms)
{
    if (hz < 37 || hz > 20000 || ms < 1 || ms > 60000)
        return std::nullopt;
    constexpr std::uint32_t kRate = 44100;
    constexpr double kAmplitude = 0.5 * 32767;
    WavSound tone;
    tone.rate = kRate;
    tone.channels = 1;
    tone.bits = 16;
    const std::size_t frames = std::size_t{kRate} * ms / 1000;
    // 5 ms fades, or a fifth of a shorter tone each way.
    const std::size_t fade = std::max<std::size_t>(1, std::min<std::size_t>(kRate / 200, frames / 5));
    tone.samples.resize(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        double gain = 1.0;
        if (i < fade)
            gain = static_cast<double>(i) / fade;
        else if (frames - 1 - i < fade)
            gain = static_cast<double>(frames - 1 - i) / fade;
        const double phase = 2 * std::numbers::pi * hz * static_cast<double>(i) / kRate;
        const auto v = static_cast<std::int16_t>(std::lround(kAmplitude * gain * std::sin(phase)));
        const auto u = static_cast<std::uint16_t>(v);
        tone.samples[2 * i] = static_cast<std::uint8_t>(u & 0xFF);
        tone.samples[2 * i + 1] = static_cast<std::uint8_t>(u >> 8);
    }
    return tone;
}

bool PlayWaveFile(const std::string& path, SoundOutput& output, std::chrono::milliseconds waitForOther)
{
    if (!TakeWave(waitForOther))
        return false;
    WaveBusyRelease release;
    const std::optional<WavSound> sound = LoadWav(path);
    return sound && output.Play(*sound);
}

bool PlayTone(unsigned hz, unsigned ms, SoundOutput& output)
{
    const std::optional<WavSound> tone = MakeTone(hz, ms);
    return tone && output.Play(*tone);
}

bool PlayBeep(unsigned hz, unsigned ms, SoundOutput& output)
{
    if (PlayTone(hz, ms, output))
        return true;
    std::function<void()> bell;
    {
        std::lock_guard lock(s_bellMutex);
        bell = s_bell;
    }
    if (!bell)
        return false;
    bell();
    return true;
}

void SetBell(std::function<void()> ring)
{
    std::lock_guard lock(s_bellMutex);
    s_bell = std::move(ring);
}

bool IsSoundPlaying()
{
    return s_bWavePlaying;
}

void PlayTick(SoundOutput& output, const std::string& path)
{
    if (!PlayWaveFile(path, output))
        PlayBeep(kTickBeepHz, kTickBeepMs, output);
}

TickPlayer::TickPlayer(SoundOutput& output, std::string path)
    : m_output(output), m_path(std::move(path))
{
}

TickPlayer::~TickPlayer()
{
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_one();
    if (m_worker.joinable())
        m_worker.join();
}

bool TickPlayer::Tick()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_bPending || m_bSounding || m_bStop)
            return false;
        if (!m_worker.joinable())
            m_worker = std::thread(&TickPlayer::Run, this);
        m_bPending = true;
    }
    m_wake.notify_one();
    return true;
}

void TickPlayer::WaitIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_bPending && !m_bSounding; });
}

void TickPlayer::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bPending || m_bStop; });
        if (m_bStop)
            break;
        m_bPending = false;
        m_bSounding = true;
        lock.unlock();
        try {
            PlayTick(m_output, m_path);
        } catch (...) {
            // Only allocation can throw; the tick is then silent.
        }
        lock.lock();
        m_bSounding = false;
        m_idle.notify_all();
    }
    m_bPending = false;
    m_idle.notify_all();
}
