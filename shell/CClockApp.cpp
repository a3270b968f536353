#include "shell/CClockApp.h"

#include "base/MessageBox.h"
#include "base/QtSettingsStore.h"
#include "base/UserPaths.h"
#include "base/WindowPlacement.h"
#include "clocks/WorldTime.h"
#include "resources/Art.h"
#include "shell/CMainFrame.h"
#include "shell/ProgramFolder.h"
#include "shell/SingleCopy.h"
#include "shell/TerminationSignals.h"
#include "time/HelperSynchroniser.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTranslator>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace {

constexpr const char* kNotInstallDirMessage =
    "실행디렉토리가 아닙니다.\n\n혹, 윈도우 탐색기에서 실행파일을 다른 곳으로  드래그앤드룹하셨습니까? "
    "\t\t\t\t           \n\n실행파일을 설치된 디렉토리로 이동시키고, \"바로가기만들기\" 아이콘을 "
    "생성하여 사용하십시요!!!";

// How long a second start waits for the running copy to show itself.
constexpr int kShowWaitMs = 2000;

// The lock that keeps a second copy out could not be made at all: why, in
// the system's words.
QString LockFailureText(int err)
{
    const QString lockPath = QDir::current().absoluteFilePath(QString::fromUtf8(kLockFileName));
    return QStringLiteral("실행 잠금 파일을 만들 수 없습니다.\n\n%1\n%2")
        .arg(lockPath, QString::fromLocal8Bit(std::strerror(err)));
}

} // namespace

CClockApp::CClockApp(std::vector<TimeServer> servers) : m_servers(std::move(servers))
{
}

CClockApp::~CClockApp()
{
    m_showNotifier.reset();
    if (m_showFd >= 0) {
        ::close(m_showFd);
        ::unlink(kShowSocketName);   // still the lock's holder: the socket is ours
    }
}

std::optional<int> CClockApp::InitInstance()
{
    // Installed, the program runs in the user's own folder, filled from the
    // shared data files.
    if (const std::string failure = EnterUserFolder(ProgramDirectory()); !failure.empty()) {
        ShowMessage(nullptr, QString::fromStdString(failure), MessageIcon::Warning);
        return 1;
    }

    // Run from anywhere but the installation directory, nothing else is made.
    if (!QFile(QString::fromUtf8(kWorldTimeFileName)).open(QIODevice::ReadOnly)) {
        ShowMessage(nullptr, QString::fromUtf8(kNotInstallDirMessage), MessageIcon::Information);
        return 0;
    }

    if (const std::string fault = CheckWorkingFolder(); !fault.empty()) {
        ShowMessage(nullptr, QString::fromStdString(fault), MessageIcon::Warning);
        return 1;
    }

    m_lock = std::make_unique<FolderLock>();
    switch (m_lock->Lock()) {
    case FolderLock::Result::Locked:
        break;
    case FolderLock::Result::Held:
        // The running copy comes forward first, so this message opens
        // above it; on a desktop without a tray it is the way back.
        AskRunningCopyToShow(kShowWaitMs);
        ShowMessage(nullptr, QStringLiteral("이미 실행중인 프로그램이 있습니다"), MessageIcon::Information);
        return 1;
    case FolderLock::Result::Failed:
        ShowMessage(nullptr, LockFailureText(errno), MessageIcon::Warning);
        return 1;
    }
    // Requests queue from now on; they are served once the frame exists.
    // Without the socket a second start is still refused, only not shown.
    m_showFd = ListenForShowRequests();
    if (const std::string notice = RepairWorldTimeTable(ProgramDirectory()); !notice.empty())
        ShowMessage(nullptr, QString::fromStdString(notice), MessageIcon::Information);

    // The clock is set by the helper beside the program, never by this
    // process; given servers go to it as arguments.
    std::vector<std::string> helperArgs;
    for (const TimeServer& s : m_servers)
        helperArgs.push_back(FormatTimeServer(s));
    m_sync = std::make_unique<HelperSynchroniser>(HelperBesideProgram(), std::move(helperArgs));
    m_store = std::make_unique<QtSettingsStore>();
    m_pFrame = std::make_unique<CMainFrame>(
        *m_store, m_servers.empty() ? DefaultTimeServers() : m_servers, *m_sync);
    m_pFrame->hide();
    if (!m_pFrame->RestoreWindows())
        return 0;
    if (m_showFd >= 0) {
        m_showNotifier = std::make_unique<QSocketNotifier>(m_showFd, QSocketNotifier::Read);
        QObject::connect(m_showNotifier.get(), &QSocketNotifier::activated, m_pFrame.get(), [this] {
            ServeShowRequest(m_showFd, [this] { m_pFrame->ShowMainWindow(); });
        });
    }
    return std::nullopt;
}

bool SetUpApplication(QApplication& app)
{
    app.setWindowIcon(AppIcon());
    app.setQuitOnLastWindowClosed(false);   // the tray keeps the program alive
    KeepDialogsInSight(app);
    auto* qtTexts = new QTranslator(&app);
    if (!qtTexts->load(QStringLiteral("qtbase_ko"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qtTexts;
        return false;
    }
    app.installTranslator(qtTexts);
    return true;
}

int RunVesk(int argc, char** argv, std::vector<TimeServer> servers)
{
    // Saved window positions and topmost windows need X11; under a Wayland
    // session ask for XWayland unless the user chose a platform.
    const char* session = std::getenv("XDG_SESSION_TYPE");
    if (session && !std::strcmp(session, "wayland") && !std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);

    // The clock windows are small and redrawn every second: with shared
    // memory images the X server answers every redraw with an event, which
    // wakes the program once a window a second for nothing. Only the X
    // connection made now reads this; programs started later do not inherit it.
    ::setenv("QT_XCB_NO_MITSHM", "1", 1);
    QApplication app(argc, argv);
    ::unsetenv("QT_XCB_NO_MITSHM");
    SetUpApplication(app);

    CClockApp clockApp(std::move(servers));
    if (const auto code = clockApp.InitInstance())
        return *code;
    CMainFrame* frame = clockApp.Frame();
    QObject::connect(frame, &CMainFrame::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    // Logging out, a shutdown or a kill saves what the exit saves.
    TerminationSignals terminate([frame](int) { frame->EndSession(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, frame,
                     [frame](QSessionManager&) { frame->SaveSession(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, frame, &CMainFrame::EndSession);
    return app.exec();
}
