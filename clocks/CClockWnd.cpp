#include "clocks/CClockWnd.h"

#include "base/NextSecond.h"
#include "base/Options.h"
#include "base/QtColor.h"
#include "base/WindowPlacement.h"
#include "clocks/ClockFaces.h"
#include "clocks/ClockTicker.h"
#include "clocks/ClockText.h"
#include "clocks/WorldTime.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <cstdio>

namespace {

constexpr QSize kWindowSize(190, 38);   // pixels; the face is laid out in them
constexpr int kKoreanFontTenths = 100;  // 10 pt
// The time's cell: right of the marker, below the name, to the edges.
constexpr QRect kTimeCell(127, 20, kWindowSize.width() - 127, kWindowSize.height() - 20);

} // namespace

CClockWnd::CClockWnd(QWidget* frame, SettingsStore& store, bool korea, std::int32_t row,
                     const std::string& name)
    : QWidget(frame, Qt::Tool | Qt::FramelessWindowHint), m_nAreaCode(korea ? -1 : row),
      m_strAreaName(name), m_bKorea(korea), m_store(store)
{
    setFixedSize(kWindowSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A see-through window needs an alpha channel from its creation on, so
    // it gets one wherever a compositor can show it; opaque faces fill it.
    if (!korea && IsWindows2000OrXP())
        setAttribute(Qt::WA_TranslucentBackground);
    SetTransparency(TransWin);
    m_timeShown = wallNow();
}

CClockWnd::~CClockWnd()
{
    ClockTicker::Instance().Detach(this);
    if (m_bKorea)
        storeCorner();
}

void CClockWnd::SetTransparency(bool on)
{
    if (!testAttribute(Qt::WA_TranslucentBackground))
        return;   // no compositor when the window was made: always opaque
    m_bTransparent = on;
    update();
}

WallTime CClockWnd::wallNow() const
{
    const std::time_t now = m_now ? m_now() : SecondsNow();
    const WallTime korea = KoreanWallTime(now);
    return m_nAreaCode == -1 ? korea : RegionTimeNow(m_nAreaCode, korea);
}

CClockWnd::FaceText CClockWnd::faceText(WallTime wall) const
{
    const std::tm tm = WallTimeToTm(wall);
    const bool h24 = b24Mode;
    char date[64];
    std::snprintf(date, sizeof date, h24 ? "%04d/%02d/%02d %s요일" : "%04d/%02d/%02d %s",
                  tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, WeekdayName(tm.tm_wday));
    FaceText t;
    t.name = m_bKorea ? QStringLiteral("대한민국") : QString::fromStdString(m_strAreaName);
    t.date = QString::fromUtf8(date);
    t.marker = h24 ? QString() : (tm.tm_hour < 12 ? QStringLiteral("오전") : QStringLiteral("오후"));
    t.time = QString::fromStdString(ClockTimeText(tm, h24));
    return t;
}

CClockWnd::Face CClockWnd::currentFace() const
{
    return {faceText(m_timeShown), TxtColor, BgColor, m_bTransparent && !m_bKorea};
}

bool CClockWnd::Face::SameBesidesTime(const Face& o) const
{
    Face other = o;
    other.text.time = text.time;
    return *this == other;
}

void CClockWnd::onSecond()
{
    m_timeShown = wallNow();
    const Face face = currentFace();
    if (face == m_facePainted)
        return;
    if (m_facePainted && face.SameBesidesTime(*m_facePainted))
        update(kTimeCell);
    else
        update();
}

void CClockWnd::showEvent(QShowEvent* event)
{
    m_bWasShown = true;
    m_timeShown = wallNow();
    // A hidden clock costs nothing: it ticks only while shown.
    ClockTicker::Instance().Attach(this, [this] { onSecond(); });
    QWidget::showEvent(event);
}

void CClockWnd::hideEvent(QHideEvent* event)
{
    ClockTicker::Instance().Detach(this);
    QWidget::hideEvent(event);
}

void CClockWnd::paintEvent(QPaintEvent*)
{
    const Face face = currentFace();
    if (!m_bBitmapMade) {
        const qreal dpr = devicePixelRatioF();
        m_bitmap = QPixmap(size() * dpr);
        m_bitmap.setDevicePixelRatio(dpr);
        m_bBitmapMade = true;
    }
    if (face != m_facePainted) {
        const QColor textColour = ColorRefToQColor(face.textColour);
        QPainter p(&m_bitmap);
        // Most seconds change the time alone: only its cell is drawn again,
        // whole, with whatever of its neighbours' ink reaches into it.
        if (m_facePainted && face.SameBesidesTime(*m_facePainted))
            p.setClipRect(kTimeCell);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(rect(), face.transparent ? QColor(Qt::transparent) : ColorRefToQColor(face.back));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setPen(textColour);
        static const QFont font = MakeClockFont(kKoreanFaces, kKoreanFontTenths);
        m_cells[0].Draw(p, font, face.transparent ? 15 : 10, 4, face.text.name);
        m_cells[1].Draw(p, font, 10, 20, face.text.date);
        if (!face.text.marker.isEmpty())
            m_cells[2].Draw(p, font, 100, 20, face.text.marker);
        m_cells[3].Draw(p, font, kTimeCell.x(), kTimeCell.y(), face.text.time);
        if (face.transparent)   // the bar that shows where a see-through clock is
            p.fillRect(QRect(10, 4, 4, 12), textColour);
        m_facePainted = face;
    }
    QPainter window(this);
    window.setCompositionMode(QPainter::CompositionMode_Source);
    window.drawPixmap(0, 0, m_bitmap);
}

void CClockWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        // The window manager moves it while the button is held; where it
        // cannot, the window follows the pointer itself.
        if (!(windowHandle() && windowHandle()->startSystemMove())) {
            m_bDragging = true;
            m_dragOffset = event->globalPosition().toPoint() - pos();
        }
    }
    QWidget::mousePressEvent(event);
}

void CClockWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bDragging)
        move(event->globalPosition().toPoint() - m_dragOffset);
    QWidget::mouseMoveEvent(event);
}

void CClockWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_bDragging = false;
    QWidget::mouseReleaseEvent(event);
}

void CClockWnd::contextMenuEvent(QContextMenuEvent* event)
{
    emit popupMenuRequested(event->globalPos());
}

void CClockWnd::closeEvent(QCloseEvent* event)
{
    if (m_bKorea)
        storeCorner();
    event->accept();   // hidden
    emit closed();
}

void CClockWnd::storeCorner()
{
    // A slim clock never shown in this run has no place of its own to keep.
    if (!m_bWasShown)
        return;
    const Point corner = SavedCorner(this);
    WriteWindowPos(m_store, kSlimClockPos, corner.x, corner.y);
    m_store.Sync();
}
