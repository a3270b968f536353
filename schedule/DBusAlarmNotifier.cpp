#include "schedule/DBusAlarmNotifier.h"

#include "resources/Art.h"
#include "schedule/CAlarmPopup.h"

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
constexpr std::size_t kMaxOpen = 64;  // notifications kept for a click, newest

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
    // "default": a click on the notification, as on the popup.
    const QStringList actions{QStringLiteral("default"), QStringLiteral("일정보기")};
    m << QStringLiteral("Vesk") << 0u << kDesktopId << QString::fromStdString(n.summary)
      << QString::fromStdString(n.body) << actions << hints << DBusAlarmNotifier::kExpireMs;
    return m;
}

} // namespace

DBusAlarmNotifier::DBusAlarmNotifier(QObject* parent) : QObject(parent)
{
}

void DBusAlarmNotifier::Listen()
{
    if (m_bListening)
        return;
    // Once: a second connection would open the page twice. Without these
    // signals a click does nothing, as on a service with no actions.
    m_bListening = true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                SLOT(OnActionInvoked(uint, QString)));
    bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                SLOT(OnClosed(uint, uint)));
}

void DBusAlarmNotifier::OnActionInvoked(uint id, const QString&)
{
    if (const auto it = m_pages.find(id); it != m_pages.end())
        OpenAlarmPage(it->second);
}

void DBusAlarmNotifier::OnClosed(uint id, uint)
{
    m_pages.erase(id);
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
        Listen();
        for (const DesktopNotice& n : AlarmNotifications(notice, markup)) {
            auto* sent = new QDBusPendingCallWatcher(bus.asyncCall(NotifyMessage(n), kAnswerMs), this);
            connect(sent, &QDBusPendingCallWatcher::finished, this, [this, fallBack, sent, html = notice.html] {
                sent->deleteLater();
                const QDBusPendingReply<uint> id = *sent;
                if (id.isError()) {
                    fallBack();
                    return;
                }
                // Ids only grow; a service that never says a notification
                // closed cannot make the list grow without end.
                m_pages[id.value()] = html;
                if (m_pages.size() > kMaxOpen)
                    m_pages.erase(m_pages.begin());
            });
        }
    });
}
