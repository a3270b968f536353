#include "base/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <vector>

bool MoveToSaved(QWidget* w, const std::optional<Point>& saved)
{
    if (!saved)
        return false;
    std::vector<Rect> screens;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        screens.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    if (!PositionOnAnyScreen(saved->x, saved->y, screens))
        return false;   // saved on a screen that is gone
    w->move(saved->x, saved->y);
    return true;
}

void SetTopmost(QWidget* w, bool topmost)
{
    if (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost)
        return;
    const bool visible = w->isVisible();
    w->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);   // hides a shown window
    if (visible)
        w->show();
}

void ShowRestored(QWidget* w)
{
    w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
}
