#pragma once
// SIGTERM, SIGHUP and SIGINT, with which a desktop session, a service
// manager or a terminal ends its programs, turned into a call on the GUI
// thread, so the program can save as it does at exit. The handler only
// writes the signal's number to a pipe that a QSocketNotifier reads: no
// other work is safe inside a signal handler.

#include <QObject>

#include <csignal>
#include <functional>

class QSocketNotifier;

class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSignals[] = {SIGINT, SIGHUP, SIGTERM};

    // Catches the signals from now on and calls onSignal with each one's
    // number on this object's thread. One instance at a time; false from
    // active() when no pipe could be made (the signals then end the
    // program as before).
    explicit TerminationSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    // The signals' earlier handlers come back.
    ~TerminationSignals() override;

    bool active() const { return m_notifier != nullptr; }

private:
    void readPipe();

    std::function<void(int)> m_onSignal;
    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};
