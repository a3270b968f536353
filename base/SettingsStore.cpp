#include "base/SettingsStore.h"

std::int32_t MemorySettingsStore::GetInt(const std::string& name, std::int32_t def)
{
    const auto it = m_values.find(name);
    if (it == m_values.end())
        return def;
    const auto* value = std::get_if<std::int32_t>(&it->second);
    return value ? *value : def;
}

std::string MemorySettingsStore::GetString(const std::string& name, const std::string& def)
{
    const auto it = m_values.find(name);
    if (it == m_values.end())
        return def;
    const auto* value = std::get_if<std::string>(&it->second);
    return value ? *value : def;
}

void MemorySettingsStore::WriteInt(const std::string& name, std::int32_t value)
{
    m_values[name] = value;
    m_writeLog.push_back(name);
    m_unsynced.push_back(name);
}

void MemorySettingsStore::WriteString(const std::string& name, const std::string& value)
{
    m_values[name] = value;
    m_writeLog.push_back(name);
    m_unsynced.push_back(name);
}

void MemorySettingsStore::Sync()
{
    m_unsynced.clear();
    ++m_syncs;
}
