#pragma once
// Shared pieces of the settings sheet tests: the options the environment
// page edits, and stand-ins for the message box, colour chooser and browser.

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>
#include <QUrl>

#include <unistd.h>

#include "shell/CEnvDlg.h"
#include "base/MessageBox.h"
#include "base/Options.h"
#include "base/UrlOpener.h"
#include "time/CInfoDlg.h"

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '{' << texts.join(QStringLiteral("\", \"")).toStdString() << '}';
}

// The options the environment page reads and writes, as one value.
struct EnvOptions
{
    bool autoCon = true;
    std::int32_t autoConDuration = 60;
    bool autoCompare = true;
    bool beep = false;
    bool scr = false;
    ColorRef bgColor = 0x000000;
    ColorRef txtColor = 0x00FF00;
    ColorRef bgColor2 = 0x808080;
    ColorRef txtColor2 = 0x00FFFF;
    bool blink = true;
    bool log = false;
    bool top = true;
    bool small = false;
    bool mode24 = false;
    bool transWin = false;

    static EnvOptions current()
    {
        return {AutoCon, AutoConDuration, AutoCompare, Beep, SCR, BgColor, TxtColor, BgColor2,
                TxtColor2, Blink, Log, Top, Small, b24Mode, TransWin};
    }
    void makeCurrent() const
    {
        AutoCon = autoCon;
        AutoConDuration = autoConDuration;
        AutoCompare = autoCompare;
        Beep = beep;
        SCR = scr;
        BgColor = bgColor;
        TxtColor = txtColor;
        BgColor2 = bgColor2;
        TxtColor2 = txtColor2;
        Blink = blink;
        Log = log;
        Top = top;
        Small = small;
        b24Mode = mode24;
        TransWin = transWin;
    }
    bool operator==(const EnvOptions&) const = default;
};

// Puts the options back as they were when it was made.
class OptionsGuard
{
public:
    OptionsGuard() = default;
    ~OptionsGuard()
    {
        m_env.makeCurrent();
        LastCon = m_lastCon;
        LastDiff = m_lastDiff;
        ServerID = m_serverId;
    }

private:
    EnvOptions m_env = EnvOptions::current();
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

// Answers the colour chooser with a fixed colour (nothing: cancelled) and
// can look at the page while the chooser is "open".
class ChooserStub
{
public:
    explicit ChooserStub(std::optional<ColorRef> answer) : m_answer(answer)
    {
        m_previous = SetColorChooser([this](QWidget*, ColorRef initial) {
            initials.push_back(initial);
            if (whileOpen)
                whileOpen();
            return m_answer;
        });
    }
    ~ChooserStub() { SetColorChooser(m_previous); }

    std::vector<ColorRef> initials;
    std::function<void()> whileOpen;

private:
    std::optional<ColorRef> m_answer;
    ColorChooser m_previous;
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
