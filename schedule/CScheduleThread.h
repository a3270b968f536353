#pragma once
// The alarm thread: it loads the schedule book, sleeps until the next
// point at which an alarm may be due (or an edit, or a step of the system
// clock), checks every entry then, hands the alarms it finds to the
// user-interface thread and sounds them, and saves the book after every
// change and when it stops.

#include "schedule/AlarmClock.h"
#include "schedule/Schedule.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class SettingsStore;
class SoundOutput;

// One alarm of a pass: its label ("[5분전]") and the entry's memo, UTF-8.
struct AlarmLine
{
    std::string label;
    std::string memo;
};

// The alarms of one pass: text lines "%s %s\r\n" (label, memo) for the
// popup and HTML lines "%s %s<br>" (timed label, memo escaped) for its
// page, UTF-8; and the same alarms one by one, since a memo may itself
// hold line breaks.
struct AlarmNotice
{
    std::string text;
    std::string html;
    std::vector<AlarmLine> lines;

    bool empty() const { return text.empty(); }
};

// "[알림]", "[1분전]" ... "[1시간전]", by lead index.
const char* AlarmLabel(int lead);
// The timed label of lead index for an alarm at alarmTime:
// "[5분전]-[09:05:00]", "[알림]-[지금:09:05:00]" (the alarm's own time).
std::string TimedAlarmLabel(int lead, std::time_t alarmTime);

// What one pass needs to know of its time T, worked out once per pass.
struct PassTime
{
    explicit PassTime(std::time_t T);

    std::time_t now;           // T
    std::time_t neverChecked;  // NeverCheckedTime()
    std::time_t yearStart;     // first second of T's local year
    std::time_t nextYearStart; // first second of the year after
};

// Checks entry E against the window from its last check to T (both ends
// included; the last check becomes T + 1) and returns the text line of the
// alarm it gives, or "" for none; H becomes the alarm's HTML line. Of
// several points in one window all are marked fired but only the last (the
// smallest lead, or the alarm itself) is reported. When a recurring
// entry's alarm time is in the window, C becomes the done record of that
// occurrence and E moves on to its next one. An entry never checked starts
// its window at T; an entry whose alarm time is before its window or not
// in T's year gives nothing (a recurring one moves on to its first
// occurrence from T). After the clock went back, a recurring entry more
// than a period ahead of T that was moved there before the last check
// comes back to its first occurrence from T.
std::string CheckDue(CSchedueleStructure& E, std::time_t T, std::string& H, CSchedueleStructure& C);
std::string CheckDue(CSchedueleStructure& E, const PassTime& T, std::string& H,
                     CSchedueleStructure& C);

// One pass over g_pScheduleList at time T, under g_csScheduleList: every
// entry not done is checked; a recurring entry that gave its alarm leaves
// its done copy behind it and the walk starts again from the head.
AlarmNotice AlarmPass(std::time_t T);

// The first second after T at which a pass over list may give an alarm,
// for a list that has just had its pass at T: of the entries not done, the
// earliest point from T on of a switch that is on and has not fired, or
// the time of a recurring entry (it moves on then); the largest time when
// there is none. Passes only at these points give the same alarms at the
// same seconds as a pass every second. Call it under g_csScheduleList.
std::time_t NextAlarmPoint(const ScheduleList& list, std::time_t T);

// The alarm sound as the options choose it.
struct AlarmSound
{
    bool on = false;        // g_bAalramWave
    bool userFile = false;  // WaveEmile: the user's file rather than the built-in one
    std::string file;       // WaveFileName
};

inline constexpr const char* kAlarmWaveFile = "emile.wav";  // beside the program
constexpr unsigned kAlarmBeepHz = 440;
constexpr unsigned kAlarmBeepMs = 50;
// The alarm falls on a second, as the clock's tick does: it waits the tick
// out rather than give way to it.
constexpr std::chrono::milliseconds kAlarmWaitsForTick{1000};

