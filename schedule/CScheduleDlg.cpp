#include "schedule/CScheduleDlg.h"

#include "base/ControlId.h"
#include "base/DateText.h"
#include "base/MessageBox.h"
#include "base/Options.h"
#include "base/UrlOpener.h"
#include "base/WindowPlacement.h"
#include "resources/ResourceIds.h"
#include "schedule/ScheduleBook.h"
#include "schedule/ScheduleFile.h"
#include "schedule/ScheduleView.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextCharFormat>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

namespace ids = res::schedule;

struct Column
{
    const char* header;
    int width;  // px; 0: carries the row's data, never seen
    Qt::Alignment align;
};

constexpr Column kColumns[kScheduleColumns] = {
    {"일시", 52, Qt::AlignLeft},    {"일정메모", 113, Qt::AlignLeft}, {"알람", 46, Qt::AlignHCenter},
    {"hour", 0, Qt::AlignHCenter}, {"min", 0, Qt::AlignHCenter},     {"0min", 0, Qt::AlignHCenter},
    {"1min", 0, Qt::AlignHCenter}, {"5min", 0, Qt::AlignHCenter},    {"10min", 0, Qt::AlignHCenter},
    {"15min", 0, Qt::AlignHCenter}, {"30min", 0, Qt::AlignHCenter},  {"45min", 0, Qt::AlignHCenter},
    {"60min", 0, Qt::AlignHCenter},
};
constexpr int kTimeColumn = 0;
constexpr int kMemoColumn = 1;
constexpr int kRepeatColumn = 2;
constexpr int kHourColumn = 3;
constexpr int kMinuteColumn = 4;
constexpr int kFirstLeadColumn = 5;
// Where a row keeps the book's entry it shows (EntryRef).
constexpr int kEntryRole = Qt::UserRole;
constexpr int kCreatedRole = Qt::UserRole + 1;

// A full book saves in milliseconds; the wait runs out only when the alarm
// thread is itself waiting for this thread, to show an alarm.
constexpr std::chrono::milliseconds kSaveWait{2000};

constexpr const char* kUnstorableText =
    "일정에 저장할 수 없는 문자가 있습니다: '%1' (U+%2)\r\n다른 문자로 바꾸어 입력하십시오.";

constexpr const char* kLeadTexts[kLeadCount] = {"정각",   "1분전",  "5분전",  "10분전",
                                                "15분전", "30분전", "45분전", "1시간전"};
constexpr int kRepeatIds[] = {ids::IDC_ONCE, ids::IDC_DAILY, ids::IDC_WEEKLY, ids::IDC_MONTHLY};

// Stored memos keep the line breaks of the files ("\r\n"); the editor has "\n".
std::string StoredMemo(const QString& typed)
{
    QString memo = typed;
    memo.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    memo.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return memo.toStdString();
}

QString TypedMemo(const QString& stored)
{
    return QString(stored).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

template <typename T>
T* Numbered(T* control, int id)
{
    SetControlId(control, id);
    return control;
}

QPushButton* MakeButton(QWidget* parent, int id, const char* text)
{
    auto* b = Numbered(new QPushButton(QString::fromUtf8(text), parent), id);
    b->setAutoDefault(false);  // Enter in the editor presses nothing
    return b;
}

} // namespace

