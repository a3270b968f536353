#pragma once
// Pieces of the schedule tests: local times, entries, an empty schedule
// list and a temporary folder for each test. Tests run in Asia/Seoul.

#include "LocalTimeAt.h"

#include "schedule/Schedule.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// An entry at alarm with the given lead indices switched on, never checked.
inline CSchedueleStructure Entry(std::time_t alarm, std::initializer_list<int> leads,
                                 std::int32_t repeat = RepeatOnce, std::string memo = "memo")
{
    CSchedueleStructure e;
    e.m_tAlarm = alarm;
    e.m_tCreated = alarm - 86400;
    e.m_strMemo = std::move(memo);
    e.m_nRepeat = repeat;
    for (int lead : leads)
        e.m_bLead[lead] = 1;
    return e;
}

inline CSchedueleStructure& Add(CSchedueleStructure e)
{
    std::lock_guard lock(g_csScheduleList);
    g_pScheduleList->push_back(std::make_unique<CSchedueleStructure>(std::move(e)));
    return *g_pScheduleList->back();
}

inline std::vector<CSchedueleStructure*> ListEntries()
{
    std::lock_guard lock(g_csScheduleList);
    std::vector<CSchedueleStructure*> out;
    for (auto& e : *g_pScheduleList)
        out.push_back(e.get());
    return out;
}

inline std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Each test starts with an empty list, no pending change and a folder of
// its own, removed afterwards.
class ScheduleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static std::atomic<int> serial{0};
        m_dir = fs::temp_directory_path() /
                ("vesk-schedule-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        Clear();
    }
    void TearDown() override
    {
        Clear();
        fs::remove_all(m_dir);
    }
    static void Clear()
    {
        std::lock_guard lock(g_csScheduleList);
        g_pScheduleList->clear();
        TakeScheduleChanged();
    }
    std::string Dir() const { return m_dir.string(); }

    fs::path m_dir;
};
