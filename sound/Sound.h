#pragma once
// Short sounds: wave files played to their end, a tone in place of the PC
// speaker, and the clock's once-a-second tick. One sound plays at a time in
// the process: a wave file asked for while another plays is refused at once,
// never queued. Without an audio device every play fails at once, silently.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

// PCM samples ready for output.
struct WavSound
{
    std::uint32_t rate = 0;      // frames per second, kWavMinRate..kWavMaxRate
    std::uint16_t channels = 0;  // 1 or 2, interleaved
    std::uint16_t bits = 0;      // 8 (unsigned) or 16 (signed, little-endian)
    std::vector<std::uint8_t> samples;  // whole frames, as stored in the file

    std::size_t FrameBytes() const { return std::size_t{channels} * bits / 8; }
    std::size_t FrameCount() const { return FrameBytes() ? samples.size() / FrameBytes() : 0; }
};

constexpr std::uint32_t kWavMinRate = 1000;     // Hz
constexpr std::uint32_t kWavMaxRate = 192000;   // Hz
constexpr std::size_t kWavMaxFileBytes = 64u << 20;  // about 6 min of CD-quality stereo

inline constexpr const char* kTickWaveFile = "tick.wav";  // beside the program
constexpr unsigned kTickBeepHz = 440;
constexpr unsigned kTickBeepMs = 50;

// The sound in a RIFF/WAVE file image: PCM, 8 or 16 bits, mono or stereo, a
// sane rate and at least one whole frame. A truncated or malformed image,
// or any other encoding, gives nothing.
std::optional<WavSound> ParseWav(std::span<const std::uint8_t> bytes);
// ParseWav of the file at path; nothing when it cannot be read or exceeds
// kWavMaxFileBytes.
std::optional<WavSound> LoadWav(const std::string& path);
// A sine tone of hz (37..20000) lasting ms (1..60000), with short fades so
// it starts and stops without a click; nothing outside those ranges.
std::optional<WavSound> MakeTone(unsigned hz, unsigned ms);

// Where sounds are heard. Implementations may be called from several
// threads at once.
class SoundOutput
{
public:
    virtual ~SoundOutput() = default;
    // Plays sound and returns when it has been heard to its end; false, at
    // once, when the device is missing or in use elsewhere.
    virtual bool Play(const WavSound& sound) = 0;
};

// The process's audio device (ALSA "default"); defined by the back end
// (AlsaSound.cpp), which a program links when it plays for real.
SoundOutput& DefaultSoundOutput();

// Plays the wave file at path to its end; false when the file is not a
// playable wave or output fails, and at once when another wave file is
// playing in the process. With waitForOther, a wave file that is playing is
// waited out for up to that long first (a tick lasts some 50 ms).
bool PlayWaveFile(const std::string& path, SoundOutput& output = DefaultSoundOutput(),
                  std::chrono::milliseconds waitForOther = std::chrono::milliseconds{0});
// Sounds a tone of hz for ms (see MakeTone) to its end. It does not wait
// for or block wave files: it takes the speaker's place, which sounds
// alongside them.
bool PlayTone(unsigned hz, unsigned ms, SoundOutput& output = DefaultSoundOutput());
// The speaker's beep: the tone of hz for ms, or, where no tone can be heard
// (no audio device), the desktop's bell. False when neither sounded.
bool PlayBeep(unsigned hz, unsigned ms, SoundOutput& output = DefaultSoundOutput());
// The desktop's bell for PlayBeep; callable from any thread. The windowed
// program sets it once; without it a failed tone stays silent.
void SetBell(std::function<void()> ring);
// Whether a wave file is playing in the process now.
bool IsSoundPlaying();

// One tick on the calling thread: the wave file at path, or, when that
// fails (missing, busy, no device), a 440 Hz beep of 50 ms (PlayBeep).
void PlayTick(SoundOutput& output, const std::string& path = kTickWaveFile);

// Ticks on a worker thread of their own, so the clock that asks for them
// keeps painting while one sounds. A tick asked for while one still sounds
// is dropped, never queued.
class TickPlayer
{
public:
    explicit TickPlayer(SoundOutput& output, std::string path = kTickWaveFile);
    // Waits for a tick that is sounding.
    ~TickPlayer();
    TickPlayer(const TickPlayer&) = delete;
    TickPlayer& operator=(const TickPlayer&) = delete;

    // Starts one tick and returns at once; false (and nothing happens) when
    // the previous tick has not ended.
    bool Tick();
    // Waits until no tick is pending or sounding.
    void WaitIdle();

private:
    void Run();

    SoundOutput& m_output;
    const std::string m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;  // a tick asked for, or stop
    std::condition_variable m_idle;  // a tick ended
    bool m_bPending = false;
    bool m_bSounding = false;
    bool m_bStop = false;
    std::thread m_worker;  // started with the first tick
};

// The ticks of the main clock, on DefaultSoundOutput(); defined by the back end.
TickPlayer& DefaultTickPlayer();
