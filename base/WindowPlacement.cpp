#include "base/WindowPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <vector>

namespace {

// The size the window shows with: its style and fonts applied and its
// layout settled first. A window never sized shows at the size its layout
// asks for, as show() would give it; placing it must not fix Qt's default
// of 640 x 480 instead.
QSize ShownSize(QWidget* w)
{
    w->ensurePolished();
    if (QLayout* layout = w->layout())
        layout->activate();
    if (!w->testAttribute(Qt::WA_Resized) && !w->isVisible())
        w->adjustSize();
    // Before the window is made its frame is not known, and Qt's
    // frameGeometry() then comes out a pixel short each way.
    return w->testAttribute(Qt::WA_WState_Created) ? w->frameGeometry().size() : w->size();
}

// A window of the program that counts for stacking: shown, and neither a
// menu nor a tooltip.
bool IsShownWindow(const QWidget* w)
{
    const Qt::WindowType type = w->windowType();
    return w->isVisible() && type != Qt::Popup && type != Qt::ToolTip;
}

class DialogStacker : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            stack(static_cast<QWidget*>(watched));
        return false;
    }

private:
    static void stack(QWidget* dialog)
    {
        if (!dialog->isWindow() || !dialog->isModal()
            || dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            return;
        bool anyShown = false, anyOnTop = false;
        for (const QWidget* w : QApplication::topLevelWidgets()) {
            if (w == dialog || !IsShownWindow(w))
                continue;
            anyShown = true;
            anyOnTop = anyOnTop || w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        }
        if (anyShown && !anyOnTop)
            return;
        // The show has made the native window and not yet mapped it: the
        // flag reaches the window system with the map. setWindowFlags
        // would hide the dialog in the middle of its show.
        dialog->overrideWindowFlags(dialog->windowFlags() | Qt::WindowStaysOnTopHint);
        if (QWindow* window = dialog->windowHandle())
            window->setFlags(window->flags() | Qt::WindowStaysOnTopHint);
    }
};

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

void PlaceClear(QWidget* w, Point wanted)
{
    const QPoint at(wanted.x, wanted.y);
    const QScreen* screen = QGuiApplication::screenAt(at);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    std::vector<Rect> taken;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other != w && IsShownWindow(other)) {
            const QRect g = other->frameGeometry();
            taken.push_back({g.x(), g.y(), g.width(), g.height()});
        }
    }
    const QRect area = screen->availableGeometry();
    const QSize size = ShownSize(w);
    const Point p = FreeSpot(wanted, size.width(), size.height(),
                             {area.x(), area.y(), area.width(), area.height()}, taken);
    PutClientAt(w, QPoint(p.x, p.y));
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

void KeepDialogsInSight(QApplication& app)
{
    app.installEventFilter(new DialogStacker(&app));
}

void ShowRestored(QWidget* w)
{
    w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
    w->activateWindow();
}
