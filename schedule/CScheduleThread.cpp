#include "schedule/CScheduleThread.h"

#include "base/DateText.h"
#include "base/Options.h"
#include "schedule/ScheduleBook.h"
#include "schedule/ScheduleFile.h"
#include "schedule/ScheduleView.h"
#include "sound/Sound.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>

namespace {

constexpr const char* kLabels[kLeadCount] = {
    "[알림]", "[1분전]", "[5분전]", "[10분전]", "[15분전]", "[30분전]", "[45분전]", "[1시간전]",
};
constexpr const char* kTimedLabels[kLeadCount] = {
    "[알림]-[지금:%2d:%2d:%2d]", "[1분전]-[%2d:%2d:%2d]",  "[5분전]-[%2d:%2d:%2d]",
    "[10분전]-[%2d:%2d:%2d]",    "[15분전]-[%2d:%2d:%2d]", "[30분전]-[%2d:%2d:%2d]",
    "[45분전]-[%2d:%2d:%2d]",    "[1시간전]-[%2d:%2d:%2d]",
};

constexpr std::time_t kMaxLead = 60 * 60;  // s, the earliest point before an alarm

// Records the lead's alarm in text and H; each firing replaces the one
// before, so of several points in one window the last is reported.
void Fire(CSchedueleStructure& E, int lead, std::string& text, std::string& H)
{
    H = HtmlLine(TimedAlarmLabel(lead, E.m_tAlarm), E.m_strMemo);
    text = std::string(kLabels[lead]) + " " + E.m_strMemo + "\r\n";
    E.m_bFired[lead] = 1;
}

// What the posted notice reports back: the sound chosen when it was shown.
struct Receipt
{
    std::mutex mutex;
    std::condition_variable shown;
    std::optional<AlarmSound> sound;
};

} // namespace

const char* AlarmLabel(int lead)
{
    return lead >= 0 && lead < kLeadCount ? kLabels[lead] : "";
}

std::string TimedAlarmLabel(int lead, std::time_t alarmTime)
{
    if (lead < 0 || lead >= kLeadCount)
        return {};
    const std::tm tm = LocalTm(alarmTime);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, kTimedLabels[lead], tm.tm_hour, tm.tm_min, tm.tm_sec);
    return ZeroFilled(buffer);
}

PassTime::PassTime(std::time_t T)
    : now(T),
      neverChecked(NeverCheckedTime()),
      yearStart(LocalYearStart(LocalYear(T))),
      nextYearStart(LocalYearStart(LocalYear(T) + 1))
{
}

std::string CheckDue(CSchedueleStructure& E, std::time_t T, std::string& H, CSchedueleStructure& C)
{
    return CheckDue(E, PassTime(T), H, C);
}

std::string CheckDue(CSchedueleStructure& E, const PassTime& pass, std::string& H,
                     CSchedueleStructure& C)
{
    const std::time_t T = pass.now;
    if (E.m_tLastCheck == pass.neverChecked)
        E.m_tLastCheck = T;  // points before the first check are not given
    // The clock went back (it was ahead until the first synchronise): a
    // recurring entry the walk moved on meanwhile would wait for the wrong
    // date. One whose next time lies more than a period ahead, with its
    // previous time before the last check, comes back to its first
    // occurrence from now. One that starts later still waits for its start.
    if (E.m_tLastCheck > T + 1 && IsRecurring(E.m_nRepeat) &&
        E.m_tAlarm > NextOccurrence(E.m_nRepeat, T) &&
        E.m_tAlarm < NextOccurrence(E.m_nRepeat, E.m_tLastCheck)) {
        E.m_tAlarm = FirstOccurrenceFrom(E.m_nRepeat, E.m_tAlarm, T);
        E.m_bFired.fill(0);
        E.m_tLastCheck = T;
    }

    const bool inYear = E.m_tAlarm >= pass.yearStart && E.m_tAlarm < pass.nextYearStart;
    if (E.m_tAlarm < E.m_tLastCheck || !inYear) {
        E.m_tLastCheck = T;
        if (IsRecurring(E.m_nRepeat)) {
            bool moved = false;
            while (E.m_tAlarm < E.m_tLastCheck) {
                const std::time_t next = NextOccurrence(E.m_nRepeat, E.m_tAlarm);
                if (next <= E.m_tAlarm)
                    break;  // mktime gave up; never loop for ever
                E.m_tAlarm = next;
                moved = true;
            }
            if (moved)
                E.m_bFired.fill(0);
        }
        return {};
    }
    // Every point lies in [alarm - 1 h, alarm]; none can have been reached.
    if (T < E.m_tAlarm - kMaxLead) {
        E.m_tLastCheck = T + 1;
        return {};
    }

    const auto inWindow = [&](std::time_t point) { return point >= E.m_tLastCheck && point <= T; };
    std::string text;
    for (int lead = kLeadCount - 1; lead > kOnTime; --lead) {
        if (E.m_bFired[lead] == 0 && E.m_bLead[lead] == 1 &&
            inWindow(E.m_tAlarm - kLeadMinutes[lead] * 60)) {
            Fire(E, lead, text, H);
            E.m_bDone = 0;
        }
    }
    if (E.m_bFired[kOnTime] == 0 && E.m_bLead[kOnTime] == 1 && inWindow(E.m_tAlarm)) {
        Fire(E, kOnTime, text, H);
        E.m_bDone = 1;
    }
    if (IsRecurring(E.m_nRepeat) && inWindow(E.m_tAlarm)) {
        C.m_nRepeat = E.m_nRepeat;
        C.m_bLead = E.m_bLead;
        C.m_strMemo = E.m_strMemo;
        C.m_strStoredMemo = E.m_strStoredMemo;
        C.m_tAlarm = E.m_tAlarm;
        C.m_tCreated = E.m_tCreated;
        C.m_tLastCheck = T;
        C.m_bDone = 1;
        C.m_bFired.fill(0);
        E.m_tAlarm = NextOccurrence(E.m_nRepeat, E.m_tAlarm);
        E.m_bFired.fill(0);
    }
    // Every point up to and including T is handled: saved so, a restart
    // after a kill does not give the alarms of T again.
    E.m_tLastCheck = T + 1;
    return text;
}

