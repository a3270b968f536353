#include "base/QtSettingsStore.h"

#include <QCoreApplication>
#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace {

const QString kOrganisation = QString::fromUtf8(kSettingsOrganisation);
const QString kSection = QStringLiteral("Vesk");
const QString kFallbackApplication = QStringLiteral("Vesk");

QString key(const std::string& name)
{
    return QString::fromStdString(name);
}

}  // namespace

QtSettingsStore::QtSettingsStore(const QString& applicationName)
{
    QString application = applicationName;
    if (application.isEmpty())
        application = QCoreApplication::applicationName();
    if (application.isEmpty())
        application = kFallbackApplication;
    m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             kOrganisation, application);
    m_settings->beginGroup(kSection);
}

QtSettingsStore::QtSettingsStore(std::unique_ptr<QSettings> settings)
    : m_settings(std::move(settings))
{
    m_settings->beginGroup(kSection);
}

QtSettingsStore QtSettingsStore::inFile(const QString& filePath)
{
    return QtSettingsStore(std::make_unique<QSettings>(filePath, QSettings::IniFormat));
}

QtSettingsStore::QtSettingsStore(QtSettingsStore&&) noexcept = default;
QtSettingsStore& QtSettingsStore::operator=(QtSettingsStore&&) noexcept = default;
QtSettingsStore::~QtSettingsStore() = default;

std::int32_t QtSettingsStore::GetInt(const std::string& name, std::int32_t def)
{
    const QVariant value = m_settings->value(key(name));
    if (!value.isValid())
        return def;
    // Through the text: QVariant's own conversion wraps numbers past 32 bits.
    bool ok = false;
    const int number = value.toString().toInt(&ok, 10);
    return ok ? number : def;
}

std::string QtSettingsStore::GetString(const std::string& name, const std::string& def)
{
    const QVariant value = m_settings->value(key(name));
    if (!value.isValid())
        return def;
    // The ini reader splits an unquoted comma into a list; a file path may
    // hold one when the file was edited by hand.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',').toStdString();
    return value.toString().toStdString();
}

void QtSettingsStore::WriteInt(const std::string& name, std::int32_t value)
{
    write(key(name), static_cast<int>(value));
}

void QtSettingsStore::WriteString(const std::string& name, const std::string& value)
{
    write(key(name), QString::fromStdString(value));
}

void QtSettingsStore::write(const QString& name, const QVariant& value)
{
    // A value that already reads back as this text is left alone, so a save
    // that changes nothing leaves the file as it is.
    const QVariant current = m_settings->value(name);
    if (current.isValid() && current.typeId() != QMetaType::QStringList
        && current.toString() == value.toString())
        return;
    m_settings->setValue(name, value);
}

void QtSettingsStore::Sync()
{
    m_settings->sync();
}

QString QtSettingsStore::fileName() const
{
    return m_settings->fileName();
}
