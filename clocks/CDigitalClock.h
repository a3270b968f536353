#pragma once
// The main window's digital clock: the PC's local time and date, redrawn
// just after each second boundary, ticking once a second when asked to, and
// handing mouse presses on it to the window beneath so that window can be
// dragged by it.

#include <QEvent>
#include <QFont>
#include <QPixmap>
#include <QWidget>

#include "base/Options.h"
#include "clocks/ClockFaces.h"

#include <ctime>
#include <functional>
#include <optional>

class TickPlayer;

// Whether the main clock may tick audibly: set at start, cleared while the
// main window is hidden or minimised, set again when it (or, with Small on,
// the slim clock) is brought up. GUI thread only.
extern bool g_bMainVisible;

class CDigitalClock : public QWidget
{
    Q_OBJECT
public:
    // A visible child of parent covering rect (parent's coordinates), with
    // control number id; the picture keeps rect's size for good.
    CDigitalClock(QWidget* parent, const QRect& rect, int id);
    ~CDigitalClock() override;

    // The clock font of size tenths of a point: 280 or 240 in the Latin
    // face, 100 in the Korean face; nullptr for any other size. The first
    // call makes all three.
    const QFont* GetClockFont(int size);

    // The second the clock shows, seconds since 1970 UTC.
    std::time_t timeShown() const { return m_timeShown; }

    // Where ticks are sounded; nullptr: DefaultTickPlayer().
    void setTickPlayer(TickPlayer* player);
    // Where the current time is read from now on (the clock shows its
    // second at once, without a tick); empty: the system clock.
    void setTimeSource(std::function<std::time_t()> now);

signals:
    // Right click while Small is on: the tray's menu is wanted at globalPos.
    void popupMenuRequested(QPoint globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // What the picture shows. A new second repaints only what changed,
    // which is mostly the time cell alone.
    struct Face
    {
        QString time, date, marker;   // marker empty in 24-hour mode
        bool h24 = false;
        ColorRef text = 0;
        ColorRef back = 0;
        bool operator==(const Face&) const = default;
        bool SameBesidesTime(const Face& o) const;
    };

    // Each new second (ClockTicker): the tick, and a repaint of what changed.
    void onSecond();
    std::time_t currentTime() const;
    Face currentFace() const;
    QRect timeCell(bool h24) const;
    void drawFace(QPainter& painter, const Face& face);
    void forwardToParent(const QMouseEvent* event, QEvent::Type type);

    std::time_t m_timeShown = 0;
    std::optional<Face> m_facePainted;   // what m_bitmap holds
    TextCell m_cells[3];                 // time, marker, date
    QRect m_clientRect;       // 0, 0 and the size at creation
    bool m_bBitmapMade = false;
    QPixmap m_bitmap;         // the picture, composed off-screen
    std::optional<QFont> m_fonts[3];  // 280, 240, 100
    TickPlayer* m_tickPlayer = nullptr;
    std::function<std::time_t()> m_now;
};
