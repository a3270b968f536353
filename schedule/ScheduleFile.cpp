#include "schedule/ScheduleFile.h"

#include "base/Cp949.h"
#include "base/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t kLongPrefix = 0xFF;
constexpr std::uint16_t kPrefix32 = 0xFFFF;
constexpr std::uint16_t kWideText = 0xFFFE;    // 16-bit text follows
constexpr std::uint32_t kLength64 = 0xFFFFFFFF; // a 64-bit length follows

void PutU32(std::string& out, std::uint32_t v)
{
    const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF),
                       static_cast<char>(v >> 16 & 0xFF), static_cast<char>(v >> 24 & 0xFF)};
    out.append(b, 4);
}

void PutU16(std::string& out, std::uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void PutTime(std::string& out, std::time_t t)
{
    PutU32(out, static_cast<std::uint32_t>(std::clamp<std::time_t>(t, 0, 0xFFFFFFFF)));
}

// Reads little-endian numbers from the front of a record, never past its end.
class Cursor
{
public:
    explicit Cursor(std::string_view data) : m_data(data) {}

    bool Take(std::size_t n, std::string_view& out)
    {
        if (m_data.size() - m_pos < n)
            return false;
        out = m_data.substr(m_pos, n);
        m_pos += n;
        return true;
    }
    template <typename T>
    bool Number(T& value)
    {
        std::string_view b;
        if (!Take(sizeof(T), b))
            return false;
        std::uint64_t v = 0;
        for (std::size_t i = sizeof(T); i-- > 0;)
            v = v << 8 | static_cast<std::uint8_t>(b[i]);
        value = static_cast<T>(v);
        return true;
    }
    bool Time(std::time_t& t)
    {
        std::uint32_t v = 0;
        if (!Number(v))
            return false;
        t = v;  // unsigned: good until 2106
        return true;
    }
    std::size_t Position() const { return m_pos; }

private:
    std::string_view m_data;
    std::size_t m_pos = 0;
};

bool ReadMemoLength(Cursor& in, std::uint32_t& length)
{
    std::uint8_t b = 0;
    if (!in.Number(b))
        return false;
    if (b != kLongPrefix) {
        length = b;
        return true;
    }
    std::uint16_t w = 0;
    if (!in.Number(w) || w == kWideText)
        return false;
    if (w != kPrefix32) {
        length = w;
        return true;
    }
    return in.Number(length) && length != kLength64;
}

std::string JoinPath(const std::string& dir, const std::string& name)
{
    return dir.empty() ? name : dir + "/" + name;
}

// Serialises saves, so an older copy of the list never lands after a newer.
std::mutex s_saveMutex;

// An error other than "no such file".
bool Missing(bool readOk)
{
    return !readOk && errno == ENOENT;
}

} // namespace

void AppendRecord(std::string& out, const CSchedueleStructure& e)
{
    // The bytes read stay while they still read as the memo: bytes that are
    // not CP949 would come back as "?" from the text.
    const bool unedited = !e.m_strStoredMemo.empty() && Cp949ToUtf8(e.m_strStoredMemo) == e.m_strMemo;
    const std::string memo = unedited ? e.m_strStoredMemo : Utf8ToCp949(e.m_strMemo);
    const std::size_t length = std::min<std::size_t>(memo.size(), kLength64 - 1);
    PutTime(out, e.m_tAlarm);
    PutTime(out, e.m_tLastCheck);
    PutTime(out, e.m_tCreated);
    if (length < kLongPrefix) {
        out.push_back(static_cast<char>(length));
    } else if (length < kWideText) {
        out.push_back(static_cast<char>(kLongPrefix));
        PutU16(out, static_cast<std::uint16_t>(length));
    } else {
        out.push_back(static_cast<char>(kLongPrefix));
        PutU16(out, kPrefix32);
        PutU32(out, static_cast<std::uint32_t>(length));
    }
    out.append(memo, 0, length);
    PutU32(out, static_cast<std::uint32_t>(e.m_nRepeat));
    for (const std::int32_t lead : e.m_bLead)
        PutU32(out, static_cast<std::uint32_t>(lead));
    PutU32(out, static_cast<std::uint32_t>(e.m_bDone));
}

std::size_t ReadRecord(std::string_view data, CSchedueleStructure& e)
{
    Cursor in(data);
    std::uint32_t length = 0;
    std::string_view memo;
    // A length beyond the data is a record cut short, whatever it claims.
    if (!in.Time(e.m_tAlarm) || !in.Time(e.m_tLastCheck) || !in.Time(e.m_tCreated) ||
        !ReadMemoLength(in, length) || !in.Take(length, memo))
        return 0;
    if (!in.Number(e.m_nRepeat))
        return 0;
    for (std::int32_t& lead : e.m_bLead)
        if (!in.Number(lead))
            return 0;
    if (!in.Number(e.m_bDone))
        return 0;
    e.m_strMemo = Cp949ToUtf8(memo);
    e.m_strStoredMemo = memo;
    e.m_bFired.fill(0);
    return in.Position();
}

std::vector<CSchedueleStructure> ReadRecords(std::string_view data, bool* whole, std::size_t limit)
{
    std::vector<CSchedueleStructure> entries;
    while (!data.empty() && entries.size() < limit) {
        CSchedueleStructure e(0);
        const std::size_t n = ReadRecord(data, e);
        if (n == 0)
            break;
        entries.push_back(std::move(e));
        data.remove_prefix(n);
    }
    if (whole)
        *whole = data.empty();
    return entries;
}

