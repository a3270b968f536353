// The .sch record format, load with its archive and backups, and save.

#include "ScheduleTestSupport.h"

#include "schedule/ScheduleFile.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

namespace {

std::string Hex(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s.push_back(static_cast<char>(b));
    return s;
}

std::string Record(const CSchedueleStructure& e)
{
    std::string out;
    AppendRecord(out, e);
    return out;
}

CSchedueleStructure WithMemo(std::string memo)
{
    CSchedueleStructure e(0);
    e.m_strMemo = std::move(memo);
    return e;
}

} // namespace

TEST(ScheduleRecord, MatchesBytesWrittenByHand)
{
    CSchedueleStructure e(0x05060708);
    e.m_tAlarm = 0x01020304;
    e.m_tCreated = 0x090A0B0C;
    e.m_strMemo = "abc";
    e.m_nRepeat = RepeatWeekly;
    e.m_bLead = {1, 0, 1, 0, 0, 0, 0, 1};
    e.m_bDone = 1;
    e.m_bFired = {1, 1, 1, 1, 1, 1, 1, 1};  // run-time only: not written
    const std::string expected =
        Hex({0x04, 0x03, 0x02, 0x01, 0x08, 0x07, 0x06, 0x05, 0x0C, 0x0B, 0x0A, 0x09,  // times
             0x03, 'a', 'b', 'c',                                                    // memo
             0x02, 0, 0, 0,                                                          // weekly
             1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0,                         // leads 0-3
             0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0,                         // leads 4-7
             1, 0, 0, 0});                                                           // done
    ASSERT_EQ(Record(e), expected);
    EXPECT_EQ(expected.size(), 56u);

    CSchedueleStructure back;
    ASSERT_EQ(ReadRecord(expected, back), 56u);
    EXPECT_EQ(back.m_tAlarm, 0x01020304);
    EXPECT_EQ(back.m_tLastCheck, 0x05060708);
    EXPECT_EQ(back.m_tCreated, 0x090A0B0C);
    EXPECT_EQ(back.m_strMemo, "abc");
    EXPECT_EQ(back.m_nRepeat, RepeatWeekly);
    EXPECT_EQ(back.m_bLead, e.m_bLead);
    EXPECT_EQ(back.m_bDone, 1);
    EXPECT_EQ(back.m_bFired, (std::array<std::int32_t, kLeadCount>{}));

    // Memos are CP949 in the file, UTF-8 in memory.
    const std::string korean = Record(WithMemo("회의"));
    EXPECT_EQ(korean.substr(12, 5), Hex({0x04, 0xC8, 0xB8, 0xC0, 0xC7}));
    ASSERT_EQ(ReadRecord(korean, back), 57u);
    EXPECT_EQ(back.m_strMemo, "회의");
}

