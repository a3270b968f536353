#pragma once
// The hidden frame: the tray icon and its popup menu, the owner of every
// top-level window, and the restore at start and the saves at exit.

#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

#include <QRect>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CAlarmPopup;
class CClockWnd;
class CMainClockDlg;
class CScheduleDlg;
class CScheduleThread;
class AlarmNotifier;
class QtScheduleHost;
class QMenu;
class SettingsStore;
class Synchroniser;
class TransmitWorkers;
struct AlarmNotice;
struct TimeServer;

class CMainFrame : public QWidget
{
    Q_OBJECT
public:
    // Adds the tray icon and creates the main window hidden (which loads
    // the options). servers: the time servers a compare asks; sync: what
    // a synchronisation runs.
    CMainFrame(SettingsStore& store, const std::vector<TimeServer>& servers, Synchroniser& sync);
    ~CMainFrame() override;

    // Shows the window of the last run, loads the world time table and
    // starts the alarm thread. False when the table file is missing (the
    // program then ends).
    bool RestoreWindows();

    CMainClockDlg* MainWindow() const { return m_pMainDlg; }
    QSystemTrayIcon* TrayIcon() const { return m_pTray; }
    // Whether the desktop has a notification area for the tray icon now.
    // Without one no window is ever hidden out of reach.
    bool HasTray() const { return trayAvailable(); }
    std::function<bool()> trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;

    // Menu 106: the tray popup menu, its commands sent to this frame.
    QMenu* PopupMenu() const { return m_pMenu; }
    void ShowPopupMenu(const QPoint& globalPos);
    // Carries out a popup menu command.
    void OnCommand(int id);
    void OnTrayActivated(QSystemTrayIcon::ActivationReason reason);
    // Shows the main window restored, raised and focused, as the tray
    // icon's click does; a second start of the program asks for it.
    void ShowMainWindow();

    // The slim Korea clock: moved to its saved corner and kept on top as
    // the options say; shown (restored) or hidden.
    void PlaceSlimClock();
    void ShowSlimClock(bool show);
    CClockWnd* SlimClock() const { return m_pSlimClock; }

    // World clock windows. ShowWorldClock opens one from the world time
    // dialog, cascading from the last one opened during that showing.
    void ShowWorldClock(std::int32_t row, const std::string& name);
    void RestoreWorldClock(std::int32_t row, const std::string& name, int x, int y);
    // Saves the visible world clocks in slots 0.. and frees the rest.
    void SaveWorldClocks();
    void CloseMenuOwnerClock();
    void HideAllWorldClocks();
    void ApplyTransparencyToWorldClocks(bool transparent);
    // The world time dialog was shown or hidden: cascading starts afresh.
    void ResetWorldClockCascade();
    const std::vector<CClockWnd*>& ClockWindows() const { return m_clockWnds; }

    // Command 32779: opens the schedule manager unless it is open already.
    void OpenScheduleManager();
    CScheduleDlg* ScheduleDlg() const;

    // The exit command: the main window closes, then this frame.
    void Exit();
    // The desktop session asks for the program's state: saved as the close
    // saves it, with every window left open.
    void SaveSession();
    // The session ends or the program is told to terminate: the main window
    // and this frame close now, as they do at exit.
    void EndSession();

    // The alarm thread's notice: the alarm popup slides up above a panel at
    // the bottom of the screen, beside the tray. Without either the alarms
    // go to the desktop's notifications, and when no notification service
    // answers, the popup comes up at the bottom right of the work area.
    void ShowAlarmPopup(const AlarmNotice& notice);
    // Where the notifications go; nullptr: the session bus (made when first
    // needed).
    AlarmNotifier* alarmNotifier = nullptr;

signals:
    // The frame closed: everything is saved and the program may end.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    SettingsStore& m_store;
    QSystemTrayIcon* m_pTray = nullptr;
    QMenu* m_pMenu = nullptr;
    CMainClockDlg* m_pMainDlg = nullptr;
    CClockWnd* m_pSlimClock = nullptr;
    std::vector<CClockWnd*> m_clockWnds;   // the slim clock first, then world clocks
    QRect m_rcLastWorldWnd;                // last world clock opened from the dialog
    QPointer<CClockWnd> m_pLastWorldWnd;   // that window, where it really is now
    bool m_bClosed = false;
    std::unique_ptr<TransmitWorkers> m_transmitWorkers;   // joined when the frame goes
    std::unique_ptr<QtScheduleHost> m_pScheduleHost;
    std::unique_ptr<CScheduleThread> m_pScheduleThread;  // stopped before the host goes
    QPointer<CScheduleDlg> m_pScheduleDlg;   // a window of its own, deleted with the frame
    std::unique_ptr<AlarmNotifier> m_pBusNotifier;

    CClockWnd* addClockWindow(bool korea, std::int32_t row, const std::string& name);
    void markMenuOwner(CClockWnd* owner);
    // A clock window was closed: a world clock goes for good; without a
    // tray, the main window stays reachable when nothing else shows.
    void onClockClosed(CClockWnd* w);
    void keepReachable();
    CAlarmPopup* newAlarmPopup(const AlarmNotice& notice);
};
