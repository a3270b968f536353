#pragma once
// Desktop notifications over the session bus (org.freedesktop.Notifications),
// the way alarms reach the user where the alarm popup has no place.

#include "schedule/AlarmNotification.h"

#include <QObject>

class DBusAlarmNotifier final : public QObject, public AlarmNotifier
{
    Q_OBJECT
public:
    explicit DBusAlarmNotifier(QObject* parent = nullptr);

    // Asks the service for its capabilities first: no answer (no bus, no
    // service, or none within kAnswerMs) is the cue for unanswered. Each
    // notification carries the program's icon and names its menu entry.
    void Notify(const AlarmNotice& notice, std::function<void()> unanswered) override;

    static constexpr int kAnswerMs = 3000;    // a service started on demand needs a moment
    static constexpr int kExpireMs = 15000;   // as long as the popup stays out
};
