// The manager's rules that its window test cannot reach: where it opens,
// and what delete and change may never take.

#include "ScheduleTestSupport.h"

#include "base/DateText.h"
#include "schedule/ScheduleBook.h"

TEST(ScheduleDlgPosition, SavedCornerMustLie100PxInsideTheFrame)
{
    struct Row
    {
        Rect frame;
        std::optional<Point> saved, placed;
    };
    const Rect work{0, 0, 1280, 772};
    const Rect shifted{100, 50, 800, 600};  // right 900, bottom 650
    const Row rows[] = {
        {work, std::nullopt, std::nullopt},
        {work, Point{100, 100}, Point{100, 100}},
        {work, Point{1180, 672}, Point{1180, 672}},  // exactly 100 px inside
        {work, Point{1181, 100}, Point{640, 386}},
        {work, Point{100, 673}, Point{640, 386}},
        {work, Point{-500, 300}, Point{-500, 300}},  // only right and bottom count
        {shifted, Point{800, 550}, Point{800, 550}},
        {shifted, Point{801, 10}, Point{450, 325}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ScheduleDlgPosition(row.saved, row.frame), row.placed)
            << (row.saved ? row.saved->x : -1) << "," << (row.saved ? row.saved->y : -1);
}

TEST_F(ScheduleTest, DeleteAndChangeNeverTakeTheRecordOfARungOccurrence)
{
    // Monday 2002-05-20 rang and left its record; the entry has moved on to
    // Monday 2003-01-20, the same weekday and day of the month.
    auto rung = Entry(Local(2002, 5, 20, 9), {kOnTime}, RepeatWeekly, "기록");
    rung.m_bDone = 1;
    Add(rung);
    Add(Entry(Local(2003, 1, 20, 9), {kOnTime}, RepeatWeekly, "주간 회의"));
    ScheduleEdit edit{.year = 2003, .month = 1, .day = 20, .hour = 9, .memo = "새 메모",
                            .repeat = RepeatWeekly, .leads = {1}};
    const std::time_t now = Local(2003, 1, 1);

    EXPECT_STREQ(ChangeSchedule(edit, now).message, kChangedText);
    EXPECT_EQ(ListMemos(), (std::vector<std::string>{"기록", "새 메모"}));
    EXPECT_STREQ(DeleteSchedule(edit, now).message, kDeletedText);
    EXPECT_EQ(ListMemos(), std::vector<std::string>{"기록"});
    EXPECT_STREQ(DeleteSchedule(edit, now).message, kNothingToDeleteText);
    EXPECT_TRUE(TakeScheduleChanged()) << "the alarm thread saves the edits";
}

TEST_F(ScheduleTest, DuplicatesAreTheSameDateTimeAndKindAndANewEntryLeadsItsMinute)
{
    const std::time_t now = Local(2002, 5, 1, 8);
    const auto add = [&](int day, int hour, int minute, std::int32_t kind, std::string memo) {
        ScheduleEdit edit{.year = 2002, .month = 5, .day = day, .hour = hour, .minute = minute,
                          .memo = std::move(memo), .repeat = kind, .leads = {1}};
        return AddSchedule(edit, now);
    };
    // Another day, or the next minute, of the same kind is no duplicate.
    EXPECT_STREQ(add(20, 10, 11, RepeatOnce, "1분 뒤").message, kAddedText);
    EXPECT_STREQ(add(20, 10, 10, RepeatOnce, "20일").message, kAddedText);
    EXPECT_STREQ(add(14, 10, 10, RepeatOnce, "14일").message, kAddedText);
    EXPECT_STREQ(add(20, 10, 10, RepeatOnce, "또").message, kDuplicateText);
    // Another kind in the same minute goes ahead of the entries there.
    EXPECT_TRUE(add(20, 10, 10, RepeatDaily, "매일").changed);
    EXPECT_EQ(ListMemos(), (std::vector<std::string>{"14일", "매일", "20일", "1분 뒤"}));

    // A character the files cannot hold is named, and nothing changes.
    const EditResult refused = add(21, 9, 0, RepeatOnce, "회의 — 준비 ✓");
    EXPECT_FALSE(refused.changed);
    EXPECT_EQ(refused.unstorable, "—");
    EXPECT_EQ(ListMemos().size(), 4u);
}

TEST_F(ScheduleTest, DeleteAndChangeTakeTheSelectedEntryOfAnyKind)
{
    const std::time_t now = Local(2002, 5, 20, 8);  // a Monday
    Add(Entry(Local(2002, 5, 20, 10), {kOnTime}, RepeatOnce, "당일"));
    Add(Entry(Local(2002, 5, 20, 11), {kOnTime}, RepeatMonthly, "매달"));
    Add(Entry(Local(2002, 5, 20, 11), {kOnTime}, RepeatOnce, "같은 분"));
    Add(Entry(Local(2002, 5, 20, 7), {kOnTime}, RepeatOnce, "지난 일"));
    const DayRows day = ScheduleDayRows(Dir(), 2002, 5, 20, now);
    ASSERT_EQ(day.entries.size(), 4u);
    const auto editOf = [&](std::size_t row, std::string memo, std::int32_t kind) {
        const std::tm a = LocalTm(day.entries[row].entry->m_tAlarm);
        return ScheduleEdit{.year = 2002, .month = 5, .day = 20, .hour = a.tm_hour, .minute = a.tm_min,
                            .memo = std::move(memo), .repeat = kind, .selected = day.entries[row]};
    };

    // A change is checked as an addition is; its time stays.
    ScheduleEdit monthly = editOf(1, "", RepeatMonthly);
    EXPECT_STREQ(ChangeSchedule(monthly, now).message, kEmptyMemoText);
    monthly.memo = "✓ 매달";
    EXPECT_EQ(ChangeSchedule(monthly, now).unstorable, "✓");
    monthly.memo = "월세";
    monthly.repeat = RepeatOnce;
    EXPECT_STREQ(ChangeSchedule(monthly, now).message, kDuplicateText) << "\"같은 분\" is one-day at 11:00";
    monthly.repeat = RepeatMonthly;
    monthly.minute = 30;
    EXPECT_STREQ(ChangeSchedule(monthly, now).message, kTimeFixedText);
    monthly.minute = 0;
    EXPECT_STREQ(ChangeSchedule(monthly, now).message, kChangedText);
    EXPECT_EQ(monthly.leads[kOnTime], 1) << "no lead switch: on time, as an addition";
    EXPECT_EQ(ListMemos(), (std::vector<std::string>{"당일", "월세", "같은 분", "지난 일"}));

    // Delete: the selected one-day entry, not one that is past, not twice.
    EXPECT_STREQ(DeleteSchedule(editOf(3, "", RepeatOnce), now).message, kPastDeleteText);
    const ScheduleEdit once = editOf(0, "", RepeatOnce);
    EXPECT_STREQ(DeleteSchedule(once, now).message, kDeletedText);
    EXPECT_STREQ(DeleteSchedule(once, now).message, kNothingToDeleteText);
    EXPECT_EQ(ListMemos(), (std::vector<std::string>{"월세", "같은 분", "지난 일"}));

    // With no row, the editor names a one-day entry by its date and time.
    ScheduleEdit typed{.year = 2002, .month = 5, .day = 21, .hour = 11, .memo = "", .repeat = RepeatOnce};
    EXPECT_STREQ(DeleteSchedule(typed, now).message, kNothingToDeleteText);
    typed.day = 20;
    EXPECT_STREQ(DeleteSchedule(typed, now).message, kDeletedText);
    EXPECT_EQ(ListMemos(), (std::vector<std::string>{"월세", "지난 일"}));
}

TEST_F(ScheduleTest, TodayListsOnlyRecurringAlarmsStillToCome)
{
    const std::time_t now = Local(2002, 5, 20, 8);  // Monday 08:00:00
    Add(Entry(Local(2002, 5, 19, 7, 59), {kOnTime}, RepeatDaily, "07:59"));
    Add(Entry(Local(2002, 5, 19, 8), {kOnTime}, RepeatDaily, "08:00"));
    Add(Entry(Local(2002, 5, 13, 8, 1), {kOnTime}, RepeatWeekly, "주간 08:01"));
    Add(Entry(Local(2002, 4, 20, 7), {kOnTime}, RepeatMonthly, "매달 07:00"));
    Add(Entry(Local(2002, 5, 20, 7), {kOnTime}, RepeatOnce, "오늘 07:00"));
    const auto memos = [&](int day) {
        std::vector<std::string> out;
        for (const ScheduleRow& row : ScheduleDayRows(Dir(), 2002, 5, day, now).rows)
            out.push_back(row[1]);
        return out;
    };
    // An entry of the day itself stays listed once it has passed.
    EXPECT_EQ(memos(20), (std::vector<std::string>{"08:00", "주간 08:01", "오늘 07:00"}));
    EXPECT_EQ(memos(27), (std::vector<std::string>{"07:59", "08:00", "주간 08:01"}));
}
