#pragma once
// The alarm thread's host in the windowed program: work it posts runs on
// the user-interface thread through Qt's event queue.

#include "schedule/CScheduleThread.h"

#include <QObject>

#include <functional>

class QtScheduleHost final : public QObject, public ScheduleHost
{
    Q_OBJECT
public:
    // showAlarm shows a pass's alarms (the frame's popup); store keeps
    // "SCH_SAVE_STAMP". Posted work still queued when the host is
    // destroyed is dropped.
    QtScheduleHost(SettingsStore& store, std::function<void(const AlarmNotice&)> showAlarm,
                   QObject* parent = nullptr);

    void Post(std::function<void()> work) override;
    void ShowAlarm(const AlarmNotice& notice) override;
    void ShowMessage(const std::string& text) override;
    SettingsStore& Store() override { return m_store; }

private:
    SettingsStore& m_store;
    std::function<void(const AlarmNotice&)> m_showAlarm;
};
