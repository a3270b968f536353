#include "clocks/ClockTicker.h"

#include "base/NextSecond.h"

#include <chrono>

ClockTicker& ClockTicker::Instance()
{
    static ClockTicker* ticker = new ClockTicker;   // lives as long as the program
    return *ticker;
}

ClockTicker::ClockTicker()
{
    m_timer.setSingleShot(true);
    // Coarse timers may fire 5 % late, a twentieth of a second on a clock face.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ClockTicker::fire);
}

void ClockTicker::Attach(QObject* face, std::function<void()> onSecond)
{
    Detach(face);
    QMetaObject::Connection c =
        connect(this, &ClockTicker::second, face, [call = std::move(onSecond)] { call(); });
    m_faces.emplace(face, c);
    // A face that goes without saying so leaves with its connection.
    connect(face, &QObject::destroyed, this, &ClockTicker::faceDestroyed, Qt::UniqueConnection);
    if (!m_timer.isActive()) {
        m_lastSecond = SecondsNow();
        arm();
    }
}

void ClockTicker::Detach(QObject* face)
{
    const auto it = m_faces.find(face);
    if (it == m_faces.end())
        return;
    disconnect(it->second);
    m_faces.erase(it);
    if (m_faces.empty())
        m_timer.stop();
}

void ClockTicker::arm()
{
    const auto wait = UntilNextSecond(std::chrono::system_clock::now());
    m_timer.start(static_cast<int>(wait.count()));
}

void ClockTicker::fire()
{
    const std::time_t now = SecondsNow();
    arm();
    // The monotonic timer may wake a hair before the system clock's boundary
    // (the clock is being slewed): the second is then told at the next wake.
    if (now == m_lastSecond)
        return;
    m_lastSecond = now;
    emit second(now);
}
