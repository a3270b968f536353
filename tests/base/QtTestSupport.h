#pragma once
// Shared pieces of the widget tests: readable Qt strings, and stand-ins for
// the message box and the browser.

#include <cstdint>
#include <ostream>
#include <string>

#include <QString>
#include <QStringList>
#include <QUrl>

#include <unistd.h>

#include "base/MessageBox.h"
#include "base/Options.h"
#include "base/UrlOpener.h"

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '{' << texts.join(QStringLiteral("\", \"")).toStdString() << '}';
}

// Puts the last synchronisation back as it was when it was made.
class LastSyncGuard
{
public:
    LastSyncGuard() = default;
    ~LastSyncGuard()
    {
        LastCon = m_lastCon;
        LastDiff = m_lastDiff;
        ServerID = m_serverId;
    }

private:
    std::int32_t m_lastCon = LastCon.load();
    double m_lastDiff = LastDiff.load();
    std::int32_t m_serverId = ServerID.load();
};

// Keeps every message box's text instead of showing it.
class MessageRecorder
{
public:
    MessageRecorder()
        : m_previous(SetMessageBoxHandler(
              [this](QWidget*, const QString& text, MessageIcon) { texts.append(text); }))
    {
    }
    ~MessageRecorder() { SetMessageBoxHandler(m_previous); }

    QStringList texts;

private:
    MessageBoxHandler m_previous;
};

// Records the pages the browser is asked to open and answers with success.
class BrowserStub
{
public:
    explicit BrowserStub(bool starts) : m_starts(starts)
    {
        m_previous = SetUrlOpener([this](const QUrl& url) {
            urls.append(url);
            return m_starts;
        });
    }
    ~BrowserStub() { SetUrlOpener(m_previous); }

    QList<QUrl> urls;

private:
    bool m_starts;
    UrlOpener m_previous;
};

// Runs in dir as working directory until it is destroyed.
class WorkingDirectory
{
public:
    explicit WorkingDirectory(const std::string& dir)
    {
        char buffer[4096];
        if (::getcwd(buffer, sizeof buffer) != nullptr)
            m_previous = buffer;
        m_ok = ::chdir(dir.c_str()) == 0;
    }
    ~WorkingDirectory()
    {
        if (!m_previous.empty() && ::chdir(m_previous.c_str()) != 0) {
            // Nothing to do: the next test sets its own directory.
        }
    }
    bool ok() const { return m_ok; }

private:
    std::string m_previous;
    bool m_ok = false;
};