TEST(ScheduleRecord, MemoLengthPrefixTakesThreeForms)
{
    struct Row
    {
        std::size_t length;
        std::string prefix;
    };
    const Row rows[] = {
        {0, Hex({0x00})},
        {254, Hex({0xFE})},
        {255, Hex({0xFF, 0xFF, 0x00})},
        {300, Hex({0xFF, 0x2C, 0x01})},
        {65533, Hex({0xFF, 0xFD, 0xFF})},
        {65534, Hex({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
        {70000, Hex({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
    };
    for (const Row& row : rows) {
        std::string memo(row.length, 'x');
        memo.back() = row.length ? 'y' : memo.back();
        const std::string record = Record(WithMemo(memo));
        ASSERT_EQ(record.size(), kRecordFixedBytes + row.prefix.size() + row.length) << row.length;
        EXPECT_EQ(record.substr(12, row.prefix.size()), row.prefix) << row.length;
        CSchedueleStructure back;
        EXPECT_EQ(ReadRecord(record, back), record.size()) << row.length;
        EXPECT_EQ(back.m_strMemo, memo) << row.length;
    }
    // A reader accepts the longer forms for short memos too.
    const std::string loose = Record(WithMemo("ab"));
    const std::string wide = loose.substr(0, 12) + Hex({0xFF, 0xFF, 0xFF, 2, 0, 0, 0}) + loose.substr(13);
    CSchedueleStructure back;
    EXPECT_EQ(ReadRecord(wide, back), wide.size());
    EXPECT_EQ(back.m_strMemo, "ab");
}

TEST(ScheduleRecord, ImpossibleRecordsAreRefusedWithoutReadingPastTheEnd)
{
    const std::string good = Record(WithMemo("abc"));
    CSchedueleStructure e;
    // A length claiming up to 4 GiB in a short file is a record cut short,
    // not an allocation of that size.
    for (const std::string& prefix : {Hex({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}),
                                     Hex({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),
                                     Hex({0xFF, 0xFE, 0xFF})}) {
        const std::string bad = good.substr(0, 12) + prefix + std::string(100, 'z');
        EXPECT_EQ(ReadRecord(bad, e), 0u);
    }
    // 16-bit text and the 64-bit length form are not read.
    EXPECT_EQ(ReadRecord(good.substr(0, 12) + Hex({0xFF, 0xFE, 0xFF, 0x01, 'a', 0}) + good.substr(16), e), 0u);

    // Timestamps are unsigned: entries after 2038 keep their times.
    CSchedueleStructure late = WithMemo("abc");
    late.m_tAlarm = 0xF0000000;  // 2097
    late.m_tLastCheck = 0x80000000;
    CSchedueleStructure back;
    ASSERT_EQ(ReadRecord(Record(late), back), 56u);
    EXPECT_EQ(back.m_tAlarm, std::time_t{0xF0000000});
    EXPECT_EQ(back.m_tLastCheck, std::time_t{0x80000000});
    // Times the file cannot hold are clamped, not wrapped.
    late.m_tAlarm = -5;
    late.m_tLastCheck = std::time_t{1} << 33;
    ASSERT_EQ(ReadRecord(Record(late), back), 56u);
    EXPECT_EQ(back.m_tAlarm, 0);
    EXPECT_EQ(back.m_tLastCheck, std::time_t{0xFFFFFFFF});
}

TEST(ScheduleRecord, FileCutAtEveryLengthKeepsTheWholeRecords)
{
    std::string file;
    std::vector<std::size_t> ends;
    for (const std::string& memo : {std::string(), std::string("abc"), std::string(300, 'm'), std::string("회의 준비")}) {
        AppendRecord(file, WithMemo(memo));
        ends.push_back(file.size());
    }
    for (std::size_t n = 0; n <= file.size(); ++n) {
        bool whole = false;
        const auto entries = ReadRecords(std::string_view(file).substr(0, n), &whole);
        std::size_t complete = 0;
        while (complete < ends.size() && ends[complete] <= n)
            ++complete;
        ASSERT_EQ(entries.size(), complete) << n;
        ASSERT_EQ(whole, n == 0 || (complete > 0 && ends[complete - 1] == n)) << n;
    }
}

TEST(NextOccurrence, MovesByDayWeekAndCalendarMonth)
{
    const std::time_t t = At(2003, 3, 5, 7, 0);
    EXPECT_EQ(NextOccurrence(RepeatDaily, t), At(2003, 3, 6, 7, 0));
    EXPECT_EQ(NextOccurrence(RepeatWeekly, t), At(2003, 3, 12, 7, 0));
    EXPECT_EQ(NextOccurrence(RepeatOnce, t), t);
    EXPECT_EQ(NextOccurrence(7, t), t);
    // The 31st rolls over into the month after, and keeps the rolled day.
    EXPECT_EQ(NextOccurrence(RepeatMonthly, At(2003, 1, 31, 10)), At(2003, 3, 3, 10));
    EXPECT_EQ(NextOccurrence(RepeatMonthly, At(2004, 1, 31, 10)), At(2004, 3, 2, 10));
    EXPECT_EQ(NextOccurrence(RepeatMonthly, At(2003, 3, 3, 10)), At(2003, 4, 3, 10));
    EXPECT_EQ(NextOccurrence(RepeatMonthly, At(2003, 12, 15, 10)), At(2004, 1, 15, 10));
}

TEST_F(ScheduleTest, SortKeepsEqualTimesInTheirOrder)
{
    Add(Entry(At(2003, 5, 1), {0}, RepeatOnce, "b1"));
    Add(Entry(At(2003, 4, 1), {0}, RepeatOnce, "a"));
    Add(Entry(At(2003, 5, 1), {0}, RepeatOnce, "b2"));
    Add(Entry(At(2003, 5, 1), {0}, RepeatOnce, "b3"));
    SortSchedules();
    std::vector<std::string> memos;
    for (auto* e : ListEntries())
        memos.push_back(e->m_strMemo);
    EXPECT_EQ(memos, (std::vector<std::string>{"a", "b1", "b2", "b3"}));
}

// The first start in 2003: the book as it was left in 2002.
class LoadTest : public ScheduleTest
{
protected:
    const std::time_t now = At(2003, 1, 2, 9);
    fs::path Live() const { return m_dir / kLiveScheduleFile; }
    fs::path Archive() const { return m_dir / "2002_v3_3.sch"; }

    void WriteLive(std::initializer_list<CSchedueleStructure> entries)
    {
        std::string bytes;
        for (const auto& e : entries)
            AppendRecord(bytes, e);
        WriteAll(Live(), bytes);
    }
    std::vector<std::string> Memos()
    {
        std::vector<std::string> out;
        for (auto* e : ListEntries())
            out.push_back(e->m_strMemo);
        return out;
    }
};

TEST_F(LoadTest, PastOneDayAndDoneEntriesMoveToLastYearsArchive)
{
    auto done = Entry(At(2002, 6, 1), {0}, RepeatOnce, "done 2002");
    done.m_bDone = 1;
    auto doneDaily = Entry(At(2002, 6, 1), {0}, RepeatDaily, "done daily");
    doneDaily.m_bDone = 1;
    WriteLive({Entry(At(2002, 5, 1), {0}, RepeatOnce, "once 2002"), done,
               Entry(At(2001, 5, 1), {0}, RepeatDaily, "daily 2001"), doneDaily,
               Entry(At(2003, 1, 1), {0}, RepeatOnce, "once 2003")});
    std::string old;
    AppendRecord(old, Entry(At(2002, 1, 1), {0}, RepeatOnce, "already archived"));
    WriteAll(Archive(), old);

    EXPECT_EQ(LoadSchedules(Dir(), now, 2003), ScheduleLoad::Loaded);
    EXPECT_EQ(Memos(), (std::vector<std::string>{"daily 2001", "once 2003"}));
    const auto archived = ReadRecords(ReadAll(Archive()));
    std::vector<std::string> memos;
    for (const auto& e : archived)
        memos.push_back(e.m_strMemo);
    EXPECT_EQ(memos, (std::vector<std::string>{"already archived", "once 2002", "done 2002", "done daily"}));
    // The moved entries leave the live file at once, so a crash cannot
    // archive them twice.
    EXPECT_EQ(ReadRecords(ReadAll(Live())).size(), 2u);
    EXPECT_EQ(LoadSchedules(Dir(), now, 2003), ScheduleLoad::Loaded);
    EXPECT_EQ(ReadRecords(ReadAll(Archive())).size(), 4u);
    EXPECT_EQ(Memos(), (std::vector<std::string>{"daily 2001", "once 2003"}));
}

TEST_F(LoadTest, MissingEmptyAndUnreadableLiveFiles)
{
    // Missing: created empty, and last year's archive with it.
    EXPECT_EQ(LoadSchedules(Dir(), now, 2003), ScheduleLoad::Loaded);
    EXPECT_TRUE(fs::is_regular_file(Live()));
    EXPECT_TRUE(fs::is_regular_file(Archive()));
    EXPECT_TRUE(ListEntries().empty());

    // Empty: an empty list, no message.
    Add(Entry(now, {0}));
    EXPECT_EQ(LoadSchedules(Dir(), now, 2003), ScheduleLoad::Loaded);
    EXPECT_TRUE(ListEntries().empty());

    // Something that is not a file in its place.
    fs::remove(Live());
    fs::create_directory(Live());
    Add(Entry(now, {0}));
    EXPECT_EQ(LoadSchedules(Dir(), now, 2003), ScheduleLoad::LiveUnreadable);
    EXPECT_TRUE(ListEntries().empty());
}

TEST_F(LoadTest, AnArchiveThatCannotBeWrittenKeepsItsEntriesInTheList)
{
    WriteLive({Entry(At(2002, 5, 1), {0}, RepeatOnce, "once 2002"),
               Entry(At(2003, 5, 1), {0}, RepeatOnce, "once 2003")});
    fs::create_directory(Archive());
    EXPECT_EQ(LoadSchedules(Dir(), now, 2003), ScheduleLoad::ArchiveUnwritable);
    EXPECT_EQ(Memos(), (std::vector<std::string>{"once 2002", "once 2003"}));
    EXPECT_TRUE(fs::is_directory(Archive()));
}

TEST_F(LoadTest, DamagedLiveFileIsBackedUpBeforeItCanBeOverwritten)
{
    WriteLive({Entry(At(2003, 5, 1), {0}, RepeatOnce, "a"), Entry(At(2003, 5, 2), {0}, RepeatOnce, "b")});
    WriteAll(Live(), ReadAll(Live()) + "\x05garbage");
    const std::string damaged = ReadAll(Live());
    EXPECT_EQ(LoadSchedules(Dir(), now, 2003), ScheduleLoad::Loaded);
    EXPECT_EQ(Memos(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ReadAll(m_dir / "forward_v3_3.sch_"), damaged);
}

TEST_F(LoadTest, NewYearBacksUpEverySchFileUnderAFreeName)
{
    WriteLive({Entry(At(2003, 5, 1), {0})});
    WriteAll(m_dir / "forward_v3_3.sch_", "older backup");
    WriteAll(m_dir / "2001_v3_3.sch", "archive 2001");
    WriteAll(m_dir / "notes.txt", "not a schedule");
    for (int n = 1; n <= kBackupAttempts; ++n)
        WriteAll(m_dir / ("full.sch" + std::string(n, '_')), "taken");
    WriteAll(m_dir / "full.sch", "no room");
    const std::string live = ReadAll(Live());

    // The same year, or no stamp (the caller passes the year): no backup.
    EXPECT_EQ(LoadSchedules(Dir(), now, 2003), ScheduleLoad::Loaded);
    EXPECT_FALSE(fs::exists(m_dir / "2001_v3_3.sch_"));

    EXPECT_EQ(LoadSchedules(Dir(), now, 2002), ScheduleLoad::Loaded);
    EXPECT_EQ(ReadAll(m_dir / "forward_v3_3.sch_"), "older backup");
    EXPECT_EQ(ReadAll(m_dir / "forward_v3_3.sch__"), live);
    EXPECT_EQ(ReadAll(m_dir / "2001_v3_3.sch_"), "archive 2001");
    EXPECT_TRUE(fs::exists(m_dir / "2002_v3_3.sch_"));  // made by the load before
    EXPECT_FALSE(fs::exists(m_dir / "notes.txt_"));
    EXPECT_FALSE(fs::exists(m_dir / ("full.sch" + std::string(kBackupAttempts + 1, '_'))));
    EXPECT_EQ(ListEntries().size(), 1u);
}

TEST_F(ScheduleTest, SaveWritesTheListHeadToTailAndReplacesTheFileWhole)
{
    Add(Entry(At(2003, 5, 2), {0, 2}, RepeatDaily, "둘"));
    Add(Entry(At(2003, 5, 1), {7}, RepeatOnce, "one"));
    std::string expected;
    for (auto* e : ListEntries())
        AppendRecord(expected, *e);
    ASSERT_TRUE(SaveSchedules(Dir()));
    const fs::path live = m_dir / kLiveScheduleFile;
    EXPECT_EQ(ReadAll(live), expected);

    // A disk that fills up half-way leaves the old file as it was and no
    // temporary file behind.
    Add(Entry(At(2003, 6, 1), {0}, RepeatOnce, std::string(100000, 'x')));
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = SaveSchedules(Dir());
    const int err = errno;
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(err, EFBIG);
    EXPECT_EQ(ReadAll(live), expected);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);

    // A folder that is not there: nothing written, the failure reported.
    EXPECT_FALSE(SaveSchedules(Dir() + "/missing"));
}

TEST_F(ScheduleTest, AlarmPageHoldsTheHtmlAsCp949)
{
    const auto path = WriteAlarmPage(Dir(), "[알림]-[지금:09:05:00] 회의<br>");
    ASSERT_TRUE(path);
    EXPECT_EQ(ReadAll(*path), "[\xBE\xCB\xB8\xB2]-[\xC1\xF6\xB1\xDD:09:05:00] \xC8\xB8\xC0\xC7<br>");
    EXPECT_FALSE(WriteAlarmPage(Dir() + "/missing", "x"));
}
