#include "shell/CClockApp.h"

#include "base/MessageBox.h"
#include "base/QtSettingsStore.h"
#include "clocks/WorldTime.h"
#include "shell/CMainFrame.h"
#include "time/ClockSetter.h"
#include "time/Compare.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>

#include <cstdlib>
#include <sstream>

namespace {

constexpr const char* kNotInstallDirMessage =
    "실행디렉토리가 아닙니다.\n\n혹, 윈도우 탐색기에서 실행파일을 다른 곳으로  드래그앤드룹하셨습니까? "
    "\t\t\t\t           \n\n실행파일을 설치된 디렉토리로 이동시키고, \"바로가기만들기\" 아이콘을 "
    "생성하여 사용하십시요!!!";

} // namespace

std::vector<TimeServer> TimeServersForRun()
{
    const char* list = std::getenv("VESK_TEST_TIME_SERVERS");
    if (!list || !*list)
        return DefaultTimeServers();
    std::vector<TimeServer> servers;
    std::istringstream in(list);
    for (std::string word; in >> word;)
        if (const auto s = ParseTimeServer(word))
            servers.push_back(*s);
    return servers.empty() ? DefaultTimeServers() : servers;
}

CClockApp::CClockApp() = default;

CClockApp::~CClockApp() = default;

std::optional<int> CClockApp::InitInstance()
{
    // Run from anywhere but the installation directory, nothing else is made.
    if (!QFile(QString::fromUtf8(kWorldTimeFileName)).open(QIODevice::ReadOnly)) {
        ShowMessage(nullptr, QString::fromUtf8(kNotInstallDirMessage), MessageIcon::Information);
        return 0;
    }

    // The right to set the clock is raised only around the setting itself.
    DropTimeCapabilityAtStart();

    QString runtimeDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtimeDir.isEmpty())
        runtimeDir = QDir::tempPath();
    m_lock = std::make_unique<QLockFile>(runtimeDir + QStringLiteral("/Vesk3.lock"));
    // Never stale by age (a copy may run for months); a crashed copy's lock
    // is taken over because its PID is gone.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        ShowMessage(nullptr, QStringLiteral("이미 실행중인 프로그램이 있습니다"), MessageIcon::Information);
        return 1;
    }

    m_store = std::make_unique<QtSettingsStore>();
    m_pFrame = std::make_unique<CMainFrame>(*m_store, TimeServersForRun(), SystemClockSetter());
    m_pFrame->hide();
    if (!m_pFrame->RestoreWindows())
        return 0;
    return std::nullopt;
}