std::string ArchiveFileName(int year)
{
    return std::to_string(year) + kArchiveSuffix;
}

std::optional<std::vector<CSchedueleStructure>> ReadScheduleFile(const std::string& path)
{
    std::string bytes;
    if (!ReadFileBytes(path, bytes, kMaxScheduleFileBytes))
        return std::nullopt;
    return ReadRecords(bytes);
}

bool BackUpFile(const std::string& path)
{
    std::string bytes;
    return ReadFileBytes(path, bytes, kMaxScheduleFileBytes) && BackUpFile(path, bytes);
}

bool BackUpFile(const std::string& path, std::string_view bytes)
{
    // As private as the file itself: a book kept rw------- stays so.
    std::error_code ec;
    const fs::perms perms = fs::status(path, ec).permissions();
    const unsigned mode = ec ? 0600u : static_cast<unsigned>(perms & fs::perms::all);
    std::string name = path;
    for (int attempt = 0; attempt < kBackupAttempts; ++attempt) {
        name += '_';
        if (CreateNewFile(name, bytes, mode))
            return true;
    }
    return false;
}

ScheduleLoad LoadSchedules(const std::string& dir, std::time_t now, std::int32_t saveStamp)
{
    const int year = LocalYear(now);
    const std::string live = JoinPath(dir, kLiveScheduleFile);
    const std::string archive = JoinPath(dir, ArchiveFileName(year - 1));
    // Saves killed midway in earlier runs; none runs before the load ends.
    RemoveReplaceLeftovers(live);
    RemoveReplaceLeftovers(archive);

    if (saveStamp != year) {
        std::error_code ec;
        for (fs::directory_iterator it(dir.empty() ? "." : dir, ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string name = it->path().filename().string();
            const bool isSch = name.size() > 4 && name.ends_with(kScheduleFileExtension);
            if (isSch && it->is_regular_file(ec))
                BackUpFile(JoinPath(dir, name));
        }
    }

    {
        std::lock_guard lock(g_csScheduleList);
        g_pScheduleList->clear();
    }

    std::string bytes;
    const bool read = ReadFileBytes(live, bytes, kMaxScheduleFileBytes);
    if (Missing(read)) {
        if (!CreateNewFile(live, {}) && errno != EEXIST)
            return ScheduleLoad::LiveUnreadable;
    } else if (!read) {
        return ScheduleLoad::LiveUnreadable;
    }
    // Records past the book's capacity count as damaged: read, they would
    // cost seconds at each start and be walked at every pass.
    bool whole = true;
    std::vector<CSchedueleStructure> entries = ReadRecords(bytes, &whole, kScheduleCapacity);
    if (!whole)
        BackUpFile(live, bytes);  // the next save drops what could not be read
    std::string().swap(bytes);

    // One-day and done entries of earlier years go to last year's archive.
    const std::time_t yearStart = LocalYearStart(year);
    std::vector<bool> keep(entries.size());
    std::string moved;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const CSchedueleStructure& e = entries[i];
        keep[i] = e.m_tAlarm >= yearStart || (e.m_nRepeat != RepeatOnce && e.m_bDone != 1);
        if (!keep[i])
            AppendRecord(moved, e);
    }
    ScheduleLoad outcome = ScheduleLoad::Loaded;
    std::string archived;
    const bool archiveRead = ReadFileBytes(archive, archived, kMaxScheduleFileBytes);
    bool archiveOk = archiveRead || Missing(archiveRead);
    if (archiveOk && !moved.empty())
        archiveOk = ReplaceFile(archive, archived + moved);
    else if (archiveOk && !archiveRead)
        archiveOk = CreateNewFile(archive, {}) || errno == EEXIST;
    if (!archiveOk) {
        // Kept in the list, they reach the archive at a later start.
        keep.assign(entries.size(), true);
        outcome = ScheduleLoad::ArchiveUnwritable;
    }

    ScheduleList list;
    list.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (keep[i])
            list.push_back(std::make_unique<CSchedueleStructure>(std::move(entries[i])));
    {
        std::lock_guard lock(g_csScheduleList);
        g_pScheduleList->swap(list);
    }
    // Archived entries leave the live file now: left in it, a start after
    // a crash would archive them again.
    if (archiveOk && !moved.empty())
        SaveSchedules(dir);
    return outcome;
}

bool SaveSchedules(const std::string& dir)
{
    std::lock_guard saving(s_saveMutex);
    std::string bytes;
    {
        std::lock_guard lock(g_csScheduleList);
        bytes.reserve(g_pScheduleList->size() * (kRecordFixedBytes + 32));
        for (const auto& e : *g_pScheduleList)
            AppendRecord(bytes, *e);
    }
    return ReplaceFile(JoinPath(dir, kLiveScheduleFile), bytes);
}

std::optional<std::string> WriteAlarmPage(const std::string& dir, std::string_view html)
{
    const std::string path = JoinPath(dir, kAlarmPageFile);
    if (!ReplaceFile(path, Utf8ToCp949(html)))
        return std::nullopt;
    return path;
}