AlarmNotice AlarmPass(std::time_t T)
{
    const PassTime pass(T);
    AlarmNotice notice;
    std::string H;
    // CheckDue fills every field of the copy it hands back, so one will do.
    CSchedueleStructure copy(0);
    std::lock_guard lock(g_csScheduleList);
    ScheduleList& list = *g_pScheduleList;
    for (std::size_t i = 0; i < list.size();) {
        CSchedueleStructure& E = *list[i];
        if (E.m_bDone != 0) {
            ++i;
            continue;
        }
        if (const std::string text = CheckDue(E, pass, H, copy); !text.empty()) {
            notice.text += text;
            notice.html += H;
            notice.lines.push_back({text.substr(0, text.find(' ')), E.m_strMemo});
        }
        if (E.m_bDone == 1 && IsRecurring(E.m_nRepeat)) {
            E.m_bDone = 0;
            // A full book keeps no more copies: past its capacity, the next
            // load would leave the last records out, the user's own among them.
            if (list.size() >= kScheduleCapacity) {
                ++i;
                continue;
            }
            // The done copy goes behind E, or to the head when E was last;
            // earlier entries seen again have nothing left in their window.
            const std::size_t at = i + 1 == list.size() ? 0 : i + 1;
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(at),
                        std::make_unique<CSchedueleStructure>(std::move(copy)));
            i = 0;
            continue;
        }
        ++i;
    }
    return notice;
}

std::time_t NextAlarmPoint(const ScheduleList& list, std::time_t T)
{
    std::time_t next = std::numeric_limits<std::time_t>::max();
    // A point of this very second that the pass did not give (its entry
    // had just moved there, or the point lies in the year before its
    // alarm's) belongs to the next window, and must stay out of later ones.
    const auto consider = [&](std::time_t point) {
        if (point >= T)
            next = std::min(next, std::max(point, T + 1));
    };
    for (const auto& entry : list) {
        const CSchedueleStructure& E = *entry;
        if (E.m_bDone != 0 || E.m_tAlarm - kMaxLead >= next)
            continue;
        // A recurring entry moves on when its time passes, rung or not, and
        // its next points count from there.
        if (IsRecurring(E.m_nRepeat))
            consider(E.m_tAlarm);
        for (int lead = 0; lead < kLeadCount; ++lead)
            if (E.m_bLead[lead] == 1 && E.m_bFired[lead] == 0)
                consider(E.m_tAlarm - kLeadMinutes[lead] * 60);
    }
    return next;
}

AlarmSound AlarmSoundFromOptions()
{
    return {g_bAalramWave, WaveEmile, WaveFileName};
}

bool PlayAlarmSound(const AlarmSound& sound, const std::string& dir, SoundOutput& output)
{
    if (!sound.on)
        return false;
    std::string file = sound.file;
    if (!sound.userFile)
        file = dir.empty() ? kAlarmWaveFile : dir + "/" + kAlarmWaveFile;
    if (!file.empty() && PlayWaveFile(file, output, kAlarmWaitsForTick))
        return true;
    return PlayBeep(kAlarmBeepHz, kAlarmBeepMs, output);
}

CScheduleThread::CScheduleThread(ScheduleHost& host, SoundOutput& sound, std::string dir,
                                 AlarmClock* clock)
    : m_host(host),
      m_sound(sound),
      m_dir(std::move(dir)),
      m_ownClock(clock ? nullptr : std::make_unique<SystemAlarmClock>()),
      m_clock(clock ? *clock : *m_ownClock)
{
}

CScheduleThread::~CScheduleThread()
{
    Stop();
}

