// The schedule manager and the page "알람설정" through their widgets, on a
// fake clock.

#include "FakeAlarmClock.h"
#include "QtTestSupport.h"
#include "ScheduleTestSupport.h"
#include "SoundFakeOutput.h"

#include "base/ControlId.h"
#include "base/SettingsStore.h"
#include "resources/ResourceIds.h"
#include "schedule/CAlramDlg.h"
#include "schedule/CScheduleDlg.h"
#include "schedule/QtScheduleHost.h"
#include "schedule/ScheduleBook.h"
#include "schedule/ScheduleView.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

namespace ids = res::schedule;
constexpr int kNone = -1;
constexpr int kRepeatIds[] = {ids::IDC_ONCE, ids::IDC_DAILY, ids::IDC_WEEKLY, ids::IDC_MONTHLY};

QString Text(const char* text)
{
    return QString::fromUtf8(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

class ScheduleDlgTest : public ScheduleTest
{
protected:
    void SetUp() override
    {
        ScheduleTest::SetUp();
        m_cwd = std::make_unique<WorkingDirectory>(Dir());
        ASSERT_TRUE(m_cwd->ok());
        m_previousAsker = SetQuestionHandler([this](QWidget*, const QString& text) {
            m_messages.texts << text;
            return m_answer;
        });
    }
    void TearDown() override
    {
        delete m_dlg;
        SetQuestionHandler(m_previousAsker);
        m_cwd.reset();
        ScheduleTest::TearDown();
    }

    CScheduleDlg& Dlg()
    {
        if (!m_dlg)
            m_dlg = new CScheduleDlg(m_store, [this] { return m_now; });
        return *m_dlg;
    }
    template <typename T = QWidget>
    T* Control(int id) { return FindControl<T>(&Dlg(), id); }

    void Pick(int year, int month, int day)
    {
        Control<QCalendarWidget>(ids::IDC_CALENDAR)->setSelectedDate(QDate(year, month, day));
    }
    void Edit(int hour, int minute, const QString& memo, int repeat, std::initializer_list<int> leads = {})
    {
        Control<QComboBox>(ids::IDC_HOUR)->setCurrentIndex(hour);
        Control<QComboBox>(ids::IDC_MINUTE)->setCurrentIndex(minute);
        Control<QPlainTextEdit>(ids::IDC_MEMO)->setPlainText(memo);
        if (repeat != kNone)
            Control<QRadioButton>(kRepeatIds[repeat])->click();
        for (int i = 0; i < kLeadCount; ++i)
            Control<QCheckBox>(ids::IDC_LEADS[i])->setChecked(std::count(leads.begin(), leads.end(), i) > 0);
    }
    // Presses a button; the message it gave.
    QString Press(int id)
    {
        m_messages.texts.clear();
        Control<QPushButton>(id)->click();
        return m_messages.texts.join(QLatin1Char('|'));
    }
    QStringList Listed(int column = 1)
    {
        QStringList out;
        auto* list = Control<QTreeWidget>(ids::IDC_LIST);
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(column);
        return out;
    }
    bool Checked(int id) { return Control<QAbstractButton>(id)->isChecked(); }

    std::time_t m_now = Local(2002, 5, 20, 8);  // a Monday
    bool m_answer = true;
    MemorySettingsStore m_store;
    MessageRecorder m_messages;
    QuestionHandler m_previousAsker;
    std::unique_ptr<WorkingDirectory> m_cwd;
    QPointer<CScheduleDlg> m_dlg;
};

} // namespace

TEST_F(ScheduleDlgTest, OneDayEntriesLieAheadRecurringOnesMayStartInThePast)
{
    EXPECT_EQ(Control<QLabel>(ids::IDC_TITLE)->text(), QStringLiteral("2002년  5월 20일 일정표"));
    Edit(7, 59, QStringLiteral("지난 일"), RepeatOnce);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kPastAddText));
    Edit(7, 0, QString(), RepeatDaily);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kEmptyMemoText));
    EXPECT_FALSE(Checked(ids::IDC_LEADS[kOnTime])) << "only an addition that gets that far";

    // No lead switch: the entry rings on time, and "정각" shows it.
    Edit(7, 0, QStringLiteral("조회\n출석"), RepeatDaily);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kAddedRecurringText));
    EXPECT_TRUE(Checked(ids::IDC_LEADS[kOnTime]));
    EXPECT_EQ(Listed(0), QStringList{QStringLiteral("07:00:00")});
    EXPECT_EQ(Listed(2), QStringList{QStringLiteral("매일")});
    EXPECT_EQ(g_pScheduleList->front()->m_strMemo, "조회\r\n출석") << "line breaks as the files keep them";
    EXPECT_EQ(g_pScheduleList->front()->m_bLead, (std::array<std::int32_t, 8>{1}));
    EXPECT_TRUE(TakeScheduleChanged()) << "the alarm thread saves it";

    // A picked date clears the editor and lists the entry from its start on.
    Pick(2002, 5, 21);
    EXPECT_EQ(Listed(), QStringList{QStringLiteral("조회 출석")});
    EXPECT_EQ(Control<QComboBox>(ids::IDC_HOUR)->currentIndex(), 0);
    EXPECT_TRUE(Control<QPlainTextEdit>(ids::IDC_MEMO)->toPlainText().isEmpty());
    EXPECT_FALSE(Checked(ids::IDC_DAILY) || Checked(ids::IDC_LEADS[kOnTime]));
    Pick(2003, 2, 1);
    EXPECT_EQ(Listed().size(), 1);
    Pick(2002, 5, 19);
    EXPECT_TRUE(Listed().isEmpty());

    // A selected row fills the editor; a change keeps the time.
    Pick(2002, 5, 22);
    Control<QTreeWidget>(ids::IDC_LIST)->setCurrentItem(Control<QTreeWidget>(ids::IDC_LIST)->topLevelItem(0));
    EXPECT_EQ(Control<QComboBox>(ids::IDC_HOUR)->currentText(), QStringLiteral("07시"));
    EXPECT_EQ(Control<QPlainTextEdit>(ids::IDC_MEMO)->toPlainText(), QStringLiteral("조회\n출석"));
    EXPECT_TRUE(Checked(ids::IDC_DAILY) && Checked(ids::IDC_LEADS[kOnTime]));
    EXPECT_EQ(Press(ids::IDC_CHANGE), Text(kUnchangedText));
    Control<QCheckBox>(ids::IDC_LEADS[2])->setChecked(true);
    EXPECT_EQ(Press(ids::IDC_CHANGE), Text(kChangedText));
    EXPECT_EQ(g_pScheduleList->front()->m_bLead, (std::array<std::int32_t, 8>{1, 0, 1}));
    EXPECT_EQ(g_pScheduleList->front()->m_tAlarm, Local(2002, 5, 20, 7));
}

