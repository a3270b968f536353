#include "shell/CMainClockDlg.h"

#include "base/ControlId.h"
#include "base/Options.h"
#include "base/WindowPlacement.h"
#include "clocks/CClockWnd.h"
#include "clocks/CColorLabel.h"
#include "clocks/CDigitalClock.h"
#include "clocks/CWorldTimeDlg.h"
#include "resources/Art.h"
#include "resources/ResourceIds.h"
#include "shell/CClientInfoDlg.h"
#include "shell/CMainFrame.h"
#include "shell/CSetupSheet.h"
#include "shell/ScreenSaver.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

CMainClockDlg* g_pMainClockDlg = nullptr;

// The clock face's size in pixels; the digits are drawn at fixed places in it.
constexpr QSize kClockSize(184, 54);

QPushButton* AddButton(QWidget* parent, int id, const char* text)
{
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    SetControlId(b, id);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

// Halfway between two colours, channel by channel: text that still reads
// but plainly is not the current word.
ColorRef Halfway(ColorRef a, ColorRef b)
{
    ColorRef mixed = 0;
    for (int shift = 0; shift < 24; shift += 8)
        mixed |= ((((a >> shift) & 0xff) + ((b >> shift) & 0xff)) / 2) << shift;
    return mixed;
}

} // namespace

CMainClockDlg* MainClockDlg()
{
    return g_pMainClockDlg;
}

