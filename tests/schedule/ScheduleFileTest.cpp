// The .sch record format, load with its archive and backups, and save.

#include "ScheduleTestSupport.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <random>

namespace {

std::string Bytes(std::initializer_list<int> bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

std::string Memo(const std::string& memo, std::time_t alarm = Local(2003, 5, 1))
{
    return Record(Entry(alarm, {}, RepeatOnce, memo));
}

std::vector<std::string> Memos(const std::string& file)
{
    std::vector<std::string> out;
    for (const auto& e : ReadRecords(file))
        out.push_back(e.m_strMemo);
    return out;
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
    e.m_bFired.fill(1);  // run-time only: never written
    const std::string abc = Bytes({4, 3, 2, 1, 8, 7, 6, 5, 12, 11, 10, 9, 3, 'a', 'b', 'c', 2, 0, 0, 0,
                                   1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    ASSERT_EQ(Record(e), abc);
    CSchedueleStructure back;
    ASSERT_EQ(ReadRecord(abc, back), 56u);
    EXPECT_EQ(Record(back), abc);
    EXPECT_EQ(back.m_bFired, decltype(back.m_bFired){});

    // The three length prefixes; memos in CP949; times unsigned past 2038.
    const std::pair<std::string, std::string> rows[] = {
        {std::string(254, 'x'), Bytes({0xFE})},
        {std::string(255, 'x'), Bytes({0xFF, 0xFF, 0x00})},
        {std::string(300, 'x'), Bytes({0xFF, 0x2C, 0x01})},
        {std::string(65534, 'x'), Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0})},
        {std::string(70000, 'x'), Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
        {"회의", Bytes({4, 0xC8, 0xB8, 0xC0, 0xC7})},
    };
    for (const auto& [memo, prefix] : rows) {
        const std::string record = Memo(memo, 0xF0000000);
        EXPECT_EQ(record.substr(12, prefix.size()), prefix) << memo.size();
        ASSERT_EQ(ReadRecord(record, back), record.size()) << memo.size();
        EXPECT_EQ(back.m_strMemo, memo);
        EXPECT_EQ(back.m_tAlarm, std::time_t{0xF0000000});
    }
}

TEST(ScheduleRecord, DamagedFilesReadOnlyTheirWholeRecords)
{
    const std::string file = Memo("") + Memo(std::string(300, 'm')) + Memo("회의 준비");
    const std::size_t ends[] = {53, 53 + 355, file.size()};
    for (std::size_t n = 0; n <= file.size(); ++n) {  // cut at every length
        bool whole = false;
        const auto read = ReadRecords(std::string_view(file).substr(0, n), &whole);
        const auto complete = static_cast<std::size_t>(std::upper_bound(ends, ends + 3, n) - ends);
        ASSERT_EQ(read.size(), complete) << n;
        ASSERT_EQ(whole, n == 0 || (complete && ends[complete - 1] == n)) << n;
    }
    // A length claiming 4 GiB is a record cut short, not an allocation.
    CSchedueleStructure e;
    EXPECT_EQ(ReadRecord(file.substr(0, 12) + Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}) + "zz", e), 0u);

    // Random damage: reads stay inside an exact-size buffer (the sanitizers
    // watch), and whatever is read writes back as it reads.
    std::mt19937 rng(13);
    const auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n)(rng); };
    for (int round = 0; round < 20000; ++round) {
        std::string data = file;
        for (std::size_t k = 1 + pick(7); k > 0 && !data.empty(); --k) {
            const std::size_t at = pick(data.size() - 1);
            const int how = static_cast<int>(pick(2));
            if (how == 0)
                data[at] = static_cast<char>(pick(255));
            else if (how == 1)
                data.resize(at);
            else
                data.insert(at, 1, '\xFF');
        }
        const std::vector<char> exact(data.begin(), data.end());
        for (const auto& entry : ReadRecords(std::string_view(exact.data(), exact.size()))) {
            const std::string once = Record(entry);
            ASSERT_EQ(ReadRecord(once, e), once.size());
            ASSERT_EQ(Record(e), once);
        }
    }
}

TEST(ScheduleRecord, MemoBytesStayAsReadUntilTheMemoIsEdited)
{
    // Bytes that are no CP949: user-defined rows, stray bytes, a lead byte
    // cut at the end; beside them Hangul (회의, 똠) that is.
    const std::string memos[] = {"\xC9\xA1", "\xFE\xFE \xC8\xB8\xC0\xC7", "a\x80" "b\xFF", "\x8C\x63 \xB0"};
    for (const std::string& bytes : memos) {
        const std::string record = RecordWithMemoBytes(Entry(Local(2003, 5, 1), {}), bytes);
        CSchedueleStructure e;
        ASSERT_EQ(ReadRecord(record, e), record.size());
        EXPECT_EQ(Record(e), record) << testing::PrintToString(bytes);
        CSchedueleStructure copy = e;  // as an alarm's done copy is made
        EXPECT_EQ(Record(copy), record);
        e.m_strMemo += " 끝";  // edited: written from the text
        EXPECT_EQ(Record(e), Memo(e.m_strMemo));
    }
}