// The options' alarm sound; call it on the thread that owns the options.
AlarmSound AlarmSoundFromOptions();

// Plays the alarm sound to its end: nothing when it is off, else dir's
// emile.wav or the user's file, after a sound already playing (a tick) has
// ended, and when that cannot be played the 440 Hz beep of 50 ms
// (PlayBeep). True when something was played.
bool PlayAlarmSound(const AlarmSound& sound, const std::string& dir, SoundOutput& output);

// The program around the alarm thread. Post is called on the alarm thread;
// the others run on the user-interface thread, inside work given to Post.
class ScheduleHost
{
public:
    virtual ~ScheduleHost() = default;
    // Runs work on the user-interface thread later and returns at once. Work
    // may be dropped when that thread is ending.
    virtual void Post(std::function<void()> work) = 0;
    // Shows the alarms of one pass (the frame's alarm popup).
    virtual void ShowAlarm(const AlarmNotice& notice) = 0;
    // Shows a message box with text.
    virtual void ShowMessage(const std::string& text) = 0;
    // The store "SCH_SAVE_STAMP" is kept in.
    virtual SettingsStore& Store() = 0;
    // The alarm sound the options choose now.
    virtual AlarmSound CurrentAlarmSound() { return AlarmSoundFromOptions(); }
};

// The thread. Construct and Start on the user-interface thread; Stop there
// too, or let the destructor stop it.
class CScheduleThread
{
public:
    // dir: the folder of the schedule files and emile.wav. clock: what the
    // thread reads the time from and sleeps on (tests pass a fake one);
    // nullptr: the system clock.
    CScheduleThread(ScheduleHost& host, SoundOutput& sound, std::string dir = ".",
                    AlarmClock* clock = nullptr);
    ~CScheduleThread();
    CScheduleThread(const CScheduleThread&) = delete;
    CScheduleThread& operator=(const CScheduleThread&) = delete;

    // Reads "SCH_SAVE_STAMP" and starts the thread: it loads the book, then
    // makes a pass at each NextAlarmPoint, after a step of the clock and
    // after NotifyScheduleChanged, saving the book after a pass that gave
    // an alarm and at once after a change. Each save is reported with
    // ReportBookSave; a failed one is tried again a second later.
    void Start();
    // Clears m_bRun and waits, looking every 10 ms, until the thread has
    // saved the book and set m_bFinished. A pass under way ends first, with
    // its sound; a notice still waiting for the user-interface thread is
    // dropped, so the wait never depends on that thread. The caller must do
    // nothing else meanwhile: the thread writes the stamp to the store.
    void Stop();

    // Whether the book has been loaded since Start.
    bool IsLoaded() const { return m_bLoaded; }

    std::atomic<bool> m_bRun{true};
    std::atomic<bool> m_bFinished{false};

    static constexpr int kPassIntervalMs = 10;  // ms between looks at a flag while waiting
    static constexpr int kSaveRetryS = 1;  // s until a failed save is tried again
    // s: the longest sleep. A step of the clock in the moment between a
    // pass and the sleep after it goes unseen; this bounds what it costs.
    static constexpr std::time_t kMaxSleepS = 60 * 60;

private:
    void Run();
    // Hands notice to the user-interface thread and waits until it was
    // shown or a stop was asked for; the sound the options chose then, or
    // nothing when the notice was dropped.
    std::optional<AlarmSound> Deliver(const AlarmNotice& notice);
    // Saves the book; false (and a retry later) when it could not.
    bool Save(bool stopping);

    ScheduleHost& m_host;
    SoundOutput& m_sound;
    const std::string m_dir;
    std::unique_ptr<AlarmClock> m_ownClock;  // the system clock, unless given one
    AlarmClock& m_clock;
    std::int32_t m_nSaveStamp = 0;  // year of the last save, as stored
    bool m_bMaySave = true;         // false when the live file could not be read
    std::atomic<bool> m_bLoaded{false};
    std::thread m_thread;
};
