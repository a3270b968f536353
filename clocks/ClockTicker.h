#pragma once
// The one timer behind every clock face: it fires just after each second
// boundary of the system clock, re-armed from the clock each time so it
// never drifts, and runs only while some face listens. A face with nothing
// to show costs nothing, and a second appears within a few milliseconds of
// its boundary.

#include <QObject>
#include <QTimer>

#include <ctime>
#include <functional>
#include <map>

class ClockTicker : public QObject
{
    Q_OBJECT
public:
    // The program's one ticker (GUI thread only).
    static ClockTicker& Instance();

    // Calls onSecond on face's thread after each new second until Detach or
    // until face is destroyed; attaching again replaces the call.
    void Attach(QObject* face, std::function<void()> onSecond);
    void Detach(QObject* face);
    // Faces attached now.
    int Faces() const { return static_cast<int>(m_faces.size()); }
    bool IsRunning() const { return m_timer.isActive(); }

signals:
    // A new second began; now is the system clock's time in whole seconds.
    void second(std::time_t now);

private:
    ClockTicker();
    void arm();
    void fire();
    void faceDestroyed(QObject* face) { Detach(face); }

    QTimer m_timer;
    std::time_t m_lastSecond = 0;
    std::map<QObject*, QMetaObject::Connection> m_faces;
};
