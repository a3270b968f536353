#pragma once
// The small frameless clock window: a world clock for one region of the
// world time table, or the slim Korea clock. Dragged by its body; its
// context menu is the tray menu, and marks it as the window the menu's
// "닫기" closes.

#include "base/ColorRef.h"
#include "clocks/ClockFaces.h"
#include "clocks/Transparency.h"
#include "clocks/WallTime.h"

#include <QPixmap>
#include <QWidget>

#include <ctime>
#include <functional>
#include <optional>
#include <string>

class SettingsStore;

class CClockWnd : public QWidget
{
    Q_OBJECT
public:
    // A hidden clock window owned by frame. korea: the slim Korea clock,
    // which keeps its corner in store; otherwise a world clock for row.
    CClockWnd(QWidget* frame, SettingsStore& store, bool korea, std::int32_t row = -1,
              const std::string& name = {});
    ~CClockWnd() override;

    // See-through (only the text and a small bar drawn) or opaque; nothing
    // where no compositor runs.
    void SetTransparency(bool on);
    bool Transparent() const { return m_bTransparent; }

    std::int32_t m_nAreaCode = -1;    // row of the world time table, -1 Korea
    std::string m_strAreaName;        // UTF-8, drawn on the first line
    bool m_bKorea = false;
    bool m_bMenuOwner = false;        // its context menu was opened last
    WallTime m_timeShown{};           // the wall time drawn

    // The texts of the face for a wall time: first line, date, marker
    // (empty in 24-hour mode) and time.
    struct FaceText
    {
        QString name, date, marker, time;
        bool operator==(const FaceText&) const = default;
    };
    FaceText faceText(WallTime wall) const;

    // Replaces the clock's source of the current time (tests).
    void setTimeSource(std::function<std::time_t()> now) { m_now = std::move(now); }
    // Whether the window has been on screen in this run: only then is its
    // place worth saving.
    bool WasShown() const { return m_bWasShown; }

signals:
    // The context menu was asked for, at a screen point.
    void popupMenuRequested(QPoint globalPos);
    // Its close hid it; a world clock is never shown again.
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Korean time, or the region's time for a world clock.
    WallTime wallNow() const;
    // Each new second while shown (ClockTicker): repaint when the picture would change.
    void onSecond();
    void storeCorner();

    SettingsStore& m_store;
    std::function<std::time_t()> m_now;
    bool m_bWasShown = false;
    bool m_bTransparent = false;
    bool m_bBitmapMade = false;
    QPixmap m_bitmap;
    bool m_bDragging = false;
    QPoint m_dragOffset;   // cursor minus window corner at the press

    // What the picture shows. A new second repaints only what changed,
    // which is mostly the time cell alone.
    struct Face
    {
        FaceText text;
        ColorRef textColour = 0, back = 0;
        bool transparent = false;
        bool operator==(const Face&) const = default;
        bool SameBesidesTime(const Face& o) const;
    };
    Face currentFace() const;
    std::optional<Face> m_facePainted;   // what m_bitmap holds
    TextCell m_cells[4];                 // name, date, marker, time
};
