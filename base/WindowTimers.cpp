#include "base/WindowTimers.h"

#include <QTimer>

#include <algorithm>

namespace {
constexpr std::int64_t kMaxStep = 24 * 60 * 60 * 1000;   // ms, well inside int
}

void WindowTimers::SetTimer(int id, std::int64_t periodMs)
{
    Entry& e = m_timers[id];
    if (!e.timer) {
        e.timer = new QTimer(this);
        e.timer->setSingleShot(true);
        connect(e.timer, &QTimer::timeout, this, [this, id] { step(id); });
    }
    e.period = std::max<std::int64_t>(periodMs, 1);
    e.left = e.period;
    arm(id, e);
}

void WindowTimers::KillTimer(int id)
{
    const auto it = m_timers.find(id);
    if (it != m_timers.end())
        it->second.timer->stop();
}

bool WindowTimers::IsRunning(int id) const
{
    const auto it = m_timers.find(id);
    return it != m_timers.end() && it->second.timer->isActive();
}

std::int64_t WindowTimers::Period(int id) const
{
    return IsRunning(id) ? m_timers.at(id).period : -1;
}

void WindowTimers::arm(int, Entry& e)
{
    e.timer->start(static_cast<int>(std::min(e.left, kMaxStep)));
}

void WindowTimers::step(int id)
{
    Entry& e = m_timers[id];
    e.left -= e.timer->interval();
    if (e.left > 0) {
        arm(id, e);
        return;
    }
    e.left = e.period;
    arm(id, e);   // periodic, as a window timer is; the handler may kill it
    emit timeout(id);
}
