#pragma once
// The world time dialog's clock: the selected region's time and date in
// green on black, redrawn just after each second boundary while it is
// shown, blinking three times after a new selection.

#include <QBasicTimer>
#include <QFont>
#include <QPixmap>
#include <QWidget>

#include <ctime>
#include <functional>
#include <optional>

#include "clocks/WallTime.h"

class CWorldTimeView : public QWidget
{
    Q_OBJECT
public:
    // Paints are this many ms apart while the blink counter runs.
    static constexpr int kBlinkMs = 50;
    // The view sits this many pixels inside the rectangle it is given.
    static constexpr int kInset = 5;

    // A visible child of parent covering rect (parent's coordinates) shrunk
    // by kInset on every side, with control number id; every paint lowers
    // *selectBlink, which must outlive the view, by one down to 0, and the
    // texts show only while it is 0..2 modulo 6.
    CWorldTimeView(QWidget* parent, const QRect& rect, int id, int* selectBlink);
    ~CWorldTimeView() override;

    // The clock font of size tenths of a point, 240, 140 or 100 in the
    // Latin face; nullptr for any other size. The first call makes all three.
    const QFont* GetClockFont(int size);

    // The wall-clock time shown: the selected region's (g_nSelectedArea),
    // Korean time while none is selected.
    WallTime timeShown() const { return m_timeShown; }

    // Where the PC's time is read from now on (taken at once); empty: the
    // system clock.
    void setTimeSource(std::function<std::time_t()> now);

    // A new selection set the blink counter: paint every kBlinkMs until it
    // has counted down. A counter set without this starts at the next second.
    void Blink();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // What a picture shows; a tick repaints only when it would change, or
    // while the blink counter still runs (each paint counts it down).
    struct Face
    {
        WallTime time{};
        bool h24 = false;
        bool lit = false;  // texts drawn, not dark
        bool operator==(const Face&) const = default;
    };

    void takeTime();
    // Each new second while shown (ClockTicker).
    void onSecond();
    Face currentFace() const;
    void drawFace(QPainter& painter, const Face& face);

    int* m_selectBlink;
    WallTime m_timeShown{};
    std::optional<Face> m_facePainted;  // what m_bitmap holds
    QRect m_clientRect;                 // 0, 0 and the size at creation
    QBasicTimer m_blinkTimer;           // runs while the blink counts down
    QPixmap m_bitmap;                   // the picture, composed off-screen
    std::optional<QFont> m_fonts[3];    // 240, 140, 100
    std::function<std::time_t()> m_now;
};
