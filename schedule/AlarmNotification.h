#pragma once
// Alarms as desktop notifications, for desktops where the alarm popup has
// no panel to rise from or no tray beside it: one notification per alarm,
// its summary the alarm's label and its body the memo.

#include "schedule/CScheduleThread.h"

#include <functional>
#include <string>
#include <vector>

// One notification's texts, UTF-8.
struct DesktopNotice
{
    std::string summary;
    std::string body;  // with markup escaped when the service reads markup
};

// The notifications of a pass's alarms, in its order. markup: the service
// reads the body as markup, so "&", "<" and ">" of a memo are escaped.
std::vector<DesktopNotice> AlarmNotifications(const AlarmNotice& notice, bool markup);

// Where the notifications go (the desktop's notification service).
class AlarmNotifier
{
public:
    virtual ~AlarmNotifier() = default;
    // Sends the alarms of notice and returns at once. unanswered runs later,
    // once, on the calling thread, when no notification service took them;
    // the caller then shows them itself.
    virtual void Notify(const AlarmNotice& notice, std::function<void()> unanswered) = 0;
};
