#include "clocks/CDigitalClock.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRegion>

#include "base/ControlId.h"
#include "base/NextSecond.h"
#include "base/Options.h"
#include "base/QtColor.h"
#include "clocks/ClockFaces.h"
#include "clocks/ClockTicker.h"
#include "clocks/ClockText.h"
#include "sound/Sound.h"

bool g_bMainVisible = true;

namespace {

constexpr int kFontSizes[3] = {280, 240, 100};  // tenths of a point

} // namespace

CDigitalClock::CDigitalClock(QWidget* parent, const QRect& rect, int id)
    : QWidget(parent), m_clientRect(QPoint(0, 0), rect.size())
{
    SetControlId(this, id);
    setGeometry(rect);
    // Every paint covers every pixel: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Moves without a button are forwarded too, as the window beneath
    // would have seen them.
    setMouseTracking(true);
    m_timeShown = currentTime();
    // Also while the main window is hidden: the tick may sound then.
    ClockTicker::Instance().Attach(this, [this] { onSecond(); });
    show();
}

CDigitalClock::~CDigitalClock()
{
    ClockTicker::Instance().Detach(this);
}

const QFont* CDigitalClock::GetClockFont(int size)
{
    if (!m_fonts[0]) {
        m_fonts[0] = MakeClockFont(kLatinFaces, kFontSizes[0]);
        m_fonts[1] = MakeClockFont(kLatinFaces, kFontSizes[1]);
        m_fonts[2] = MakeClockFont(kKoreanFaces, kFontSizes[2]);
    }
    for (int i = 0; i < 3; ++i)
        if (kFontSizes[i] == size)
            return &*m_fonts[i];
    return nullptr;
}

void CDigitalClock::setTickPlayer(TickPlayer* player)
{
    m_tickPlayer = player;
}

void CDigitalClock::setTimeSource(std::function<std::time_t()> now)
{
    m_now = std::move(now);
    m_timeShown = currentTime();
    update();
}

std::time_t CDigitalClock::currentTime() const
{
    return m_now ? m_now() : SecondsNow();
}

CDigitalClock::Face CDigitalClock::currentFace() const
{
    const bool h24 = b24Mode;
    const std::tm tm = LocalTm(m_timeShown);
    return {QString::fromStdString(ClockTimeText(tm, h24)),
            QString::fromStdString(ClockDateText(tm)),
            h24 ? QString() : QString::fromLatin1(AmPmText(tm)), h24, TxtColor, BgColor};
}

bool CDigitalClock::Face::SameBesidesTime(const Face& o) const
{
    Face other = o;
    other.time = time;
    return *this == other;
}

QRect CDigitalClock::timeCell(bool h24) const
{
    // From where the time is drawn to the edges.
    const int left = h24 ? 40 : 55;
    return QRect(left, 15, m_clientRect.width() - left, m_clientRect.height() - 15);
}

void CDigitalClock::onSecond()
{
    const std::time_t now = currentTime();
    if (now != m_timeShown) {
        m_timeShown = now;
        // The tick sounds on its own thread: painting goes on meanwhile, and
        // a tick still sounding makes this one drop rather than queue.
        if (g_bMainVisible && Beep)
            (m_tickPlayer ? *m_tickPlayer : DefaultTickPlayer()).Tick();
    }
    const Face face = currentFace();
    if (face == m_facePainted)
        return;
    if (m_facePainted && face.SameBesidesTime(*m_facePainted))
        update(timeCell(face.h24));
    else
        update();
}

void CDigitalClock::drawFace(QPainter& painter, const Face& face)
{
    painter.fillRect(m_clientRect, ColorRefToQColor(face.back));
    painter.setPen(ColorRefToQColor(face.text));
    m_cells[0].Draw(painter, *GetClockFont(240), face.h24 ? 40 : 55, 15, face.time);
    if (!face.h24)
        m_cells[1].Draw(painter, *GetClockFont(100), 30, 30, face.marker);
    m_cells[2].Draw(painter, *GetClockFont(100), 35, 4, face.date);
}

void CDigitalClock::paintEvent(QPaintEvent*)
{
    if (!m_bBitmapMade) {
        const qreal dpr = devicePixelRatioF();
        m_bitmap = QPixmap(m_clientRect.size() * dpr);
        m_bitmap.setDevicePixelRatio(dpr);
        m_bBitmapMade = true;
    }
    const Face face = currentFace();
    if (face != m_facePainted) {
        QPainter memory(&m_bitmap);
        memory.setRenderHint(QPainter::TextAntialiasing);
        // Most seconds change the time alone: only its cell is drawn again,
        // whole, with whatever of its neighbours' ink reaches into it.
        if (m_facePainted && face.SameBesidesTime(*m_facePainted))
            memory.setClipRect(timeCell(face.h24));
        drawFace(memory, face);
        m_facePainted = face;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bitmap);
    // The picture keeps its first size; should the control have grown since,
    // the rest is background rather than whatever was there before.
    const QRegion rest = QRegion(rect()).subtracted(m_clientRect);
    if (!rest.isEmpty()) {
        painter.setClipRegion(rest);
        painter.fillRect(rect(), ColorRefToQColor(BgColor));
    }
}

void CDigitalClock::forwardToParent(const QMouseEvent* event, QEvent::Type type)
{
    QPointer<QWidget> target = parentWidget();
    if (!target)
        return;
    const QPointer<CDigitalClock> self(this);
    // Without Small the parent gets its own coordinates; with Small on the
    // point is passed as it is.
    const QPointF at = Small ? event->position() : event->position() + QPointF(pos());
    const QPointF global = event->globalPosition();
    const Qt::MouseButtons buttons = event->buttons();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const QPointingDevice* device = event->pointingDevice();

    // A move first, so the parent knows where the press or release is.
    QMouseEvent move(QEvent::MouseMove, at, global, Qt::NoButton, buttons, modifiers, device);
    QCoreApplication::sendEvent(target, &move);
    // The parent may have closed the clock on the move: then the press goes nowhere.
    if (type == QEvent::MouseMove || !target || !self)
        return;
    QMouseEvent press(type, at, global, event->button(), buttons, modifiers, device);
    QCoreApplication::sendEvent(target, &press);
}

void CDigitalClock::mousePressEvent(QMouseEvent* event)
{
    // Also reached for a double click: the parent sees a second press.
    event->accept();
    if (event->button() == Qt::LeftButton)
        forwardToParent(event, QEvent::MouseButtonPress);
}

void CDigitalClock::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        forwardToParent(event, QEvent::MouseButtonRelease);
}

void CDigitalClock::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    forwardToParent(event, QEvent::MouseMove);
}

void CDigitalClock::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (Small)
        emit popupMenuRequested(event->globalPos());
}
