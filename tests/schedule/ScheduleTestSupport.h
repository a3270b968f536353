#pragma once
// Pieces of the schedule tests: entries, records, an empty list and a
// folder of each test's own. Tests run in Asia/Seoul.

#include "LocalTime.h"

#include "schedule/ScheduleFile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

// An entry at alarm with the given lead indices on, never checked.
inline CSchedueleStructure Entry(std::time_t alarm, std::initializer_list<int> leads,
                                 std::int32_t repeat = RepeatOnce, std::string memo = "memo")
{
    CSchedueleStructure e;
    e.m_tAlarm = alarm;
    e.m_strMemo = std::move(memo);
    e.m_nRepeat = repeat;
    for (int lead : leads)
        e.m_bLead[lead] = 1;
    return e;
}

inline std::string Record(const CSchedueleStructure& e)
{
    std::string out;
    AppendRecord(out, e);
    return out;
}

// The record of e with memo bytes of any kind (fewer than 255) in place of
// its memo.
inline std::string RecordWithMemoBytes(CSchedueleStructure e, const std::string& bytes)
{
    e.m_strMemo.clear();
    const std::string empty = Record(e);
    return empty.substr(0, 12) + static_cast<char>(bytes.size()) + bytes + empty.substr(13);
}

inline CSchedueleStructure& Add(CSchedueleStructure e)
{
    std::lock_guard lock(g_csScheduleList);
    return *g_pScheduleList->emplace_back(std::make_unique<CSchedueleStructure>(std::move(e)));
}

inline std::vector<std::string> ListMemos()
{
    std::lock_guard lock(g_csScheduleList);
    std::vector<std::string> out;
    for (const auto& e : *g_pScheduleList)
        out.push_back(e->m_strMemo);
    return out;
}

inline std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteAll(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

class ScheduleTest : public ::testing::Test
{
protected:
    void SetUp() override { fs::create_directories(m_dir); }
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

    const fs::path m_dir = fs::temp_directory_path() / ("vesk-schedule-" + std::to_string(::getpid()));
};