void CScheduleThread::Start()
{
    if (m_thread.joinable())
        return;
    // 0: no stamp stored yet, so no backup now and one written at the first save.
    m_nSaveStamp = ReadScheduleSaveStamp(m_host.Store(), 0);
    m_bRun = true;
    m_bFinished = false;
    m_bLoaded = false;
    // A change is checked and saved at once, not at the next alarm point.
    SetScheduleChangeWaker(this, [this] { m_clock.Wake(); });
    SetBookSaverRunning(true);
    m_thread = std::thread(&CScheduleThread::Run, this);
}

void CScheduleThread::Stop()
{
    if (!m_thread.joinable())
        return;
    ClearScheduleChangeWaker(this);
    m_bRun = false;
    m_clock.Wake();
    while (!m_bFinished)
        std::this_thread::sleep_for(std::chrono::milliseconds(kPassIntervalMs));
    m_thread.join();
    SetBookSaverRunning(false);
}

std::optional<AlarmSound> CScheduleThread::Deliver(const AlarmNotice& notice)
{
    auto receipt = std::make_shared<Receipt>();
    m_host.Post([&host = m_host, notice, receipt] {
        host.ShowAlarm(notice);
        const AlarmSound sound = host.CurrentAlarmSound();
        std::lock_guard lock(receipt->mutex);
        receipt->sound = sound;
        receipt->shown.notify_all();
    });
    // The user-interface thread may itself be waiting for this one to
    // stop; look at the run flag between short waits.
    std::unique_lock lock(receipt->mutex);
    while (!receipt->sound && m_bRun)
        receipt->shown.wait_for(lock, std::chrono::milliseconds(kPassIntervalMs));
    return receipt->sound;
}

bool CScheduleThread::Save(bool stopping)
{
    // Read before the list is copied, so the save holds every edit up to it.
    const std::uint64_t edits = BookEditCount();
    const bool saved = m_bMaySave && SaveSchedules(m_dir);
    ReportBookSave(edits, saved);
    if (!saved)
        return false;
    const std::int32_t year = LocalYear(m_clock.Now());
    if (stopping) {
        // Stop's caller, the user-interface thread, waits and leaves the
        // store to us; a stamp posted earlier may never have run.
        WriteScheduleSaveStamp(m_host.Store(), year);
    } else if (year != m_nSaveStamp) {
        m_host.Post([&host = m_host, year] { WriteScheduleSaveStamp(host.Store(), year); });
    }
    m_nSaveStamp = year;
    return true;
}

void CScheduleThread::Run()
{
    // However the loop ends, Stop must see the thread finish.
    struct Finish
    {
        std::atomic<bool>& finished;
        ~Finish() { finished = true; }
    } finish{m_bFinished};

    std::time_t T = m_clock.Now();
    const std::int32_t stamp = m_nSaveStamp ? m_nSaveStamp : LocalYear(T);
    ScheduleLoad load = ScheduleLoad::LiveUnreadable;
    try {
        load = LoadSchedules(m_dir, T, stamp);
        if (load != ScheduleLoad::Loaded)
            m_host.Post([&host = m_host] { host.ShowMessage(kNoScheduleFileText); });
    } catch (const std::exception&) {
        // Out of memory: run with an empty book and never save over the file.
    }
    // Saving over a live file that could not be read would lose it.
    m_bMaySave = load != ScheduleLoad::LiveUnreadable;
    m_bLoaded = true;

    bool unsaved = false;
    std::time_t retryAt = 0;
    while (m_bRun) {
        std::time_t wakeAt = T + kSaveRetryS;
        try {
            const AlarmNotice notice = AlarmPass(T);
            {
                std::lock_guard lock(g_csScheduleList);
                wakeAt = std::min(T + kMaxSleepS, NextAlarmPoint(*g_pScheduleList, T));
            }
            const bool edited = TakeScheduleChanged();
            unsaved = edited || !notice.empty() || unsaved;
            std::optional<AlarmSound> sound;
            if (!notice.empty())
                sound = Deliver(notice);
            // An edit is saved at once, failing or not: the manager waits to hear.
            if (unsaved && (edited || T >= retryAt)) {
                unsaved = !Save(false);
                retryAt = unsaved ? T + kSaveRetryS : 0;
            }
            if (unsaved)
                wakeAt = std::min(wakeAt, retryAt);
            if (sound)
                PlayAlarmSound(*sound, m_dir, m_sound);
        } catch (const std::exception&) {
            // Out of memory in a pass: the next second tries again.
        }
        // Idle, the thread sleeps until an alarm may be due; an edit, a step
        // of the clock or a stop wakes it sooner.
        if (m_bRun)
            m_clock.SleepUntil(wakeAt);
        T = m_clock.Now();
    }
    try {
        TakeScheduleChanged();
        Save(true);
    } catch (const std::exception&) {
        // The book stays as last saved.
    }
}
