// Load plus save of a book of 10 000 entries, a save alone, one alarm pass
// over it, and what one addition in the manager costs the user-interface
// thread (the addition, the sort and the day's list; the save it asks for
// runs on the alarm thread). Targets: under 50 ms for load plus save, under
// 200 us a pass, under 16 ms (a frame) an addition.
//   build/tests/schedule/vesk_schedule_bench

#include "LocalTime.h"

#include "base/DateText.h"
#include "schedule/CScheduleThread.h"
#include "schedule/ScheduleBook.h"
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

// Takes out the entry due at t.
void DeleteEntryAt(std::time_t t)
{
    std::lock_guard lock(g_csScheduleList);
    std::erase_if(*g_pScheduleList, [t](const auto& e) { return e->m_tAlarm == t; });
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

void Save(benchmark::State& state)
{
    const std::string dir = std::filesystem::temp_directory_path() / ("vesk-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    FillBook(Local(2003, 7, 1, 12));
    for (auto _ : state)
        SaveSchedules(dir);
    std::filesystem::remove_all(dir);
}
BENCHMARK(Save)->Unit(benchmark::kMillisecond);

void ManagerAddition(benchmark::State& state)
{
    const std::time_t now = Local(2003, 7, 1, 12);
    FillBook(now);
    // Room for one more, and no entry that would make it a duplicate.
    std::erase_if(*g_pScheduleList, [](const auto& e) {
        const std::tm tm = LocalTm(e->m_tAlarm);
        return tm.tm_mon == 11 && tm.tm_hour == 23 && tm.tm_min == 59;
    });
    if (g_pScheduleList->size() == kScheduleCapacity)
        g_pScheduleList->pop_back();
    for (auto _ : state) {
        ScheduleEdit edit{.year = 2003, .month = 12, .day = 31, .hour = 23, .minute = 59,
                          .memo = "한 해 마무리", .repeat = RepeatOnce};
        if (!AddSchedule(edit, now).changed) {
            state.SkipWithError("not added");
            break;
        }
        benchmark::DoNotOptimize(ScheduleDayRows(".", 2003, 12, 31, now));
        state.PauseTiming();
        DeleteEntryAt(EditTime(edit));
        state.ResumeTiming();
    }
}
BENCHMARK(ManagerAddition)->Unit(benchmark::kMillisecond);

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
