// The record reader against damaged files: whatever the bytes, it reads
// only inside them and what it reads writes back the same.

#include "ScheduleTestSupport.h"

#include "schedule/ScheduleFile.h"

#include <random>

TEST(ScheduleRecordFuzz, DamagedFilesReadSafelyAndRoundTrip)
{
    std::string seed;
    for (const std::string& memo : {std::string("abc"), std::string(254, 'a'), std::string(300, 'b'),
                                   std::string("회의 준비 똠"), std::string()}) {
        CSchedueleStructure e(At(2003, 1, 1));
        e.m_tAlarm = At(2003, 3, 5, 9);
        e.m_strMemo = memo;
        e.m_nRepeat = RepeatMonthly;
        e.m_bLead[kOnTime] = 1;
        AppendRecord(seed, e);
    }
    std::mt19937 rng(13);
    const auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n)(rng); };
    for (int round = 0; round < 20000; ++round) {
        std::string data = seed;
        for (std::size_t k = 1 + pick(7); k > 0 && !data.empty(); --k) {
            switch (pick(3)) {
            case 0: data[pick(data.size() - 1)] = static_cast<char>(pick(255)); break;
            case 1: data.resize(pick(data.size())); break;
            case 2: data.insert(pick(data.size()), 1, static_cast<char>(0xFF)); break;
            default: data.erase(pick(data.size() - 1), 1 + pick(8)); break;
            }
        }
        // An exact-size copy, so the sanitizers see any read past its end.
        const std::vector<char> exact(data.begin(), data.end());
        bool whole = false;
        const auto entries = ReadRecords(std::string_view(exact.data(), exact.size()), &whole);
        ASSERT_LE(entries.size() * kRecordFixedBytes, exact.size());
        for (const auto& e : entries) {
            std::string once, twice;
            AppendRecord(once, e);
            CSchedueleStructure back;
            ASSERT_EQ(ReadRecord(once, back), once.size());
            AppendRecord(twice, back);
            ASSERT_EQ(twice, once);
        }
    }
}
