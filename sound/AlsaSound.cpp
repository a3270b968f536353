#include "sound/AlsaSound.h"

#include <alsa/asoundlib.h>

#include <mutex>

namespace {

// libasound prints to stderr on every failed open; a machine without audio
// would otherwise report itself once a second.
void QuietAlsaError(const char*, int, const char*, int, const char*, ...)
{
}

void SilenceAlsa()
{
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&QuietAlsaError); });
}

constexpr unsigned kLatencyUs = 100000;  // buffer of 0.1 s: short sounds start promptly
constexpr int kMaxRecoveries = 8;        // underruns tolerated in one sound

struct PcmCloser
{
    snd_pcm_t* pcm;
    ~PcmCloser() { snd_pcm_close(pcm); }
};

} // namespace

AlsaSoundOutput::AlsaSoundOutput(std::string device) : m_device(std::move(device))
{
    SilenceAlsa();
}

bool AlsaSoundOutput::Play(const WavSound& sound)
{
    const std::size_t frameBytes = sound.FrameBytes();
    if (frameBytes == 0 || sound.FrameCount() == 0)
        return false;
    SilenceAlsa();
    snd_pcm_t* pcm = nullptr;
    // Opened non-blocking so a device held elsewhere fails at once instead
    // of making the sound wait; writing then blocks until the sound is out.
    if (snd_pcm_open(&pcm, m_device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    PcmCloser closer{pcm};
    if (snd_pcm_nonblock(pcm, 0) < 0)
        return false;
    const snd_pcm_format_t format = sound.bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    if (snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, sound.channels, sound.rate,
                           1 /* resample */, kLatencyUs) < 0)
        return false;

    const std::uint8_t* data = sound.samples.data();
    snd_pcm_uframes_t left = sound.FrameCount();
    int recoveries = 0;
    while (left > 0) {
        snd_pcm_sframes_t n = snd_pcm_writei(pcm, data, left);
        if (n < 0) {
            if (++recoveries > kMaxRecoveries || snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0)
                return false;
            continue;
        }
        data += static_cast<std::size_t>(n) * frameBytes;
        left -= static_cast<snd_pcm_uframes_t>(n);
    }
    return snd_pcm_drain(pcm) == 0;
}

SoundOutput& DefaultSoundOutput()
{
    static AlsaSoundOutput output;
    return output;
}

TickPlayer& DefaultTickPlayer()
{
    // Made after the output it uses, so it is destroyed before it.
    SoundOutput& output = DefaultSoundOutput();
    static TickPlayer player(output);
    return player;
}
