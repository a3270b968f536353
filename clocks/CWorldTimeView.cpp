#include "clocks/CWorldTimeView.h"

#include <QPainter>
#include <QRegion>
#include <QTimerEvent>

#include "base/ControlId.h"
#include "base/NextSecond.h"
#include "base/Options.h"
#include "clocks/ClockFaces.h"
#include "clocks/ClockTicker.h"
#include "clocks/ClockText.h"
#include "clocks/WorldTime.h"

namespace {

constexpr int kFontSizes[3] = {240, 140, 100};  // tenths of a point
constexpr int kBlinkPeriod = 6;                  // paints per dark-and-lit cycle
constexpr int kBlinkLit = 3;                     // lit for the first 3 of them

const QColor kText(0, 255, 0);
const QColor kBack(0, 0, 0);

} // namespace

CWorldTimeView::CWorldTimeView(QWidget* parent, const QRect& rect, int id, int* selectBlink)
    : QWidget(parent), m_selectBlink(selectBlink)
{
    const QRect inner = rect.adjusted(kInset, kInset, -kInset, -kInset);
    m_clientRect = QRect(QPoint(0, 0), inner.size());
    SetControlId(this, id);
    setGeometry(inner);
    // Every paint covers every pixel: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    takeTime();
    show();  // it ticks from the first time the view is really shown
}

CWorldTimeView::~CWorldTimeView()
{
    ClockTicker::Instance().Detach(this);
}

const QFont* CWorldTimeView::GetClockFont(int size)
{
    if (!m_fonts[0]) {
        for (int i = 0; i < 3; ++i)
            m_fonts[i] = MakeClockFont(kLatinFaces, kFontSizes[i]);
    }
    for (int i = 0; i < 3; ++i)
        if (kFontSizes[i] == size)
            return &*m_fonts[i];
    return nullptr;
}

void CWorldTimeView::setTimeSource(std::function<std::time_t()> now)
{
    m_now = std::move(now);
    takeTime();
    update();
}

void CWorldTimeView::takeTime()
{
    const std::time_t now = m_now ? m_now() : SecondsNow();
    // A row outside the table (-1, none selected) shows Korean time.
    m_timeShown = RegionTimeNow(g_nSelectedArea, KoreanWallTime(now));
}

CWorldTimeView::Face CWorldTimeView::currentFace() const
{
    // C++ keeps the sign of a negative counter, which then counts as lit.
    return {m_timeShown, b24Mode, *m_selectBlink % kBlinkPeriod < kBlinkLit};
}

void CWorldTimeView::showEvent(QShowEvent* event)
{
    // A hidden dialog's clock costs nothing: the time is taken again on show.
    takeTime();
    ClockTicker::Instance().Attach(this, [this] { onSecond(); });
    QWidget::showEvent(event);
}

void CWorldTimeView::hideEvent(QHideEvent* event)
{
    ClockTicker::Instance().Detach(this);
    m_blinkTimer.stop();
    QWidget::hideEvent(event);
}

void CWorldTimeView::Blink()
{
    if (isVisible() && !m_blinkTimer.isActive())
        m_blinkTimer.start(kBlinkMs, this);
    update();
}

void CWorldTimeView::onSecond()
{
    takeTime();
    if (*m_selectBlink > 0)
        Blink();
    else if (currentFace() != m_facePainted)
        update();
}

void CWorldTimeView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_blinkTimer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    // Each paint counts the blink down; the last one leaves the time lit.
    if (*m_selectBlink <= 0)
        m_blinkTimer.stop();
    update();
}

void CWorldTimeView::drawFace(QPainter& painter, const Face& face)
{
    painter.fillRect(m_clientRect, kBack);
    if (!face.lit)
        return;
    const std::tm tm = WallTimeToTm(face.time);
    char date[32];
    std::strftime(date, sizeof date, "%y-%m-%d", &tm);
    painter.setPen(kText);
    DrawTextCell(painter, *GetClockFont(240), 100, 13,
                 QString::fromStdString(ClockTimeText(tm, face.h24)));
    DrawTextCell(painter, *GetClockFont(140), 18, 23, QString::fromLatin1(date));
    if (!face.h24)
        DrawTextCell(painter, *GetClockFont(100), 18, 5, QString::fromLatin1(AmPmText(tm)));
}

void CWorldTimeView::paintEvent(QPaintEvent*)
{
    const Face face = currentFace();
    if (m_bitmap.isNull()) {
        const qreal dpr = devicePixelRatioF();
        m_bitmap = QPixmap(m_clientRect.size() * dpr);
        m_bitmap.setDevicePixelRatio(dpr);
    }
    // The picture is composed again only when it would differ; an expose
    // or a paint for the blink copies the one already made.
    if (face != m_facePainted) {
        QPainter memory(&m_bitmap);
        memory.setRenderHint(QPainter::TextAntialiasing);
        drawFace(memory, face);
        m_facePainted = face;
    }
    *m_selectBlink = *m_selectBlink > 0 ? *m_selectBlink - 1 : 0;

    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bitmap);
    // Should the control have grown since, the rest is background.
    const QRegion rest = QRegion(rect()).subtracted(m_clientRect);
    if (!rest.isEmpty()) {
        painter.setClipRegion(rest);
        painter.fillRect(rect(), kBack);
    }
}
