#include "shell/CMainFrame.h"

#include "base/MessageBox.h"
#include "base/Options.h"
#include "base/WindowPlacement.h"
#include "clocks/CClockWnd.h"
#include "clocks/CDigitalClock.h"
#include "clocks/WorldTime.h"
#include "resources/Art.h"
#include "resources/ResourceIds.h"
#include "serial/SerialPort.h"
#include "serial/TransmitTime.h"
#include "schedule/CAlarmPopup.h"
#include "schedule/CScheduleDlg.h"
#include "schedule/CScheduleThread.h"
#include "schedule/DBusAlarmNotifier.h"
#include "schedule/QtScheduleHost.h"
#include "shell/CMainClockDlg.h"
#include "sound/Sound.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

namespace {

struct MenuItem
{
    int id;          // 0: a separator
    const char* text;
};

// Menu 106, in its order.
constexpr MenuItem kPopupMenu[] = {
    {res::ID_COMPARE, "표준시 비교"},
    {res::ID_SYNC, "표준시 동기"},
    {0, nullptr},
    {res::ID_SETTINGS, "환경설정"},
    {res::ID_WORLD_TIME, "세계시각"},
    {res::ID_SCHEDULE, "일정관리"},
    {res::ID_SCHEDULE_VIEW, "일정보기"},
    {res::ID_HELP_INFO, "도움말"},
    {0, nullptr},
    {res::ID_CLOSE_CLOCK, "닫기"},
    {res::ID_HIDE_ALL, "모두감추기"},
    {0, nullptr},
    {res::ID_APP_EXIT, "종료"},
};

} // namespace

CMainFrame::CMainFrame(SettingsStore& store, const std::vector<TimeServer>& servers,
                       Synchroniser& sync)
    : m_store(store)
{
    setWindowTitle(QStringLiteral("Tray Icon Notifying Test"));

    m_pMenu = new QMenu(this);
    for (const MenuItem& item : kPopupMenu) {
        if (!item.text) {
            m_pMenu->addSeparator();
            continue;
        }
        QAction* a = m_pMenu->addAction(QString::fromUtf8(item.text));
        a->setData(item.id);
        a->setObjectName(QString::number(item.id));
        connect(a, &QAction::triggered, this, [this, id = item.id] { OnCommand(id); });
    }

    m_pTray = new QSystemTrayIcon(AppIcon(), this);
    m_pTray->setToolTip(QStringLiteral("Vesk"));
    m_pTray->setContextMenu(m_pMenu);
    connect(m_pTray, &QSystemTrayIcon::activated, this, &CMainFrame::OnTrayActivated);
    m_pTray->show();

    // The slim clock comes before the main window loads the options, so it
    // is made opaque whatever TransWin says.
    m_pSlimClock = addClockWindow(true, -1, {});
    m_pMainDlg = new CMainClockDlg(this, m_store, servers, sync);

    // Timer 4112 and the serial page start transmissions on workers that
    // end before this frame does.
    for (int n = 1; n <= kComPortCount; ++n)
        SetComDevice(n, ReadComDevice(m_store, n));
    m_transmitWorkers = std::make_unique<TransmitWorkers>(SystemTransmitClock());
    m_pMainDlg->onTransmitTimer = [this] { m_transmitWorkers->Start(); };
    m_pScheduleHost = std::make_unique<QtScheduleHost>(
        m_store, [this](const AlarmNotice& notice) { ShowAlarmPopup(notice); });
    m_pScheduleThread = std::make_unique<CScheduleThread>(*m_pScheduleHost, DefaultSoundOutput());
    // Without a sound device the beeps of the tick and the alarm are the
    // desktop's bell, rung on this thread.
    SetBell([] {
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [] { QApplication::beep(); }, Qt::QueuedConnection);
    });
}

CClockWnd* CMainFrame::addClockWindow(bool korea, std::int32_t row, const std::string& name)
{
    auto* w = new CClockWnd(this, m_store, korea, row, name);
    connect(w, &CClockWnd::popupMenuRequested, this, [this, w](const QPoint& at) {
        markMenuOwner(w);
        ShowPopupMenu(at);
    });
    // Queued: the window is hidden only once its close has run.
    connect(w, &CClockWnd::closed, this, [this, w] { onClockClosed(w); }, Qt::QueuedConnection);
    m_clockWnds.push_back(w);
    return w;
}

void CMainFrame::markMenuOwner(CClockWnd* owner)
{
    for (CClockWnd* w : m_clockWnds) {
        if (w->m_bMenuOwner) {
            w->m_bMenuOwner = false;
            break;
        }
    }
    owner->m_bMenuOwner = true;
}

CMainFrame::~CMainFrame()
{
    SetBell(nullptr);
    delete m_pScheduleDlg;
}

