#pragma once
// Desktop notifications over the session bus (org.freedesktop.Notifications),
// the way alarms reach the user where the alarm popup has no place.

#include "schedule/AlarmNotification.h"

#include <QObject>

#include <map>
#include <string>

class DBusAlarmNotifier final : public QObject, public AlarmNotifier
{
    Q_OBJECT
public:
    explicit DBusAlarmNotifier(QObject* parent = nullptr);

    // Asks the service for its capabilities first: no answer (no bus, no
    // service, or none within kAnswerMs) is the cue for unanswered. Each
    // notification carries the program's icon, names its menu entry and,
    // clicked, opens the alarm page as a click on the popup does.
    void Notify(const AlarmNotice& notice, std::function<void()> unanswered) override;

    static constexpr int kAnswerMs = 3000;    // a service started on demand needs a moment
    static constexpr int kExpireMs = 15000;   // as long as the popup stays out

private Q_SLOTS:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

private:
    void Listen();

    bool m_bListening = false;
    std::map<uint, std::string> m_pages;  // notification id: its pass's HTML lines
};
