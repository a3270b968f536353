// The manager's rules that its window test cannot reach: where it opens,
// and what delete and change may never take.

#include "ScheduleTestSupport.h"

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
    const ScheduleEdit edit{.year = 2003, .month = 1, .day = 20, .hour = 9, .memo = "새 메모",
                            .repeat = RepeatWeekly, .leads = {1}};
    const std::time_t now = Local(2003, 1, 1);

    EXPECT_STREQ(ChangeSchedule(edit, now).message, kChangedText);
    EXPECT_EQ(ListMemos(), (std::vector<std::string>{"기록", "새 메모"}));
    EXPECT_STREQ(DeleteSchedule(edit, now).message, kDeletedText);
    EXPECT_EQ(ListMemos(), std::vector<std::string>{"기록"});
    EXPECT_STREQ(DeleteSchedule(edit, now).message, kNothingToDeleteText);
    EXPECT_TRUE(TakeScheduleChanged()) << "the alarm thread saves the edits";
}