// The first start in 2003 of a book left in 2002.
class LoadTest : public ScheduleTest
{
protected:
    const std::time_t now = Local(2003, 1, 2, 9);
    const fs::path live = m_dir / kLiveScheduleFile;
    const fs::path archive = m_dir / "2002_v3_3.sch";
};

TEST_F(LoadTest, PastOneDayAndDoneEntriesMoveToLastYearsArchive)
{
    auto done = Entry(Local(2002, 6, 1), {}, RepeatOnce, "done");
    auto doneDaily = Entry(Local(2002, 6, 1), {}, RepeatDaily, "done daily");
    done.m_bDone = doneDaily.m_bDone = 1;
    WriteAll(live, Memo("once", Local(2002, 5, 1)) + Record(done) +
                       Record(Entry(Local(2001, 5, 1), {}, RepeatDaily, "daily")) + Record(doneDaily) + Memo("2003"));
    WriteAll(archive, Memo("archived"));

    EXPECT_EQ(LoadSchedules(Dir(), now, 2003), ScheduleLoad::Loaded);
    EXPECT_EQ(ListMemos(), (std::vector<std::string>{"daily", "2003"}));
    EXPECT_EQ(Memos(ReadAll(archive)), (std::vector<std::string>{"archived", "once", "done", "done daily"}));
    // They leave the live file at once, so a crash cannot archive them twice.
    EXPECT_EQ(Memos(ReadAll(live)), ListMemos());
}

TEST_F(LoadTest, NewYearBacksUpEverySchFileUnderAFreeName)
{
    WriteAll(live, Memo("live"));
    WriteAll(m_dir / "forward_v3_3.sch_", "older backup");
    WriteAll(m_dir / "notes.txt", "not a schedule");
    for (int n = 0; n <= kBackupAttempts; ++n)
        WriteAll(m_dir / ("full.sch" + std::string(n, '_')), "taken");

    LoadSchedules(Dir(), now, 2003);  // the same year: no backup
    EXPECT_FALSE(fs::exists(m_dir / "forward_v3_3.sch__"));
    LoadSchedules(Dir(), now, 2002);
    EXPECT_EQ(ReadAll(m_dir / "forward_v3_3.sch_"), "older backup");
    EXPECT_EQ(ReadAll(m_dir / "forward_v3_3.sch__"), Memo("live"));
    EXPECT_TRUE(fs::exists(m_dir / "2002_v3_3.sch_"));
    EXPECT_FALSE(fs::exists(m_dir / "notes.txt_"));
    EXPECT_FALSE(fs::exists(m_dir / ("full.sch" + std::string(kBackupAttempts + 1, '_'))));

    // The last of the 21 names is still used.
    for (int n = 0; n < 21; ++n)
        WriteAll(m_dir / ("last.sch" + std::string(n, '_')), "taken");
    LoadSchedules(Dir(), now, 2002);
    EXPECT_EQ(ReadAll(m_dir / ("last.sch" + std::string(21, '_'))), "taken");
}