TEST_F(ScheduleDlgTest, DuplicatesAreTheSameDateTimeAndKind)
{
    m_now = Local(2002, 5, 1, 8);
    Pick(2002, 5, 20);
    Edit(10, 10, QStringLiteral("회의"), RepeatOnce);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kAddedText));
    Pick(2002, 5, 14);
    Edit(10, 10, QStringLiteral("다른 회의"), RepeatOnce);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kAddedText));
    Edit(10, 10, QStringLiteral("또 회의"), RepeatOnce);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kDuplicateText));
    Edit(10, 10, QStringLiteral("또 회의"), RepeatDaily);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kAddedRecurringText));
    EXPECT_EQ(ListMemos(), (std::vector<std::string>{"또 회의", "다른 회의", "회의"}));
}

TEST_F(ScheduleDlgTest, WeeklyEntryFallsOnItsWeekdayAndGoesOnlyFromItsNextDate)
{
    Edit(10, 0, QStringLiteral("주간 회의"), RepeatWeekly, {kOnTime});
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kAddedRecurringText));
    for (const auto& [day, listed] : {std::pair{27, true}, {28, false}, {21, false}}) {
        Pick(2002, 5, day);
        EXPECT_EQ(Listed().size(), listed ? 1 : 0) << day;
    }
    Pick(2002, 6, 3);
    EXPECT_EQ(Listed(2), QStringList{QStringLiteral("매주")});

    Pick(2002, 5, 27);  // a Monday, but not the entry's date
    Edit(10, 0, QString(), RepeatWeekly);
    EXPECT_EQ(Press(ids::IDC_DELETE), Text(kNothingToDeleteText));
    Pick(2002, 5, 20);
    Edit(10, 0, QString(), RepeatDaily);
    EXPECT_EQ(Press(ids::IDC_DELETE), Text(kNothingToDeleteText));
    Edit(10, 0, QStringLiteral("메모"), RepeatWeekly);
    EXPECT_EQ(Press(ids::IDC_DELETE), Text(kDeletedText));
    EXPECT_TRUE(Listed().isEmpty());
    EXPECT_EQ(Control<QComboBox>(ids::IDC_HOUR)->currentIndex(), 0);
    EXPECT_TRUE(Control<QPlainTextEdit>(ids::IDC_MEMO)->toPlainText().isEmpty());
    Pick(2002, 5, 19);
    Edit(10, 0, QString(), RepeatWeekly);
    EXPECT_EQ(Press(ids::IDC_DELETE), Text(kPastDeleteText));
    EXPECT_EQ(Press(ids::IDC_CHANGE), Text(kPastChangeText));
}

