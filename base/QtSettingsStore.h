#pragma once
// The settings store on disk, through QSettings.

#include <memory>

#include <QString>

#include "base/SettingsStore.h"

class QSettings;
class QVariant;

// Values in the group "Vesk" of the organisation "Vesk Client V3.3", so the
// per-user file is ~/.config/Vesk Client V3.3/Vesk.conf (ini). Writes are
// kept in memory until Sync, which rewrites the whole file once: a save
// operation of hundreds of values costs one rewrite. Use from one thread at
// a time.
class QtSettingsStore final : public SettingsStore
{
public:
    // The per-user store of applicationName; empty means the application's
    // name (the executable's base name), or "Vesk" before one exists.
    explicit QtSettingsStore(const QString& applicationName = {});
    // A store kept in the ini file at filePath, created on the first write.
    static QtSettingsStore inFile(const QString& filePath);

    QtSettingsStore(QtSettingsStore&&) noexcept;
    QtSettingsStore& operator=(QtSettingsStore&&) noexcept;
    ~QtSettingsStore() override;

    // Text that is not a whole number in the 32-bit range reads as def.
    std::int32_t GetInt(const std::string& name, std::int32_t def) override;
    // A hand-written value with an unquoted comma reads back joined by ",".
    std::string GetString(const std::string& name, const std::string& def) override;
    void WriteInt(const std::string& name, std::int32_t value) override;
    void WriteString(const std::string& name, const std::string& value) override;
    // Rewrites the file (beside it, then renamed over it) when a value changed.
    void Sync() override;

    // The file the values are kept in.
    QString fileName() const;

private:
    explicit QtSettingsStore(std::unique_ptr<QSettings> settings);
    void write(const QString& name, const QVariant& value);

    std::unique_ptr<QSettings> m_settings;
};