TEST_F(LoadTest, LinkedFilesStayLinksAndBackupsAreAsPrivateAsTheirBook)
{
    // The book and the archive live elsewhere, the book readable by its
    // owner only; a save killed midway left a temporary file beside it.
    const fs::path elsewhere = m_dir / "elsewhere";
    fs::create_directory(elsewhere);
    WriteAll(elsewhere / "book.sch", Memo("live") + Memo("old", Local(2002, 5, 1)));
    fs::permissions(elsewhere / "book.sch", fs::perms::owner_read | fs::perms::owner_write);
    WriteAll(elsewhere / "archive.sch", Memo("archived"));
    WriteAll(elsewhere / "book.sch.tmp-a1B2c3", "half a save");
    WriteAll(elsewhere / "book.sch.backup", "the user's own copy");
    fs::create_symlink("elsewhere/book.sch", live);
    fs::create_symlink(elsewhere / "archive.sch", archive);

    // A new year: backups, then "old" moves to the archive and the book is saved.
    EXPECT_EQ(LoadSchedules(Dir(), now, 2002), ScheduleLoad::Loaded);
    EXPECT_TRUE(fs::is_symlink(live));
    EXPECT_TRUE(fs::is_symlink(archive));
    EXPECT_EQ(Memos(ReadAll(elsewhere / "book.sch")), std::vector<std::string>{"live"});
    EXPECT_EQ(Memos(ReadAll(elsewhere / "archive.sch")), (std::vector<std::string>{"archived", "old"}));
    const auto perms = [](const fs::path& p) { return fs::status(p).permissions() & fs::perms::all; };
    EXPECT_EQ(perms(elsewhere / "book.sch"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(perms(m_dir / "forward_v3_3.sch_"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadAll(m_dir / "forward_v3_3.sch_"), Memo("live") + Memo("old", Local(2002, 5, 1)));
    EXPECT_FALSE(fs::exists(elsewhere / "book.sch.tmp-a1B2c3"));
    EXPECT_TRUE(fs::exists(elsewhere / "book.sch.backup"));
}

TEST_F(LoadTest, RecordsPastTheCapacityAreBackedUpAndLeftOut)
{
    std::string book;
    for (std::size_t i = 0; i <= kScheduleCapacity; ++i)
        book += Memo(std::to_string(i));
    WriteAll(live, book);
    EXPECT_EQ(LoadSchedules(Dir(), now, 2003), ScheduleLoad::Loaded);
    const auto memos = ListMemos();
    ASSERT_EQ(memos.size(), kScheduleCapacity);
    EXPECT_EQ(memos.back(), std::to_string(kScheduleCapacity - 1));
    EXPECT_EQ(ReadAll(m_dir / "forward_v3_3.sch_"), book);
}

TEST_F(LoadTest, BadFilesLoseNothing)
{
    // Bytes after the last whole record: the file is backed up first.
    WriteAll(live, Memo("a") + "\x05garbage");
    EXPECT_EQ(LoadSchedules(Dir(), now, 2003), ScheduleLoad::Loaded);
    EXPECT_EQ(ListMemos(), std::vector<std::string>{"a"});
    EXPECT_EQ(ReadAll(m_dir / "forward_v3_3.sch_"), Memo("a") + "\x05garbage");

    // An archive that cannot be written keeps its entries in the list.
    fs::remove(archive);
    fs::create_directory(archive);
    WriteAll(live, Memo("old", Local(2002, 5, 1)) + Memo("new"));
    EXPECT_EQ(LoadSchedules(Dir(), now, 2003), ScheduleLoad::ArchiveUnwritable);
    EXPECT_EQ(ListMemos(), (std::vector<std::string>{"old", "new"}));

    // A live file that cannot be read: an empty list, reported.
    fs::remove(live);
    fs::create_directory(live);
    EXPECT_EQ(LoadSchedules(Dir(), now, 2003), ScheduleLoad::LiveUnreadable);
    EXPECT_TRUE(ListMemos().empty());
}

// A backup is whole or absent: a later year must not find half a book
// under a backup's name. The file size limit kills the writer midway.
TEST_F(LoadTest, ABackupKilledMidwayLeavesNoHalfBackup)
{
    const std::string book(100000, 'x');
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit none{0, 0}, small{4096, 4096};
        ::setrlimit(RLIMIT_CORE, &none);
        ::setrlimit(RLIMIT_FSIZE, &small);
        std::signal(SIGXFSZ, SIG_DFL);
        BackUpFile(live.string(), book);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 0);

    // Whole, it takes the first free name and overwrites none.
    ASSERT_TRUE(BackUpFile(live.string(), book));
    EXPECT_TRUE(ReadAll(m_dir / "forward_v3_3.sch_") == book);
    ASSERT_TRUE(BackUpFile(live.string(), "second"));
    EXPECT_TRUE(ReadAll(m_dir / "forward_v3_3.sch_") == book);
    EXPECT_EQ(ReadAll(m_dir / "forward_v3_3.sch__"), "second");
}

TEST_F(ScheduleTest, SaveReplacesTheFileWholeOrNotAtAll)
{
    Add(Entry(Local(2003, 5, 2), {}, RepeatDaily, "둘"));
    Add(Entry(Local(2003, 5, 1), {}, RepeatOnce, "one"));
    ASSERT_TRUE(SaveSchedules(Dir()));
    const std::string saved = ReadAll(m_dir / kLiveScheduleFile);
    ASSERT_EQ(Memos(saved), (std::vector<std::string>{"둘", "one"}));  // head to tail

    // A disk that fills up half-way leaves the old file and no temporary one.
    Add(Entry(Local(2003, 6, 1), {}, RepeatOnce, std::string(100000, 'x')));
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{4096, old.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = SaveSchedules(Dir());
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(ReadAll(m_dir / kLiveScheduleFile), saved);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}
