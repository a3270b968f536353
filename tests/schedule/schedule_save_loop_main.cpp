// Saves the schedule book in a loop, one entry more each time, and prints
// the number of entries after every save that completed. The kill test
// ends it with SIGKILL at random moments.
//   schedule-save-loop DIR

#include "schedule/ScheduleFile.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    constexpr int kStart = 2000;  // so each save takes a while
    for (int n = 1;; ++n) {
        {
            std::lock_guard lock(g_csScheduleList);
            do {
                auto e = std::make_unique<CSchedueleStructure>(0);
                e->m_tAlarm = 1046822400 + 60 * static_cast<std::time_t>(g_pScheduleList->size());
                e->m_strMemo = "일정 " + std::to_string(g_pScheduleList->size()) + std::string(200, '.');
                e->m_bLead[kOnTime] = 1;
                g_pScheduleList->push_back(std::move(e));
            } while (g_pScheduleList->size() < kStart);
        }
        if (!SaveSchedules(argv[1]))
            return 1;
        std::printf("%zu\n", g_pScheduleList->size());
        std::fflush(stdout);
    }
}
