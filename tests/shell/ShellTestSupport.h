#pragma once
// The fixture of the shell's window tests: a temporary installation
// directory with a small world time table, an in-memory settings store, a
// synchronise that sets a fake clock in this process, and message boxes
// recorded instead of shown.

#include "base/MessageBox.h"
#include "base/Options.h"
#include "base/SettingsStore.h"
#include "shell/CClientInfoDlg.h"
#include "shell/CClockApp.h"
#include "shell/CMainClockDlg.h"
#include "shell/CMainFrame.h"

#include "base/ControlId.h"
#include "clocks/CClockWnd.h"
#include "clocks/CColorLabel.h"
#include "clocks/CDigitalClock.h"
#include "resources/ResourceIds.h"

#include "FakeClock.h"
#include "FakeSntpServer.h"
#include "LocalSynchroniser.h"

#include <QApplication>
#include <QMenu>
#include <QRegularExpression>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

// Readable failures for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace fs = std::filesystem;


// Waits up to ms for cond, running the event loop meanwhile.
template <typename F>
inline bool WaitFor(F cond, int ms = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(5);
    }
    return true;
}

class ShellTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldDir = fs::current_path();
        m_dir = fs::temp_directory_path() / ("vesk-shell-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        fs::current_path(m_dir);
        std::ofstream(m_dir / "세계시간표.txt") << "유럽 1\nLondon -540 2 1\n"
                                              << "a 0\nb 0\nc 0\nd 0\ne 0\nf 0\ng 0\n";
        m_messages.clear();
        SetMessageBoxHandler([this](QWidget*, const QString& text, MessageIcon) { m_messages << text; });
        // No compare at start unless a test wants one; timers as stored.
        Seed("AutoCompare", 0);
    }
    void TearDown() override
    {
        m_frame.reset();
        SetMessageBoxHandler(nullptr);
        fs::current_path(m_oldDir);
        fs::remove_all(m_dir);
    }

    void Seed(const std::string& name, int value) { m_store.values()[name] = value; }

    CMainFrame& Frame(std::vector<TimeServer> servers = {})
    {
        if (servers.empty())
            servers = {{"127.0.0.1", ClosedLoopbackPort()}};
        m_frame.reset();
        m_sync = std::make_unique<LocalSynchroniser>(m_clock, servers, 2000);
        m_frame = std::make_unique<CMainFrame>(m_store, servers, *m_sync);
        // The offscreen platform has no tray; the desktop under test has one.
        m_frame->trayAvailable = [this] { return m_tray; };
        return *m_frame;
    }
    CMainClockDlg& Main() { return *m_frame->MainWindow(); }
    std::vector<CClockWnd*> WorldWindows()
    {
        std::vector<CClockWnd*> out;
        for (CClockWnd* w : m_frame->ClockWindows())
            if (!w->m_bKorea)
                out.push_back(w);
        return out;
    }
    QPushButton* Button(int id) { return FindControl<QPushButton>(&Main(), id); }
    QString Message() { return FindControl<CColorLabel>(&Main(), res::main::IDC_MESSAGE)->text(); }
    int Stored(const std::string& name)
    {
        const auto it = m_store.values().find(name);
        return it == m_store.values().end() ? -9999 : std::get<std::int32_t>(it->second);
    }

    fs::path m_oldDir, m_dir;
    MemorySettingsStore m_store;
    FakeClock m_clock;
    std::unique_ptr<LocalSynchroniser> m_sync;
    std::unique_ptr<CMainFrame> m_frame;
    QStringList m_messages;
    bool m_tray = true;
};