bool CMainFrame::RestoreWindows()
{
    std::int32_t initWin = ReadInitWin(m_store);
    // Nothing shown and no tray to bring it back: the main window then.
    if (initWin != kInitWinMain && initWin != kInitWinSlim && !HasTray())
        initWin = kInitWinMain;
    switch (initWin) {
    case kInitWinMain:
        MoveToSaved(m_pMainDlg, ReadWindowPos(m_store, kMainWindowPos));
        SetTopmost(m_pMainDlg, Top);
        ShowRestored(m_pMainDlg);
        g_nInitWin = kInitWinMain;
        break;
    case kInitWinSlim:
        PlaceSlimClock();
        ShowSlimClock(true);
        g_nInitWin = kInitWinSlim;
        break;
    default:
        g_nInitWin = kInitWinNone;
        break;
    }

    const QString table = QDir::current().filePath(QString::fromUtf8(kWorldTimeFileName));
    if (!LoadWorldTimeTable(table.toStdString(), nullptr)) {
        ShowMessage(nullptr, QString::fromUtf8(kWorldTimeMissingText));
        return false;
    }
    for (const WorldClockSlot& slot : ReadWorldClockSlots(m_store))
        RestoreWorldClock(slot.areaCode, slot.areaName, slot.x, slot.y);
    m_pScheduleThread->Start();
    return true;
}

void CMainFrame::ShowPopupMenu(const QPoint& globalPos)
{
    m_pMenu->popup(globalPos);
}

void CMainFrame::OnTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger)
        return;   // the right button opens the context menu by itself
    if (Small) {
        PlaceSlimClock();
        ShowRestored(m_pSlimClock);
        g_nInitWin = kInitWinSlim;
        g_bMainVisible = true;
    } else {
        ShowMainWindow();
    }
}

void CMainFrame::ShowMainWindow()
{
    ShowRestored(m_pMainDlg);
    g_nInitWin = kInitWinMain;
    g_bMainVisible = true;
}

void CMainFrame::OnCommand(int id)
{
    switch (id) {
    case res::ID_COMPARE: m_pMainDlg->CompareRequest(); break;
    case res::ID_SYNC: m_pMainDlg->SynchroniseRequest(); break;
    case res::ID_SETTINGS: m_pMainDlg->ApplySettings(); break;
    case res::ID_WORLD_TIME: m_pMainDlg->ShowWorldTime(); break;
    case res::ID_HELP_INFO: m_pMainDlg->OpenInformationDialog(); break;
    case res::ID_CLOSE_CLOCK: CloseMenuOwnerClock(); break;
    case res::ID_HIDE_ALL: HideAllWorldClocks(); break;
    case res::ID_SCHEDULE: OpenScheduleManager(); break;
    case res::ID_SCHEDULE_VIEW: ExportScheduleView(); break;
    case res::ID_APP_EXIT: Exit(); break;
    default: break;
    }
}

void CMainFrame::OpenScheduleManager()
{
    if (m_pScheduleDlg)
        return;   // not even brought forward
    m_pScheduleDlg = new CScheduleDlg(m_store);
    // The hidden frame's rectangle is the one a new window gets: the work
    // area of the primary screen.
    Rect frame;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        frame = {area.x(), area.y(), area.width(), area.height()};
    }
    m_pScheduleDlg->Open(frame);
}

CScheduleDlg* CMainFrame::ScheduleDlg() const
{
    return m_pScheduleDlg;
}

void CMainFrame::Exit()
{
    m_pMainDlg->close();
    QMetaObject::invokeMethod(this, &CMainFrame::close, Qt::QueuedConnection);
}

void CMainFrame::PlaceSlimClock()
{
    // Never placed by the user: beside the main window, not over it.
    if (!MoveToSaved(m_pSlimClock, ReadWindowPos(m_store, kSlimClockPos)) && !m_pSlimClock->WasShown()) {
        const QPoint corner = m_pMainDlg->geometry().topLeft();
        PlaceClear(m_pSlimClock, Point{corner.x(), corner.y()});
    }
    SetTopmost(m_pSlimClock, Top);
}

void CMainFrame::ShowSlimClock(bool show)
{
    if (show)
        ShowRestored(m_pSlimClock);
    else
        m_pSlimClock->hide();
}

void CMainFrame::ShowWorldClock(std::int32_t row, const std::string& name)
{
    CClockWnd* w = addClockWindow(false, row, name);
    SetTopmost(w, Top);
    // Right of the main window, or cascaded from where the last one really
    // is (the user may have moved it); either way over none of the
    // program's windows, which it would hide.
    if (m_pLastWorldWnd)
        m_rcLastWorldWnd = m_pLastWorldWnd->geometry();
    const QRect main = m_pMainDlg->frameGeometry();
    const QPoint wanted = m_rcLastWorldWnd.isNull() ? QPoint(main.x() + main.width(), main.y())
                                                    : m_rcLastWorldWnd.topLeft() + QPoint(50, 50);
    PlaceClear(w, Point{wanted.x(), wanted.y()});
    m_rcLastWorldWnd = w->geometry();
    m_pLastWorldWnd = w;
    ShowRestored(w);
}

