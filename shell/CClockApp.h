#pragma once
// Start-up: the checks before anything is made, the single instance, the
// settings store, the hidden frame and the restore of the last run.

#include <QLockFile>

#include <memory>
#include <optional>

class CMainFrame;
class QtSettingsStore;

class CClockApp
{
public:
    CClockApp();
    ~CClockApp();

    // Runs start-up; an exit code when the program must end at once
    // (0 for a wrong working directory or a missing table, 1 for a second
    // copy), nothing when the event loop should run.
    std::optional<int> InitInstance();

    CMainFrame* Frame() const { return m_pFrame.get(); }

private:
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QtSettingsStore> m_store;
    std::unique_ptr<CMainFrame> m_pFrame;
};

// The time servers: the system's own, or for tests the list in the
// environment variable VESK_TEST_TIME_SERVERS ("host:port host:port").
std::vector<struct TimeServer> TimeServersForRun();