CScheduleDlg::CScheduleDlg(SettingsStore& store, Clock now)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      m_store(store), m_now(std::move(now))
{
    setWindowTitle(QStringLiteral("일정관리"));
    setAttribute(Qt::WA_DeleteOnClose);
    QFont font(QStringLiteral("NanumGothic"));
    font.setPointSize(9);
    setFont(font);

    m_pCalendar = Numbered(new QCalendarWidget(this), ids::IDC_CALENDAR);
    m_pCalendar->setLocale(QLocale(QLocale::Korean, QLocale::SouthKorea));
    m_pCalendar->setFirstDayOfWeek(Qt::Sunday);
    m_pCalendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // Time values are kept as unsigned 32-bit seconds since 1970.
    m_pCalendar->setDateRange(QDate(1971, 1, 1), QDate(2105, 12, 31));
    QTextCharFormat saturday = m_pCalendar->weekdayTextFormat(Qt::Saturday);
    saturday.setForeground(Qt::blue);
    m_pCalendar->setWeekdayTextFormat(Qt::Saturday, saturday);

    m_pTitle = Numbered(new QLabel(this), ids::IDC_TITLE);
    m_pList = Numbered(new QTreeWidget(this), ids::IDC_LIST);
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setColumnCount(kScheduleColumns);
    QStringList headers;
    for (const Column& c : kColumns)
        headers << QString::fromUtf8(c.header);
    m_pList->setHeaderLabels(headers);
    const QFontMetrics metrics(font);
    for (int i = 0; i < kScheduleColumns; ++i) {
        m_pList->headerItem()->setTextAlignment(i, kColumns[i].align | Qt::AlignVCenter);
        if (kColumns[i].width == 0) {
            m_pList->setColumnHidden(i, true);
            continue;
        }
        // At least the given width, and wide enough for a time or the header.
        const int fits =
            metrics.horizontalAdvance(i == kTimeColumn ? QStringLiteral("00:00:00") : headers[i]) + 16;
        m_pList->setColumnWidth(i, std::max(kColumns[i].width, fits));
    }
    m_pList->header()->setStretchLastSection(false);
    m_pList->header()->setSectionResizeMode(kMemoColumn, QHeaderView::Stretch);

    m_pHour = Numbered(new QComboBox(this), ids::IDC_HOUR);
    for (int h = 0; h < 24; ++h)
        m_pHour->addItem(QString::asprintf("%02d시", h));
    m_pMinute = Numbered(new QComboBox(this), ids::IDC_MINUTE);
    for (int m = 0; m < 60; ++m)
        m_pMinute->addItem(QString::asprintf("%02d분", m));
    m_pHour->setMaxVisibleItems(12);
    m_pMinute->setMaxVisibleItems(12);

    m_pMemo = Numbered(new QPlainTextEdit(this), ids::IDC_MEMO);
    m_pMemo->setTabChangesFocus(true);
    m_pMemo->setFixedHeight(metrics.lineSpacing() * 3 + 12);

    auto* repeatBox = new QGroupBox(this);
    auto* repeatRow = new QHBoxLayout(repeatBox);
    m_pRepeat = new QButtonGroup(this);
    for (int kind = RepeatOnce; kind <= RepeatMonthly; ++kind) {
        auto* radio = Numbered(new QRadioButton(QString::fromUtf8(RepeatName(kind)), repeatBox),
                               kRepeatIds[kind]);
        m_pRepeat->addButton(radio, kind);
        repeatRow->addWidget(radio);
    }

    auto* leadBox = new QGroupBox(this);
    auto* leadGrid = new QGridLayout(leadBox);
    for (int i = 0; i < kLeadCount; ++i) {
        m_leads[i] = Numbered(new QCheckBox(QString::fromUtf8(kLeadTexts[i]), leadBox), ids::IDC_LEADS[i]);
        leadGrid->addWidget(m_leads[i], i / 4, i % 4);
    }

    QPushButton* add = MakeButton(this, ids::IDC_ADD, "추가");
    QPushButton* change = MakeButton(this, ids::IDC_CHANGE, "변경");
    QPushButton* remove = MakeButton(this, ids::IDC_DELETE, "삭제");
    QPushButton* removeAll = MakeButton(this, ids::IDC_DELETE_ALL, "일정표삭제");
    QPushButton* closeButton = MakeButton(this, ids::IDC_CLOSE, "닫기");

    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(m_pTitle);
    listColumn->addWidget(m_pList, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(m_pCalendar);
    top->addLayout(listColumn, 1);

    auto* editor = new QGridLayout;
    editor->addWidget(new QLabel(QStringLiteral("알람시간"), this), 0, 0);
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(m_pHour);
    timeRow->addWidget(m_pMinute);
    timeRow->addWidget(repeatBox);
    timeRow->addStretch(1);
    editor->addLayout(timeRow, 0, 1);
    editor->addWidget(new QLabel(QStringLiteral("일정메모"), this), 1, 0, Qt::AlignTop);
    editor->addWidget(m_pMemo, 1, 1);
    editor->addWidget(leadBox, 2, 1);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {add, change, remove, removeAll})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(editor);
    layout->addLayout(buttons);

    // Tab walks the editor in the order it is filled in.
    QWidget* order[] = {m_pCalendar, m_pHour, m_pMinute, m_pMemo, m_pRepeat->button(RepeatOnce)};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    QWidget* previous = m_pRepeat->button(RepeatMonthly);
    for (QWidget* w : std::initializer_list<QWidget*>{m_leads[0], m_leads[1], m_leads[2], m_leads[3],
                                                      m_leads[4], m_leads[5], m_leads[6], m_leads[7],
                                                      add, change, remove, removeAll, closeButton,
                                                      m_pList}) {
        setTabOrder(previous, w);
        previous = w;
    }

    connect(m_pCalendar, &QCalendarWidget::selectionChanged, this, &CScheduleDlg::OnDatePicked);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CScheduleDlg::OnRowSelected);
    connect(m_pList, &QTreeWidget::itemClicked, this, &CScheduleDlg::OnRowSelected);
    connect(add, &QPushButton::clicked, this, &CScheduleDlg::OnAdd);
    connect(change, &QPushButton::clicked, this, &CScheduleDlg::OnChange);
    connect(remove, &QPushButton::clicked, this, &CScheduleDlg::OnDelete);
    connect(removeAll, &QPushButton::clicked, this, &CScheduleDlg::OnDeleteAll);
    connect(closeButton, &QPushButton::clicked, this, &CScheduleDlg::OnClose);

    const std::tm today = LocalTm(m_now());
    {
        const QSignalBlocker blocker(m_pCalendar);
        m_pCalendar->setSelectedDate(QDate(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday));
    }
    ShowCalendarDay();
    m_pHour->setFocus();
}