void CMainFrame::ResetWorldClockCascade()
{
    m_rcLastWorldWnd = QRect();
    m_pLastWorldWnd = nullptr;
}

void CMainFrame::RestoreWorldClock(std::int32_t row, const std::string& name, int x, int y)
{
    CClockWnd* w = addClockWindow(false, row, name);
    if (x != kNoSavedPosition && y != kNoSavedPosition)
        MoveToSaved(w, Point{x, y});
    SetTopmost(w, Top);
    w->show();
}

void CMainFrame::SaveWorldClocks()
{
    std::vector<WorldClockSlot> saved;
    for (const CClockWnd* w : m_clockWnds) {
        if (!w->m_bKorea && w->isVisible()) {
            const Point corner = SavedCorner(w);
            saved.push_back({w->m_nAreaCode, w->m_strAreaName, corner.x, corner.y});
        }
    }
    SaveWorldClockSlots(m_store, saved);
}

void CMainFrame::CloseMenuOwnerClock()
{
    for (CClockWnd* w : m_clockWnds) {
        if (!w->m_bMenuOwner)
            continue;
        if (w->m_bKorea) {
            w->hide();   // no corner saved here: it is saved when the window goes
            g_nInitWin = kInitWinNone;
            keepReachable();
        } else {
            w->close();
        }
        return;
    }
}

void CMainFrame::HideAllWorldClocks()
{
    for (CClockWnd* w : m_clockWnds)
        if (!w->m_bKorea)
            w->close();
    // Without a tray, "hide all" may hide no more than the taskbar can
    // bring back: the main window goes there, minimised.
    if (!HasTray() && !m_bClosed)
        m_pMainDlg->showMinimized();
}

void CMainFrame::onClockClosed(CClockWnd* w)
{
    if (w->m_bKorea) {
        keepReachable();
        return;
    }
    // Never shown again in this run: nothing of it need stay.
    std::erase(m_clockWnds, w);
    w->deleteLater();
}

void CMainFrame::keepReachable()
{
    if (HasTray() || m_bClosed || m_pMainDlg->isVisible() || m_pSlimClock->isVisible())
        return;
    m_pMainDlg->showMinimized();
}

void CMainFrame::ApplyTransparencyToWorldClocks(bool transparent)
{
    for (CClockWnd* w : m_clockWnds)
        if (!w->m_bKorea)
            w->SetTransparency(transparent);
}

CAlarmPopup* CMainFrame::newAlarmPopup(const AlarmNotice& notice)
{
    QStringList alarms;
    for (const AlarmLine& line : notice.lines)
        alarms << QString::fromStdString(line.label + " " + line.memo);
    auto* popup = new CAlarmPopup(alarms, kAlarmPopupWidth, kAlarmPopupHeight, kAlarmPopupShownMs,
                                  kAlarmPopupStepMs, kAlarmTextRect, Qt::white, this);
    popup->m_strHtml = notice.html;
    return popup;
}

void CMainFrame::ShowAlarmPopup(const AlarmNotice& notice)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The popup belongs above a bottom panel that holds the tray. GNOME's
    // bar is at the top, and without a tray a popup there stands for
    // nothing the user knows: the desktop's own notifications then.
    if (HasTray() && CAlarmPopup::PanelAtBottom(screen->geometry(), screen->availableGeometry())) {
        newAlarmPopup(notice)->Show();
        return;
    }
    if (!alarmNotifier) {
        if (!m_pBusNotifier)
            m_pBusNotifier = std::make_unique<DBusAlarmNotifier>();
        alarmNotifier = m_pBusNotifier.get();
    }
    alarmNotifier->Notify(notice, [frame = QPointer<CMainFrame>(this), notice] {
        // Nobody shows notifications: the alarm must not be lost.
        const QScreen* s = QGuiApplication::primaryScreen();
        if (frame && s)
            frame->newAlarmPopup(notice)->ShowIn(s->availableGeometry());
    });
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_bClosed) {   // a second close request finds the work done
        event->accept();
        return;
    }
    m_bClosed = true;
    // The one place the schedule book is saved at exit: the thread saves it
    // as it stops.
    m_pScheduleThread->Stop();
    SaveWorldClocks();
    m_pTray->hide();
    WriteInitWin(m_store);
    m_store.Sync();
    event->accept();
    emit closed();
}

void CMainFrame::SaveSession()
{
    if (m_bClosed)
        return;
    m_pMainDlg->SaveState();
    SaveWorldClocks();
    WriteInitWin(m_store);
    m_store.Sync();
}

void CMainFrame::EndSession()
{
    if (m_bClosed)
        return;
    // Both at once: the event loop may be ending and run nothing queued.
    m_pMainDlg->close();
    close();
}
