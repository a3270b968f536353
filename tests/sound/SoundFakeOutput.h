#pragma once
// A sound output for tests: records what is played, can hold plays of one
// rate until released, and can refuse plays.

#include "sound/Sound.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

class SoundFakeOutput : public SoundOutput
{
public:
    struct Played
    {
        std::uint32_t rate;
        std::size_t frames;
    };

    bool Play(const WavSound& sound) override
    {
        std::unique_lock lock(m_mutex);
        m_played.push_back({sound.rate, sound.FrameCount()});
        ++m_active;
        m_changed.notify_all();
        if (m_holdRate == sound.rate)
            m_changed.wait(lock, [this] { return m_bReleased; });
        --m_active;
        m_changed.notify_all();
        return !m_refuse || !m_refuse(sound);
    }

    // Plays at rate wait until Release().
    void HoldRate(std::uint32_t rate)
    {
        std::lock_guard lock(m_mutex);
        m_holdRate = rate;
        m_bReleased = false;
    }
    void Release()
    {
        std::lock_guard lock(m_mutex);
        m_bReleased = true;
        m_changed.notify_all();
    }
    // Plays for which refuse answers true fail (after being recorded).
    void Refuse(std::function<bool(const WavSound&)> refuse)
    {
        std::lock_guard lock(m_mutex);
        m_refuse = std::move(refuse);
    }
    // Waits up to 5 s until n plays are under way.
    bool WaitActive(int n)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return m_active == n; });
    }
    std::vector<Played> Plays()
    {
        std::lock_guard lock(m_mutex);
        return m_played;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Played> m_played;
    int m_active = 0;
    std::optional<std::uint32_t> m_holdRate;
    bool m_bReleased = true;
    std::function<bool(const WavSound&)> m_refuse;
};

// What the fake hears of a tick: the shipped click or the fallback tone.
constexpr std::uint32_t kTickFileRate = 22050;  // resources/tick.wav
constexpr std::uint32_t kToneRate = 44100;      // MakeTone
