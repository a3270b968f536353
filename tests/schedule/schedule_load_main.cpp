// Loads the schedule book of a folder as the alarm thread does at start
// and prints the entries loaded, the time it took and the peak resident
// memory; with a count, first writes a live file of that many records.
//   schedule-load DIR [RECORDS]

#include "schedule/ScheduleFile.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3)
        return 2;
    const std::string dir = argv[1];
    const std::time_t now = std::time(nullptr);
    if (argc == 3) {
        // Empty memos, 53 bytes a record, all due later this year.
        CSchedueleStructure e(now);
        e.m_tAlarm = now + 60;
        std::string record;
        AppendRecord(record, e);
        std::ofstream out(dir + "/" + kLiveScheduleFile, std::ios::binary);
        for (long n = std::atol(argv[2]); n > 0; --n)
            out << record;
        if (!out.flush())
            return 1;
    }
    const auto begin = std::chrono::steady_clock::now();
    const ScheduleLoad load = LoadSchedules(dir, now, LocalYear(now));
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("loaded %zu entries (%s) in %.0f ms, peak %ld MB resident\n", g_pScheduleList->size(),
                load == ScheduleLoad::Loaded ? "ok" : "failed", ms, usage.ru_maxrss / 1024);
    return load == ScheduleLoad::Loaded ? 0 : 1;
}