TEST_F(ScheduleDlgTest, SelectedEntriesOfEveryKindAreChangedAndDeleted)
{
    Edit(10, 0, QStringLiteral("치과"), kNone);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kAddedText));
    EXPECT_TRUE(Checked(ids::IDC_ONCE)) << "no kind chosen: one day";
    Edit(11, 0, QStringLiteral("월세"), RepeatMonthly);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kAddedRecurringText));
    Edit(12, 0, QStringLiteral("주간 회의"), RepeatWeekly);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kAddedRecurringText));
    auto* list = Control<QTreeWidget>(ids::IDC_LIST);
    ASSERT_EQ(Listed(), (QStringList{QStringLiteral("치과"), QStringLiteral("월세"), QStringLiteral("주간 회의")}));

    // A change is checked as an addition is.
    list->setCurrentItem(list->topLevelItem(0));
    Edit(10, 0, QStringLiteral("치과 ✓"), RepeatOnce);
    EXPECT_EQ(Press(ids::IDC_CHANGE),
              QStringLiteral("일정에 저장할 수 없는 문자가 있습니다: '✓' (U+2713)\n다른 문자로 바꾸어 입력하십시오."));
    Edit(10, 0, QStringLiteral("치과 예약"), RepeatOnce);
    EXPECT_EQ(Press(ids::IDC_CHANGE), Text(kChangedText));
    EXPECT_TRUE(Checked(ids::IDC_LEADS[kOnTime])) << "no lead switch: on time";
    EXPECT_EQ(ListMemos(), (std::vector<std::string>{"치과 예약", "월세", "주간 회의"}));
    EXPECT_EQ(g_pScheduleList->front()->m_bLead, (std::array<std::int32_t, 8>{1}));

    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_EQ(Press(ids::IDC_DELETE), Text(kDeletedText));
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_EQ(Press(ids::IDC_DELETE), Text(kDeletedText));
    EXPECT_EQ(Listed(), QStringList{QStringLiteral("주간 회의")});
    // The next Monday lists the weekly entry; its row is what goes.
    Pick(2002, 5, 27);
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_EQ(Press(ids::IDC_DELETE), Text(kDeletedText));
    EXPECT_TRUE(Listed().isEmpty());
    EXPECT_TRUE(ListMemos().empty());
    Pick(2002, 5, 20);

    Edit(10, 0, QStringLiteral("치과"), RepeatOnce);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kAddedText));
    m_answer = false;
    EXPECT_EQ(Press(ids::IDC_DELETE_ALL), Text(kDeleteAllQuestion));
    EXPECT_EQ(Listed().size(), 1);
    m_answer = true;
    EXPECT_EQ(Press(ids::IDC_DELETE_ALL), Text(kDeleteAllQuestion) + "|" + Text(kAllDeletedText));
    EXPECT_TRUE(Listed().isEmpty());
    EXPECT_TRUE(ListMemos().empty());
}