void CScheduleDlg::Open(const Rect& frameRect)
{
    if (const auto at = ScheduleDlgPosition(ReadWindowPos(m_store, kScheduleDlgPos), frameRect)) {
        MoveToSaved(this, at);
        raise();
    }
    SetTopmost(this, Top);
    show();
}

void CScheduleDlg::ShowDay(int year, int month, int day)
{
    m_pTitle->setText(QString::asprintf("%d년 %2d월 %2d일 일정표", year, month, day));
    const DayRows listed = ScheduleDayRows(".", year, month, day, m_now());
    {
        // Refilling the list is not a row the user selected.
        const QSignalBlocker blocker(m_pList);
        m_pList->clear();
        for (std::size_t r = 0; r < listed.rows.size(); ++r) {
            const ScheduleRow& row = listed.rows[r];
            auto* item = new QTreeWidgetItem;
            const EntryRef& shown = listed.entries[r];
            item->setData(kTimeColumn, kEntryRole, QVariant::fromValue(reinterpret_cast<quintptr>(shown.entry)));
            item->setData(kTimeColumn, kCreatedRole, QVariant::fromValue(qint64{shown.created}));
            for (int i = 0; i < kScheduleColumns; ++i) {
                item->setText(i, QString::fromStdString(row[i]));
                item->setTextAlignment(i, kColumns[i].align | Qt::AlignVCenter);
            }
            // The list shows one line; the editor gets the memo as stored.
            const QString memo = QString::fromStdString(row[kMemoColumn]);
            item->setData(kMemoColumn, Qt::UserRole, memo);
            item->setText(kMemoColumn, TypedMemo(memo).replace(QLatin1Char('\n'), QLatin1Char(' ')));
            item->setToolTip(kMemoColumn, TypedMemo(memo));
            m_pList->addTopLevelItem(item);
        }
    }
    // Once a year: arrow keys walk the calendar a day at a time.
    if (listed.archiveMissing && m_warnedYears.insert(year).second)
        ShowMessage(this, QString::fromUtf8(kNoScheduleFileText), MessageIcon::Warning);
}

void CScheduleDlg::ShowCalendarDay()
{
    const QDate d = m_pCalendar->selectedDate();
    ShowDay(d.year(), d.month(), d.day());
}

ScheduleEdit CScheduleDlg::Editor() const
{
    ScheduleEdit edit;
    const QDate d = m_pCalendar->selectedDate();
    edit.year = d.year();
    edit.month = d.month();
    edit.day = d.day();
    edit.hour = std::max(m_pHour->currentIndex(), 0);
    edit.minute = std::max(m_pMinute->currentIndex(), 0);
    edit.memo = StoredMemo(m_pMemo->toPlainText());
    edit.repeat = m_pRepeat->checkedId();
    for (int i = 0; i < kLeadCount; ++i)
        edit.leads[i] = m_leads[i]->isChecked() ? 1 : 0;
    if (const QList<QTreeWidgetItem*> selected = m_pList->selectedItems(); !selected.isEmpty()) {
        edit.selected.entry = reinterpret_cast<const CSchedueleStructure*>(
            selected.first()->data(kTimeColumn, kEntryRole).value<quintptr>());
        edit.selected.created = selected.first()->data(kTimeColumn, kCreatedRole).value<qint64>();
    }
    return edit;
}

