#pragma once
// Sound output through ALSA.

#include "sound/Sound.h"

#include <string>

// Plays on one ALSA PCM device, opened for each sound and closed after it.
// A device that is missing or held by another program fails the play at
// once; libasound's own error messages are silenced for the whole process.
class AlsaSoundOutput final : public SoundOutput
{
public:
    explicit AlsaSoundOutput(std::string device = "default");
    bool Play(const WavSound& sound) override;

private:
    const std::string m_device;
};
