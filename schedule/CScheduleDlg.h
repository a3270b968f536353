#pragma once
// The schedule manager "일정관리": a calendar, the picked date's entries in
// a list, and an editor that adds, changes and deletes entries of the
// book. One at a time, modeless; it deletes itself when closed.

#include "base/Geometry.h"

#include <QDialog>

#include <array>
#include <ctime>
#include <functional>
#include <set>

class QButtonGroup;
class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QTreeWidget;
class SettingsStore;
struct EditResult;
struct ScheduleEdit;

class CScheduleDlg : public QDialog
{
    Q_OBJECT
public:
    using Clock = std::function<std::time_t()>;

    // The manager on today's date. store keeps its corner; now gives the
    // current time (tests pass a fake clock). Top-level, so a modal sheet
    // that opens it leaves it usable.
    explicit CScheduleDlg(SettingsStore& store, Clock now = [] { return std::time(nullptr); });

    // Moves to the saved corner as ScheduleDlgPosition places it in the
    // frame's rectangle, keeps it on top when Top, and shows it.
    void Open(const Rect& frameRect);

    // Lists the entries of a date and titles the list with it.
    void ShowDay(int year, int month, int day);

    // The buttons.
    void OnAdd();
    void OnChange();
    void OnDelete();
    void OnDeleteAll();
    // "닫기": keeps the corner, then closes. The close box only closes.
    void OnClose();

private:
    void OnDatePicked();
    void OnRowSelected();
    // The editor, the calendar's date and the selected row as the buttons
    // read them.
    ScheduleEdit Editor() const;
    // Tells the user how an edit went, once the alarm thread has tried to
    // save it.
    void Report(const EditResult& result);
    void SetRepeat(int kind);     // -1 checks none
    void ClearTime();             // "00시", "00분", no memo
    void ShowCalendarDay();

    SettingsStore& m_store;
    const Clock m_now;
    QCalendarWidget* m_pCalendar = nullptr;
    QLabel* m_pTitle = nullptr;
    QTreeWidget* m_pList = nullptr;
    QComboBox* m_pHour = nullptr;
    QComboBox* m_pMinute = nullptr;
    QPlainTextEdit* m_pMemo = nullptr;
    QButtonGroup* m_pRepeat = nullptr;
    std::array<QCheckBox*, 8> m_leads{};
    std::set<int> m_warnedYears;  // years whose missing archive was reported
};

// Tray command 32780 and button 1054: writes the year's page beside the
// program and opens it in the desktop's handler. A page that cannot be
// written is not opened, and the user is told so; a handler that does not
// start is not reported.
void ExportScheduleView();
