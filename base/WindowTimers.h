#pragma once
// A window's numbered timers, as the program's logic starts and stops them.
// Periods go up to 100 days (144000 minutes), beyond QTimer's int range, so
// long periods run in steps of at most a day.

#include <QObject>

#include <cstdint>
#include <map>

class QTimer;

class WindowTimers : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts timer id with the given period, restarting it if it runs.
    void SetTimer(int id, std::int64_t periodMs);
    void KillTimer(int id);
    bool IsRunning(int id) const;
    // The period of a running timer in ms, -1 when it is stopped.
    std::int64_t Period(int id) const;

signals:
    void timeout(int id);

private:
    struct Entry
    {
        QTimer* timer = nullptr;
        std::int64_t period = 0;   // ms
        std::int64_t left = 0;     // ms of this period still to run
    };
    void arm(int id, Entry& e);
    void step(int id);

    std::map<int, Entry> m_timers;
};
