#include "schedule/QtScheduleHost.h"

#include "base/MessageBox.h"

QtScheduleHost::QtScheduleHost(SettingsStore& store, std::function<void(const AlarmNotice&)> showAlarm,
                               QObject* parent)
    : QObject(parent), m_store(store), m_showAlarm(std::move(showAlarm))
{
}

void QtScheduleHost::Post(std::function<void()> work)
{
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void QtScheduleHost::ShowAlarm(const AlarmNotice& notice)
{
    m_showAlarm(notice);
}

void QtScheduleHost::ShowMessage(const std::string& text)
{
    ::ShowMessage(nullptr, QString::fromStdString(text), MessageIcon::None);
}
