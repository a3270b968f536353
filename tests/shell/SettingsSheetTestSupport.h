#pragma once
// Shared pieces of the settings sheet tests: the options the environment
// page edits and a stand-in for the colour chooser.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "QtTestSupport.h"
#include "base/Options.h"
#include "shell/CEnvDlg.h"

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
    ~OptionsGuard() { m_env.makeCurrent(); }

private:
    LastSyncGuard m_lastSync;
    EnvOptions m_env = EnvOptions::current();
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