CMainClockDlg::CMainClockDlg(CMainFrame* frame, SettingsStore& store, std::vector<TimeServer> servers,
                             Synchroniser& sync)
    : QDialog(frame, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                         | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_pFrame(frame), m_store(store), m_check(m_client, sync, *this, std::move(servers))
{
    g_pMainClockDlg = this;
    setWindowTitle(QStringLiteral("Vesk3"));
    setWindowIcon(AppIcon());
    LoadOptions(m_store);

    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    QPushButton* world = AddButton(this, res::main::IDC_WORLD, "세계시");
    QPushButton* setup = AddButton(this, res::main::IDC_SETUP, "설정");
    QPushButton* help = AddButton(this, res::main::IDC_HELP, "도움말");
    QPushButton* hide = AddButton(this, res::main::IDC_HIDE, "감추기");
    for (QPushButton* b : {world, setup, help, hide})
        top->addWidget(b);

    m_pClock = new CDigitalClock(this, QRect(QPoint(0, 0), kClockSize), res::main::IDC_CLOCK);
    m_pClock->setFixedSize(kClockSize);
    auto* clockFrame = new QFrame(this);   // the grey frame the clock sits in
    clockFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
    clockFrame->setStyleSheet(QStringLiteral("QFrame { color: #808080; }"));
    auto* clockBox = new QVBoxLayout(clockFrame);
    clockBox->setContentsMargins(1, 1, 1, 1);
    clockBox->addWidget(m_pClock);

    m_pCompare = AddButton(this, res::main::IDC_COMPARE, "비교");
    m_pSync = AddButton(this, res::main::IDC_SYNC, "동기");
    auto* side = new QVBoxLayout;
    side->addWidget(m_pCompare);
    side->addWidget(m_pSync);
    auto* middle = new QHBoxLayout;
    middle->addWidget(clockFrame);
    middle->addLayout(side);

    m_pMessage = new CColorLabel(this);
    SetControlId(m_pMessage, res::main::IDC_MESSAGE);
    m_pMessage->setAlignment(Qt::AlignCenter);
    m_pMessage->setMinimumHeight(22);
    QFont messageFont(QStringLiteral("NanumGothic"));
    messageFont.setPointSize(9);
    m_pMessage->setFont(messageFont);
    applyMessageColours();

    auto* banner = new QLabel(this);
    SetControlId(banner, res::main::IDC_BANNER);
    banner->setPixmap(BannerPixmap());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(4);
    layout->addLayout(top);
    layout->addLayout(middle);
    layout->addWidget(m_pMessage);
    layout->addWidget(banner, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_pCompare, &QPushButton::clicked, this, &CMainClockDlg::CompareRequest);
    connect(m_pSync, &QPushButton::clicked, this, &CMainClockDlg::SynchroniseRequest);
    connect(world, &QPushButton::clicked, this, &CMainClockDlg::ShowWorldTime);
    connect(help, &QPushButton::clicked, this, &CMainClockDlg::OpenInformationDialog);
    connect(setup, &QPushButton::clicked, this, &CMainClockDlg::ApplySettings);
    connect(hide, &QPushButton::clicked, this, &CMainClockDlg::Hide);
    connect(&m_timers, &WindowTimers::timeout, this, &CMainClockDlg::onTimer);
    connect(m_pClock, &CDigitalClock::popupMenuRequested, frame, &CMainFrame::ShowPopupMenu);

    runSettingsSheet = [](QWidget* parent) {
        CSetupSheet sheet(parent);
        sheet.exec();
    };
    runInformationDialog = [](QWidget* parent) {
        CClientInfoDlg dlg(parent);
        dlg.exec();
    };

    // The first run finds the window in the middle of the screen.
    if (!MoveToSaved(this, ReadWindowPos(m_store, kMainWindowPos)))
        CentreOnScreen(this);
    m_check.StartAutoSyncTimer();
    if (AutoCompare)
        CompareRequest();
    if (g_bAutoCOMM)
        m_timers.SetTimer(res::TIMER_TRANSMIT, transmitPeriodMs());
    SetTopmost(this, Top);
}

CMainClockDlg::~CMainClockDlg()
{
    // The worker talks to this window until it ends.
    m_check.Shutdown();
    if (g_pMainClockDlg == this)
        g_pMainClockDlg = nullptr;
}

void CMainClockDlg::CompareRequest()
{
    m_check.CompareRequest();
}

void CMainClockDlg::SynchroniseRequest()
{
    m_check.SynchroniseRequest();
}

void CMainClockDlg::ShowWorldTime()
{
    if (!m_pWorldTimeDlg) {
        const std::optional<Point> at = ReadWindowPos(m_store, kWorldTimeDlgPos);
        m_pWorldTimeDlg = new CWorldTimeDlg(this, &m_nSelectBlink);
        if (!m_pWorldTimeDlg->loaded()) {
            QCoreApplication::exit(0);   // the table file is gone: the program ends
            return;
        }
        connect(m_pWorldTimeDlg, &CWorldTimeDlg::showWorldClockRequested, m_pFrame,
                [this](int row, const QString& name) { m_pFrame->ShowWorldClock(row, name.toStdString()); });
        connect(m_pWorldTimeDlg, &CWorldTimeDlg::shownOrHidden, m_pFrame,
                &CMainFrame::ResetWorldClockCascade);
        MoveToSaved(m_pWorldTimeDlg, at);
    }
    m_pWorldTimeDlg->show();
    m_pWorldTimeDlg->raise();
    m_pWorldTimeDlg->activateWindow();
}

void CMainClockDlg::OpenInformationDialog()
{
    if (m_bHelpOpen)
        return;
    m_bHelpOpen = true;
    runInformationDialog(this);
    m_bHelpOpen = false;
}

void CMainClockDlg::ApplySettings()
{
    if (m_bSettingsOpen)
        return;
    m_bSettingsOpen = true;
    if (AutoCon)
        m_timers.KillTimer(res::TIMER_AUTOSYNC);
    const bool screenSaverBefore = SCR;
    runSettingsSheet(this);

    // Confirmed or cancelled, the options as the pages left them apply.
    applyMessageColours();
    m_check.StartAutoSyncTimer();
    // The desktop's screen saving is switched only when the user asked.
    if (SCR != screenSaverBefore)
        ApplyScreenSaverSetting(SCR);
    else
        WriteScreenSaverEntry(SCR);
    // Colours and the 24-hour mode show at once, not at the next second.
    m_pClock->update();
    m_pFrame->SlimClock()->update();
    m_pFrame->PlaceSlimClock();
    if (Small) {
        hide();
        m_pFrame->ShowSlimClock(true);
        g_nInitWin = kInitWinSlim;
    } else {
        m_pFrame->ShowSlimClock(false);
        ShowRestored(this);
        g_nInitWin = kInitWinMain;
    }
    SetTopmost(this, Top);
    m_pFrame->ApplyTransparencyToWorldClocks(TransWin);
    SaveOptions(m_store);
    m_store.Sync();
    m_bSettingsOpen = false;
}

void CMainClockDlg::RestartTransmissionTimer()
{
    m_timers.KillTimer(res::TIMER_TRANSMIT);
    if (g_bAutoCOMM)
        m_timers.SetTimer(res::TIMER_TRANSMIT, transmitPeriodMs());
}

std::int64_t CMainClockDlg::transmitPeriodMs() const
{
    return std::int64_t{g_nAutoConCommDur} * (g_bSelMorS ? 60000 : 1000);
}

void CMainClockDlg::Hide()
{
    saveWindowPos();
    m_store.Sync();
    g_nInitWin = kInitWinNone;
    g_bMainVisible = false;
    hideOrMinimise();
}

void CMainClockDlg::reject()
{
    hideOrMinimise();   // Esc hides; nothing is saved
}

void CMainClockDlg::hideOrMinimise()
{
    // Without a tray icon nothing could bring a hidden window back.
    if (m_pFrame->HasTray())
        hide();
    else
        showMinimized();
}

void CMainClockDlg::saveWindowPos()
{
    const Point corner = SavedCorner(this);
    WriteWindowPos(m_store, kMainWindowPos, corner.x, corner.y);
}

void CMainClockDlg::SaveState()
{
    if (m_pWorldTimeDlg) {
        const Point corner = SavedCorner(m_pWorldTimeDlg);
        WriteWindowPos(m_store, kWorldTimeDlgPos, corner.x, corner.y);
    }
    saveWindowPos();
    SaveLastSync(m_store);
    m_store.Sync();
}

void CMainClockDlg::closeEvent(QCloseEvent* event)
{
    // A check still running ends now, while the event loop runs, and what
    // it found is saved with the rest.
    m_check.Shutdown();
    SaveState();
    delete m_pWorldTimeDlg;
    m_pWorldTimeDlg = nullptr;
    if (AutoCon)
        m_timers.KillTimer(res::TIMER_AUTOSYNC);
    if (g_bAutoCOMM)
        m_timers.KillTimer(res::TIMER_TRANSMIT);
    event->accept();   // hides the window; it lives until the frame goes
    QMetaObject::invokeMethod(m_pFrame, &CMainFrame::close, Qt::QueuedConnection);
}

void CMainClockDlg::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        if (isMinimized()) {
            g_bMainVisible = false;
        } else if (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized) {
            g_bMainVisible = true;
            g_nInitWin = kInitWinMain;   // restored from the taskbar: showing again
        }
    }
    QDialog::changeEvent(event);
}

void CMainClockDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragStartRect = frameGeometry();
        m_dragStartCursor = event->globalPosition().toPoint();
        m_bDragging = true;
        grabMouse();
    }
    QDialog::mousePressEvent(event);
}

void CMainClockDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bDragging)
        move(m_dragStartRect.topLeft() + event->globalPosition().toPoint() - m_dragStartCursor);
    QDialog::mouseMoveEvent(event);
}

void CMainClockDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_bDragging) {
        m_bDragging = false;
        releaseMouse();
        saveWindowPos();
        m_store.Sync();
    }
    QDialog::mouseReleaseEvent(event);
}

void CMainClockDlg::contextMenuEvent(QContextMenuEvent* event)
{
    // The window menu's extra item, where a desktop gives no window menu.
    QMenu menu(this);
    QAction* about = menu.addAction(QStringLiteral("Client 정보(&A)..."));
    about->setData(res::main::IDM_ABOUTBOX);
    if (menu.exec(event->globalPos()) == about)
        OpenInformationDialog();
}

void CMainClockDlg::SetMessage(const std::string& text)
{
    const QString t = QString::fromStdString(text);
    QMetaObject::invokeMethod(this, [this, t] { m_pMessage->setText(t); });
}

void CMainClockDlg::SetCheckButtonsEnabled(bool enabled)
{
    QMetaObject::invokeMethod(this, [this, enabled] {
        m_pCompare->setEnabled(enabled);
        m_pSync->setEnabled(enabled);
        m_bMessageStale = !enabled;
        applyMessageColours();
    });
}

void CMainClockDlg::applyMessageColours()
{
    // While a check runs the last result shows greyed: it is not the new one.
    m_pMessage->SetLabelTextColor(m_bMessageStale ? Halfway(TxtColor2, BgColor2) : TxtColor2);
    m_pMessage->SetLabelBackColor(BgColor2);
}

void CMainClockDlg::SetTimer(int id, std::int64_t periodMs)
{
    QMetaObject::invokeMethod(this, [this, id, periodMs] { m_timers.SetTimer(id, periodMs); });
}

void CMainClockDlg::KillTimer(int id)
{
    QMetaObject::invokeMethod(this, [this, id] { m_timers.KillTimer(id); });
}

void CMainClockDlg::RunOnWindowThread(std::function<void()> work)
{
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void CMainClockDlg::onTimer(int id)
{
    switch (id) {
    case res::TIMER_AUTOSYNC: m_check.OnAutoSyncTimer(); break;
    case res::TIMER_BLINK: m_check.OnBlinkTimer(); break;
    case res::TIMER_TRANSMIT:
        if (onTransmitTimer)
            onTransmitTimer();
        break;
    default: break;
    }
}