TEST_F(ScheduleDlgTest, EarlierYearsAreListedFromTheirArchive)
{
    m_now = Local(2003, 3, 1, 12);
    WriteAll(m_dir / "2002_v3_3.sch", Record(Entry(Local(2002, 5, 20, 9), {0}, RepeatOnce, "첫째")) +
                                          Record(Entry(Local(2002, 5, 21, 9), {0}, RepeatOnce, "다음날")) +
                                          Record(Entry(Local(2002, 5, 20, 7), {0}, RepeatOnce, "둘째")));
    Pick(2002, 5, 20);
    EXPECT_EQ(Listed(), (QStringList{QStringLiteral("둘째"), QStringLiteral("첫째")}));
    EXPECT_TRUE(m_messages.texts.isEmpty());
    Pick(2001, 5, 20);
    EXPECT_TRUE(Listed().isEmpty());
    EXPECT_EQ(m_messages.texts, QStringList{QString::fromUtf8(kNoScheduleFileText)});
    EXPECT_EQ(Control<QLabel>(ids::IDC_TITLE)->text(), QStringLiteral("2001년  5월 20일 일정표"));
    // Told once a year, not at every day the arrow keys pass.
    Pick(2001, 5, 21);
    Pick(2001, 12, 31);
    EXPECT_EQ(m_messages.texts.size(), 1);
    Pick(2000, 12, 31);
    EXPECT_EQ(m_messages.texts.size(), 2);
}

TEST_F(ScheduleDlgTest, FullBookRefusesAnAdditionWithAMessage)
{
    for (std::size_t i = 0; i < kScheduleCapacity; ++i)
        Add(Entry(Local(2002, 7, 1) + 60 * static_cast<std::time_t>(i), {0}, RepeatOnce, "x"));
    Edit(23, 59, QStringLiteral("하나 더"), RepeatOnce);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kBookFullText));
    EXPECT_EQ(g_pScheduleList->size(), kScheduleCapacity);
}

TEST_F(ScheduleDlgTest, ListShowsTimeMemoAndKindAndCarriesTheRestHidden)
{
    Dlg().show();
    auto* list = Control<QTreeWidget>(ids::IDC_LIST);
    const char* headers[] = {"일시", "일정메모", "알람", "hour", "min", "0min", "1min",
                             "5min", "10min", "15min", "30min", "45min", "60min"};
    ASSERT_EQ(list->columnCount(), 13);
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(list->headerItem()->text(i), QString::fromUtf8(headers[i]));
        EXPECT_EQ(list->isColumnHidden(i), i >= 3) << i;
    }
    // At least the widths given, and room for what they show, in the
    // smallest window too.
    Dlg().resize(Dlg().minimumSizeHint());
    QCoreApplication::processEvents();
    const QFontMetrics metrics(list->font());
    EXPECT_GE(list->columnWidth(0), std::max(52, metrics.horizontalAdvance(QStringLiteral("00:00:00"))));
    EXPECT_GE(list->columnWidth(1), 113);
    EXPECT_GE(list->columnWidth(2), std::max(46, metrics.horizontalAdvance(QStringLiteral("매일"))));
}

TEST_F(ScheduleDlgTest, EnterInTheDeleteAllQuestionKeepsTheBook)
{
    Edit(10, 0, QStringLiteral("치과"), RepeatOnce);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kAddedText));
    const QuestionHandler fixture = SetQuestionHandler({});  // the real box
    bool asked = false;
    QTimer poll;
    QElapsedTimer waited;
    waited.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked = true;
            QTest::keyClick(box, Qt::Key_Return);
        } else if (waited.elapsed() > 5000 && QApplication::activeModalWidget()) {
            QApplication::activeModalWidget()->close();
        }
    });
    poll.start(10);
    Control<QPushButton>(ids::IDC_DELETE_ALL)->click();
    poll.stop();
    SetQuestionHandler(fixture);
    EXPECT_TRUE(asked);
    EXPECT_EQ(ListMemos(), std::vector<std::string>{"치과"});
}

