#include "schedule/DBusAlarmNotifier.h"

#include "resources/Art.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QImage>
#include <QVariantMap>

#include <memory>
#include <utility>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kDesktopId = QStringLiteral(VESK_DESKTOP_ID);
constexpr int kIconPx = 48;

// The hint "image-data" (iiibiiay): width, height, bytes per row, alpha,
// bits per sample, channels, RGBA bytes. Pixels reach the service even
// where the program's icon is not installed in the icon theme.
QDBusArgument IconImage()
{
    const QImage image = AppIcon().pixmap(kIconPx).toImage().convertToFormat(QImage::Format_RGBA8888);
    QDBusArgument out;
    out.beginStructure();
    out << image.width() << image.height() << static_cast<int>(image.bytesPerLine()) << true << 8 << 4
        << QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    out.endStructure();
    return out;
}

QDBusMessage NotifyMessage(const DesktopNotice& n)
{
    QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), kDesktopId},
                            {QStringLiteral("image-data"), QVariant::fromValue(IconImage())}};
    m << QStringLiteral("Vesk") << 0u << kDesktopId << QString::fromStdString(n.summary)
      << QString::fromStdString(n.body) << QStringList() << hints << DBusAlarmNotifier::kExpireMs;
    return m;
}

} // namespace

DBusAlarmNotifier::DBusAlarmNotifier(QObject* parent) : QObject(parent)
{
}

void DBusAlarmNotifier::Notify(const AlarmNotice& notice, std::function<void()> unanswered)
{
    // Whoever fails first shows the alarms; the rest say nothing.
    auto fallBack = [once = std::make_shared<std::function<void()>>(std::move(unanswered))] {
        if (auto f = std::exchange(*once, nullptr))
            f();
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QMetaObject::invokeMethod(this, fallBack, Qt::QueuedConnection);
        return;
    }
    const QDBusMessage ask =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetCapabilities"));
    auto* asked = new QDBusPendingCallWatcher(bus.asyncCall(ask, kAnswerMs), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this, [this, bus, notice, fallBack, asked]() mutable {
        asked->deleteLater();
        const QDBusPendingReply<QStringList> capabilities = *asked;
        if (capabilities.isError()) {
            fallBack();
            return;
        }
        const bool markup = capabilities.value().contains(QStringLiteral("body-markup"));
        for (const DesktopNotice& n : AlarmNotifications(notice, markup)) {
            auto* sent = new QDBusPendingCallWatcher(bus.asyncCall(NotifyMessage(n), kAnswerMs), this);
            connect(sent, &QDBusPendingCallWatcher::finished, this, [fallBack, sent] {
                sent->deleteLater();
                if (sent->isError())
                    fallBack();
            });
        }
    });
}
