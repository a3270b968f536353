#pragma once
// The main window "Vesk3": the digital clock, the message field, and the
// compare, synchronise, world time, settings, help and hide buttons. It owns
// the user-interface thread's periodic work: automatic synchronisation, the
// blink of a synchronisation result and the transmission timer.

#include "base/WindowTimers.h"
#include "time/SntpClient.h"
#include "time/TimeCheck.h"

#include <QDialog>
#include <QPoint>
#include <QRect>

#include <functional>
#include <memory>

class CColorLabel;
class CDigitalClock;
class CWorldTimeDlg;
class CMainFrame;
class QLabel;
class QPushButton;
class SettingsStore;

class CMainClockDlg : public QDialog, private CheckView
{
    Q_OBJECT
public:
    // Creates the window hidden, loads the options and starts its timers.
    // servers are the time servers a compare asks, in order; sync is what
    // a synchronisation runs.
    CMainClockDlg(CMainFrame* frame, SettingsStore& store,
                  std::vector<TimeServer> servers,
                  Synchroniser& sync);
    ~CMainClockDlg() override;

    void CompareRequest();
    void SynchroniseRequest();
    void ShowWorldTime();
    void OpenInformationDialog();
    // Runs the settings sheet, then applies the options to every window
    // and saves them, whether the sheet was confirmed or cancelled.
    void ApplySettings();
    // Stops the transmission timer and starts it again if g_bAutoCOMM.
    void RestartTransmissionTimer();
    // Hides the window (minimises it where no tray can bring it back) and
    // remembers that nothing is shown.
    void Hide();
    // Saves what the close saves: the world time dialog's corner, this
    // window's corner and the last synchronisation, synced. The close runs
    // it; so does the end of a desktop session.
    void SaveState();

    CMainFrame* Frame() const { return m_pFrame; }
    WindowTimers& Timers() { return m_timers; }
    TimeCheck& Check() { return m_check; }
    CDigitalClock* DigitalClock() const { return m_pClock; }
    // The world time dialog, once the user has asked for it.
    CWorldTimeDlg* WorldTimeDlg() const { return m_pWorldTimeDlg; }

    // Runs one transmission on each firing of the transmission timer; set by
    // the serial part of the program.
    std::function<void()> onTransmitTimer;
    // Runs the settings sheet modally; tests replace it.
    std::function<void(QWidget* parent)> runSettingsSheet;
    // Runs the information dialog modally; tests replace it.
    std::function<void(QWidget* parent)> runInformationDialog;

    int m_nSelectBlink = 0;   // counted down by the world time dialog's clock

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void reject() override;

private:
    // CheckView, called from the worker: carried out on this window's thread.
    void SetMessage(const std::string& text) override;
    void SetCheckButtonsEnabled(bool enabled) override;
    void SetTimer(int id, std::int64_t periodMs) override;
    void KillTimer(int id) override;
    void RunOnWindowThread(std::function<void()> work) override;

    void onTimer(int id);
    void applyMessageColours();
    void hideOrMinimise();
    void saveWindowPos();
    std::int64_t transmitPeriodMs() const;

    CMainFrame* m_pFrame;
    SettingsStore& m_store;
    SntpClient m_client;
    WindowTimers m_timers;
    TimeCheck m_check;
    CDigitalClock* m_pClock = nullptr;
    CColorLabel* m_pMessage = nullptr;
    CWorldTimeDlg* m_pWorldTimeDlg = nullptr;
    QPushButton* m_pCompare = nullptr;
    QPushButton* m_pSync = nullptr;

    bool m_bMessageStale = false;   // a check runs: the message is the last one's
    bool m_bHelpOpen = false;
    bool m_bSettingsOpen = false;
    bool m_bDragging = false;
    QRect m_dragStartRect;   // window frame at the press
    QPoint m_dragStartCursor; // global cursor at the press
};

// The main window, once made (the serial and world time parts reach it).
CMainClockDlg* MainClockDlg();