void CScheduleDlg::Report(const EditResult& result)
{
    if (!result.unstorable.empty()) {
        const QString bad = QString::fromStdString(result.unstorable);
        const QString code = QString::asprintf("%04X", bad.toUcs4().value(0));
        ShowMessage(this, QString::fromUtf8(kUnstorableText).arg(bad, code), MessageIcon::Warning);
        return;
    }
    // The edit stays in the book, and the alarm thread keeps trying to save it.
    if (result.changed && WaitForBookSave(result.edit, kSaveWait) == BookSaved::No) {
        ShowMessage(this, QString::fromUtf8(kBookNotSavedText), MessageIcon::Warning);
        return;
    }
    ShowMessage(this, QString::fromUtf8(result.message),
                result.changed ? MessageIcon::Information : MessageIcon::Warning);
}

void CScheduleDlg::SetRepeat(int kind)
{
    if (QAbstractButton* b = m_pRepeat->button(kind)) {
        b->setChecked(true);
    } else if (QAbstractButton* checked = m_pRepeat->checkedButton()) {
        // An exclusive group keeps one button checked; let go for a moment.
        m_pRepeat->setExclusive(false);
        checked->setChecked(false);
        m_pRepeat->setExclusive(true);
    }
}

void CScheduleDlg::ClearTime()
{
    m_pHour->setCurrentIndex(0);
    m_pMinute->setCurrentIndex(0);
    m_pMemo->clear();
}

void CScheduleDlg::OnDatePicked()
{
    ClearTime();
    SetRepeat(-1);
    for (QCheckBox* box : m_leads)
        box->setChecked(false);
    ShowCalendarDay();
}

void CScheduleDlg::OnRowSelected()
{
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    if (selected.isEmpty()) {
        ClearTime();
        for (QCheckBox* box : m_leads)
            box->setChecked(false);
        return;
    }
    const QTreeWidgetItem* row = selected.first();
    m_pHour->setCurrentIndex(row->text(kHourColumn).toInt());
    m_pMinute->setCurrentIndex(row->text(kMinuteColumn).toInt());
    m_pMemo->setPlainText(TypedMemo(row->data(kMemoColumn, Qt::UserRole).toString()));
    for (int kind = RepeatOnce; kind <= RepeatMonthly; ++kind)
        if (row->text(kRepeatColumn) == QString::fromUtf8(RepeatName(kind)))
            SetRepeat(kind);
    for (int i = 0; i < kLeadCount; ++i)
        m_leads[i]->setChecked(row->text(kFirstLeadColumn + i).toInt() != 0);
}

void CScheduleDlg::OnAdd()
{
    ScheduleEdit edit = Editor();
    const EditResult result = AddSchedule(edit, m_now());
    // Past the first checks an entry with no lead switch rings on time.
    m_leads[kOnTime]->setChecked(edit.leads[kOnTime] != 0);
    if (result.changed) {
        SetRepeat(edit.repeat);
        ShowCalendarDay();
    }
    Report(result);
}

void CScheduleDlg::OnDelete()
{
    const EditResult result = DeleteSchedule(Editor(), m_now());
    if (result.changed) {
        ClearTime();
        ShowCalendarDay();
    }
    Report(result);
}

void CScheduleDlg::OnChange()
{
    ScheduleEdit edit = Editor();
    const EditResult result = ChangeSchedule(edit, m_now());
    m_leads[kOnTime]->setChecked(edit.leads[kOnTime] != 0);
    if (result.changed)
        ShowCalendarDay();
    Report(result);
}

void CScheduleDlg::OnDeleteAll()
{
    if (!AskOkCancel(this, QString::fromUtf8(kDeleteAllQuestion)))
        return;
    const EditResult result = DeleteAllSchedules();
    ClearTime();
    ShowCalendarDay();
    Report(result);
}

void CScheduleDlg::OnClose()
{
    // The same corner the opening puts it back at, on disk at once.
    const Point corner = SavedCorner(this);
    WriteWindowPos(m_store, kScheduleDlgPos, corner.x, corner.y);
    m_store.Sync();
    close();
}

void ExportScheduleView()
{
    const auto page = WriteScheduleView(".", std::time(nullptr));
    if (!page) {
        ShowMessage(QApplication::activeWindow(), QString::fromUtf8(kViewNotWrittenText),
                    MessageIcon::Warning);
        return;
    }
    if (!OpenUrl(QUrl::fromLocalFile(QFileInfo(QString::fromStdString(*page)).absoluteFilePath())))
        ShowMessage(QApplication::activeWindow(), QString::fromUtf8(kNoBrowserMessage),
                    MessageIcon::Warning);
}
