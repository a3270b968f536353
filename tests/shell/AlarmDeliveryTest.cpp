// Where the frame sends an alarm when no panel at the bottom holds a tray
// (the offscreen screen has none): to the desktop's notifications, and
// when no notification service answers, to a popup at the bottom right of
// the work area, so the alarm is never lost.

#include "ShellTestSupport.h"

#include "schedule/AlarmNotification.h"
#include "schedule/CAlarmPopup.h"
#include "sound/Sound.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

struct FakeNotifier : AlarmNotifier
{
    std::vector<AlarmNotice> sent;
    std::vector<std::function<void()>> unanswered;

    void Notify(const AlarmNotice& notice, std::function<void()> noAnswer) override
    {
        sent.push_back(notice);
        unanswered.push_back(std::move(noAnswer));
    }
};

const AlarmNotice kNotice{"[알림] 회의\r\n", "[알림]-[지금:09:00:00] 회의<br>", {{"[알림]", "회의"}}};

// The popup at the bottom right of the work area once it has risen whole.
bool RisenInTheCorner(CMainFrame& frame)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect corner(area.right() + 1 - kAlarmPopupWidth, area.bottom() + 1 - 5 - kAlarmPopupHeight,
                       kAlarmPopupWidth - 10, kAlarmPopupHeight);
    return WaitFor([&] {
        const auto popups = frame.findChildren<CAlarmPopup*>();
        return popups.size() == 1 && popups[0]->geometry() == corner;
    });
}

} // namespace

TEST_F(ShellTest, AlarmWithoutABottomPanelIsANotificationOrElseAPopup)
{
    FakeNotifier notifier;
    Frame().alarmNotifier = &notifier;
    m_frame->ShowAlarmPopup(kNotice);
    ASSERT_EQ(notifier.sent.size(), 1u);
    EXPECT_EQ(notifier.sent[0].lines.at(0).memo, "회의");
    EXPECT_TRUE(m_frame->findChildren<CAlarmPopup*>().isEmpty());

    notifier.unanswered[0]();
    ASSERT_TRUE(RisenInTheCorner(*m_frame));
    EXPECT_EQ(m_frame->findChildren<CAlarmPopup*>()[0]->m_strHtml, kNotice.html);

    // The program's own notifier, with no session bus to reach: the popup.
    Frame();
    m_frame->ShowAlarmPopup(kNotice);
    EXPECT_TRUE(RisenInTheCorner(*m_frame));
}

// Where no tone can be heard the program's beeps are the desktop's bell,
// for as long as the frame is there to ring it.
TEST_F(ShellTest, WithoutASoundDeviceTheBeepIsTheBell)
{
    struct NoDevice : SoundOutput
    {
        bool Play(const WavSound&) override { return false; }
    } noDevice;
    Frame();
    EXPECT_TRUE(PlayBeep(440, 50, noDevice));
    m_frame.reset();
    EXPECT_FALSE(PlayBeep(440, 50, noDevice));
}
