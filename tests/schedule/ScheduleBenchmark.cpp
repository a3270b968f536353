// Load plus save of a book of 10 000 entries, and one alarm pass over it.
// Targets: under 50 ms for load plus save, under 200 us a pass.
//   build/tests/schedule/vesk_schedule_bench

#include "LocalTime.h"

#include "schedule/CScheduleThread.h"
#include "schedule/ScheduleFile.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <random>

namespace {

// A year's book: entries at random minutes of 2003, a tenth recurring, the
// past one-day ones done, Korean memos of 2 to 8 words.
void FillBook(std::time_t now)
{
    std::mt19937 rng(2003);
    std::lock_guard lock(g_csScheduleList);
    g_pScheduleList->clear();
    for (int i = 0; i < 10000; ++i) {
        auto e = std::make_unique<CSchedueleStructure>(now);
        e->m_tAlarm = Local(2003, 1, 1) + 60 * std::uniform_int_distribution<std::time_t>(0, 365 * 1440 - 1)(rng);
        e->m_nRepeat = i % 10 ? RepeatOnce : 1 + i / 10 % 3;
        e->m_bDone = e->m_nRepeat == RepeatOnce && e->m_tAlarm < now;
        e->m_bLead = {1, 0, i % 2};
        for (int w = std::uniform_int_distribution(2, 8)(rng); w > 0; --w)
            e->m_strMemo += " 회의실";
        g_pScheduleList->push_back(std::move(e));
    }
}

void LoadAndSave(benchmark::State& state)
{
    const std::string dir = std::filesystem::temp_directory_path() / ("vesk-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    FillBook(Local(2003, 7, 1, 12));
    SaveSchedules(dir);
    for (auto _ : state) {
        LoadSchedules(dir, Local(2003, 7, 1, 12), 2003);
        SaveSchedules(dir);
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(LoadAndSave)->Unit(benchmark::kMillisecond);

void OnePass(benchmark::State& state)
{
    std::time_t T = Local(2003, 7, 1, 12);
    FillBook(T);
    for (auto _ : state)
        benchmark::DoNotOptimize(AlarmPass(++T));  // a second later each time
}
BENCHMARK(OnePass)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    ::setenv("TZ", "Asia/Seoul", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
}
