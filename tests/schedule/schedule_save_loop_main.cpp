// Saves the schedule book in a loop, an entry more each time, printing the
// entries of every save it finished, until it is killed.
//   schedule-save-loop DIR

#include "schedule/ScheduleFile.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    for (;;) {
        {
            std::lock_guard lock(g_csScheduleList);
            do {  // 2000 entries at first, so a save takes a while
                auto e = std::make_unique<CSchedueleStructure>(0);
                e->m_strMemo = "일정 " + std::to_string(g_pScheduleList->size()) + std::string(200, '.');
                g_pScheduleList->push_back(std::move(e));
            } while (g_pScheduleList->size() < 2000);
        }
        if (!SaveSchedules(argv[1]))
            return 1;
        std::printf("%zu\n", g_pScheduleList->size());
        std::fflush(stdout);
    }
}
