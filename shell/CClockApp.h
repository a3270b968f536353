#pragma once
// Start-up: the checks before anything is made, the single instance, the
// settings store, the hidden frame and the restore of the last run.

#include "time/Compare.h"

#include <memory>
#include <optional>
#include <vector>

class CMainFrame;
class FolderLock;
class QApplication;
class QSocketNotifier;
class QtSettingsStore;
class Synchroniser;

class CClockApp
{
public:
    // servers: the time servers to ask instead of the system's own, which
    // only the test launcher gives; a synchronise hands them to the helper.
    explicit CClockApp(std::vector<TimeServer> servers = {});
    ~CClockApp();

    // Runs start-up; an exit code when the program must end at once
    // (0 for a wrong working directory or a missing table, 1 for a second
    // copy, a folder that cannot be made or is not the user's own, or a
    // lock that cannot be made), nothing when the event loop should run.
    // A second copy first asks the running one to show its main window.
    std::optional<int> InitInstance();

    CMainFrame* Frame() const { return m_pFrame.get(); }

private:
    std::vector<TimeServer> m_servers;
    std::unique_ptr<Synchroniser> m_sync;
    std::unique_ptr<FolderLock> m_lock;
    int m_showFd = -1;                          // requests to show the main window
    std::unique_ptr<QSocketNotifier> m_showNotifier;
    std::unique_ptr<QtSettingsStore> m_store;
    std::unique_ptr<CMainFrame> m_pFrame;
};

// What every window of the program shares, set before the first one shows:
// the program's icon (message boxes too), dialogs that open in sight, and
// Qt's own texts (standard buttons, the colour chooser) in Korean. False
// when Qt's Korean translations are not installed.
bool SetUpApplication(QApplication& app);

// The program: start-up and the event loop, with the time servers given
// (none: the system's own). The end of the desktop session and SIGTERM,
// SIGHUP or SIGINT save as the exit does. The exit code.
int RunVesk(int argc, char** argv, std::vector<TimeServer> servers);