TEST_F(ScheduleDlgTest, WhatCannotBeWrittenIsToldNeverCalledDone)
{
    const fs::path live = m_dir / kLiveScheduleFile;
    SoundFakeOutput sound;
    QtScheduleHost host(m_store, [](const AlarmNotice&) {});
    FakeAlarmClock clock(m_now);
    CScheduleThread thread(host, sound, Dir(), &clock);
    thread.Start();
    QElapsedTimer loading;
    for (loading.start(); !thread.IsLoaded() && loading.elapsed() < 5000;)
        QTest::qWait(5);
    ASSERT_TRUE(thread.IsLoaded());
    fs::remove(live);
    fs::create_directory(live);  // cannot be replaced, not even by root

    // The entry stays in the book, and the book is saved once it can be.
    Edit(10, 0, QStringLiteral("치과"), RepeatOnce);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kBookNotSavedText));
    EXPECT_EQ(Listed(), QStringList{QStringLiteral("치과")});
    fs::remove(live);
    Edit(11, 0, QStringLiteral("회의"), RepeatOnce);
    EXPECT_EQ(Press(ids::IDC_ADD), Text(kAddedText));
    EXPECT_EQ(ReadScheduleFile(live.string())->size(), 2u);
    thread.Stop();

    // The year's page, likewise; it is opened only when written.
    BrowserStub browser(true);
    fs::create_directory(m_dir / kScheduleViewFile);
    m_messages.texts.clear();
    ExportScheduleView();
    EXPECT_EQ(m_messages.texts, QStringList{Text(kViewNotWrittenText)});
    EXPECT_TRUE(browser.urls.isEmpty());
    fs::remove(m_dir / kScheduleViewFile);
    m_messages.texts.clear();
    ExportScheduleView();
    EXPECT_TRUE(m_messages.texts.isEmpty());
    ASSERT_EQ(browser.urls.size(), 1);
    EXPECT_EQ(browser.urls[0].toLocalFile().toStdString(), (m_dir / kScheduleViewFile).string());

    // Written but with no browser to show it: said, not silent.
    BrowserStub none(false);
    m_messages.texts.clear();
    ExportScheduleView();
    EXPECT_EQ(m_messages.texts, QStringList{Text(kNoBrowserMessage)});
}

TEST(AlarmPage, ControlsFollowTheAlarmSwitchAndTheSoundChoice)
{
    const bool alarm = g_bAalramWave, emile = WaveEmile;
    const std::string file = WaveFileName;
    namespace page = res::alarmpage;
    // First start: the user's sound is chosen, but there is no file.
    g_bAalramWave = false;
    WaveEmile = true;
    WaveFileName.clear();
    CAlramDlg dlg({});
    const auto control = [&](int id) { return FindControl<QAbstractButton>(&dlg, id); };
    const auto enabled = [&] {
        std::string out;
        for (int id : {page::IDC_EMILE, page::IDC_USER_SOUND, page::IDC_WAVE_FILE, page::IDC_CHOOSE_SOUND})
            out += FindControl(&dlg, id)->isEnabled() ? 'E' : 'D';
        return out;
    };
    EXPECT_TRUE(control(page::IDC_EMILE)->isChecked());
    EXPECT_FALSE(WaveEmile);
    EXPECT_EQ(enabled(), "DDDD");
    control(page::IDC_ALARM)->click();
    EXPECT_EQ(enabled(), "EEDD");
    control(page::IDC_USER_SOUND)->click();
    EXPECT_EQ(enabled(), "EEEE");
    control(page::IDC_EMILE)->click();
    EXPECT_EQ(enabled(), "EEDD");
    control(page::IDC_USER_SOUND)->click();

    dlg.chooseWaveFile = [](QWidget*, const QString&) { return QString(); };
    control(page::IDC_CHOOSE_SOUND)->click();
    EXPECT_TRUE(FindControl<QLineEdit>(&dlg, page::IDC_WAVE_FILE)->text().isEmpty()) << "cancelled";
    dlg.chooseWaveFile = [](QWidget*, const QString&) { return QStringLiteral("/home/a/종.wav"); };
    control(page::IDC_CHOOSE_SOUND)->click();
    control(page::IDC_ALARM)->click();
    EXPECT_EQ(enabled(), "DDDD");
    dlg.applyPage();
    EXPECT_FALSE(g_bAalramWave);
    EXPECT_TRUE(WaveEmile) << "off keeps the sound choice";
    EXPECT_EQ(WaveFileName, "/home/a/종.wav");

    g_bAalramWave = alarm;
    WaveEmile = emile;
    WaveFileName = file;
}
