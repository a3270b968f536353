#pragma once

#include "time/HelperSynchroniser.h"

#include <vector>

// Does in this process what the helper does, with the clock a test gives,
// so the window's side of a synchronise is tested without a process.
class LocalSynchroniser : public Synchroniser
{
public:
    LocalSynchroniser(ClockSetter& clock, std::vector<TimeServer> servers, std::uint32_t timeoutMs)
        : m_clock(clock), m_servers(std::move(servers)), m_timeoutMs(timeoutMs)
    {
    }

    std::optional<SyncOutcome> Synchronise(const StopSignal& stop) override
    {
        SntpClient client(m_clock);
        client.TimeoutMs = m_timeoutMs;
        client.SetStopSignal(&stop);
        const SyncPlan plan = PlanSync(client, m_servers);
        if (!plan.answer.answered && stop.IsRaised())
            return std::nullopt;   // as the helper ended by a signal
        return SetClockFrom(client, plan);
    }

private:
    ClockSetter& m_clock;
    const std::vector<TimeServer> m_servers;
    const std::uint32_t m_timeoutMs;
};
