// Load plus save of a book of 10 000 entries, and one alarm pass over them.
// Targets: under 50 ms for load plus save, under 200 us a pass.
//   build/tests/schedule/vesk_schedule_bench

#include "LocalTimeAt.h"

#include "schedule/CScheduleThread.h"
#include "schedule/ScheduleFile.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kEntries = 10000;

// A year's book: entries at random minutes of 2003, a tenth recurring, the
// past ones done, Korean memos of 10 to 40 characters.
void FillBook(std::time_t now)
{
    std::mt19937 rng(2003);
    const std::time_t start = At(2003, 1, 1, 0, 0);
    std::lock_guard lock(g_csScheduleList);
    g_pScheduleList->clear();
    for (std::size_t i = 0; i < kEntries; ++i) {
        auto e = std::make_unique<CSchedueleStructure>(now);
        e->m_tAlarm = start + 60 * std::uniform_int_distribution<std::time_t>(0, 365 * 1440 - 1)(rng);
        e->m_tCreated = start;
        e->m_nRepeat = i % 10 == 0 ? static_cast<std::int32_t>(1 + i / 10 % 3) : RepeatOnce;
        e->m_bDone = e->m_nRepeat == RepeatOnce && e->m_tAlarm < now;
        e->m_bLead[kOnTime] = 1;
        e->m_bLead[2] = i % 2;
        const int words = std::uniform_int_distribution<int>(2, 8)(rng);
        for (int w = 0; w < words; ++w)
            e->m_strMemo += w ? " 회의실" : "일정";
        g_pScheduleList->push_back(std::move(e));
    }
}

struct TempFolder
{
    fs::path path = fs::temp_directory_path() / ("vesk-bench-" + std::to_string(::getpid()));
    TempFolder() { fs::create_directories(path); }
    ~TempFolder() { fs::remove_all(path); }
};

void LoadAndSave(benchmark::State& state)
{
    TempFolder dir;
    const std::time_t now = At(2003, 7, 1, 12, 0);
    FillBook(now);
    SaveSchedules(dir.path.string());
    for (auto _ : state) {
        LoadSchedules(dir.path.string(), now, 2003);
        SaveSchedules(dir.path.string());
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(dir.path / kLiveScheduleFile));
}
BENCHMARK(LoadAndSave)->Unit(benchmark::kMillisecond);

void OnePass(benchmark::State& state)
{
    std::time_t T = At(2003, 7, 1, 12, 0);
    FillBook(T);
    for (auto _ : state)
        benchmark::DoNotOptimize(AlarmPass(++T));  // a second per pass
    std::lock_guard lock(g_csScheduleList);
    state.counters["entries"] = static_cast<double>(g_pScheduleList->size());
}
BENCHMARK(OnePass)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    ::setenv("TZ", "Asia/Seoul", 0);
    ::tzset();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
