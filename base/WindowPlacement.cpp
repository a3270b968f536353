#include "base/WindowPlacement.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>

#include <vector>

namespace {

// The size the window shows with: its style and fonts applied and its
// layout settled first.
QSize ShownSize(QWidget* w)
{
    w->ensurePolished();
    if (QLayout* layout = w->layout())
        layout->activate();
    return w->frameGeometry().size();
}

// Client area at corner, keeping the size. setGeometry, not move: before the
// window manager has framed a window, move() may place either the frame or
// the client area there, and the window would creep by its frame at every
// restart.
void PutClientAt(QWidget* w, const QPoint& corner)
{
    w->setGeometry(QRect(corner, w->size()));
}

} // namespace

Point SavedCorner(const QWidget* w)
{
    const QPoint p = w->geometry().topLeft();
    return {p.x(), p.y()};
}

bool MoveToSaved(QWidget* w, const std::optional<Point>& saved)
{
    if (!saved)
        return false;
    std::vector<Rect> screens;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->availableGeometry();
        screens.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    const QSize size = ShownSize(w);
    const Point p = PlaceOnScreens(*saved, size.width(), size.height(), screens);
    PutClientAt(w, QPoint(p.x, p.y));
    return true;
}

void CentreOnScreen(QWidget* w)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = ShownSize(w);
    PutClientAt(w, area.topLeft() + QPoint((area.width() - size.width()) / 2,
                                           (area.height() - size.height()) / 2));
}

void SetTopmost(QWidget* w, bool topmost)
{
    if (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost)
        return;
    const bool visible = w->isVisible();
    const bool placed = w->testAttribute(Qt::WA_Moved);
    const QPoint corner = w->geometry().topLeft();
    // Hides a shown window, and makes the corner it was placed at the
    // frame's again.
    w->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (placed)
        PutClientAt(w, corner);
    if (visible)
        w->show();
}

void ShowRestored(QWidget* w)
{
    w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
    w->activateWindow();
}
