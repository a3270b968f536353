#pragma once
// The per-user settings store as the logic sees it: one section ("Vesk") of
// named 32-bit integers and strings. It reports no errors: an absent value
// reads as its default and a failed write is ignored. Writes may be held in
// memory until Sync, which each save operation calls once at its end.

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

// The folder of the per-user configuration (under ~/.config) that holds the
// settings file and the program's other per-user files.
inline constexpr const char* kSettingsOrganisation = "Vesk Client V3.3";

class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // The stored integer named name, or def when it is absent or not a number.
    virtual std::int32_t GetInt(const std::string& name, std::int32_t def) = 0;
    // The stored UTF-8 string named name, or def when it is absent.
    virtual std::string GetString(const std::string& name, const std::string& def) = 0;
    // Creates or replaces the integer named name; a failure is ignored.
    virtual void WriteInt(const std::string& name, std::int32_t value) = 0;
    // Creates or replaces the UTF-8 string named name; a failure is ignored.
    virtual void WriteString(const std::string& name, const std::string& value) = 0;
    // Puts every value written so far on disk; a failure is ignored.
    virtual void Sync() {}
};

// A store held in memory, for tests. Like the registry it stands in for, it
// keeps each value's type: an integer asked for as a string (or the reverse)
// reads as the default. Every write is logged by name, in order, and counts
// as unsynced until the next Sync.
class MemorySettingsStore final : public SettingsStore
{
public:
    using Value = std::variant<std::int32_t, std::string>;

    std::int32_t GetInt(const std::string& name, std::int32_t def) override;
    std::string GetString(const std::string& name, const std::string& def) override;
    void WriteInt(const std::string& name, std::int32_t value) override;
    void WriteString(const std::string& name, const std::string& value) override;
    void Sync() override;

    // The stored values; tests seed them here to leave the write log empty.
    std::map<std::string, Value>& values() { return m_values; }
    const std::map<std::string, Value>& values() const { return m_values; }
    // Names of all writes since construction or clearWriteLog(), oldest first.
    const std::vector<std::string>& writeLog() const { return m_writeLog; }
    void clearWriteLog() { m_writeLog.clear(); }
    // Names written since the last Sync, oldest first; how many Syncs ran.
    const std::vector<std::string>& unsynced() const { return m_unsynced; }
    int syncs() const { return m_syncs; }

private:
    std::map<std::string, Value> m_values;
    std::vector<std::string> m_writeLog;
    std::vector<std::string> m_unsynced;
    int m_syncs = 0;
};
