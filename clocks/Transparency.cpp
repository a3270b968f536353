#include "clocks/Transparency.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

bool IsWindows2000OrXP()
{
    auto* app = qGuiApp;
    if (app == nullptr)
        return false;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr)
        return false;
    xcb_connection_t* connection = x11->connection();
    if (connection == nullptr || xcb_connection_has_error(connection) != 0)
        return false;

    // The screen the application opened: the one DISPLAY names, else 0.
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
        screen = 0;
    std::free(host);
    char name[32];
    std::snprintf(name, sizeof name, "_NET_WM_CM_S%d", screen);

    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    if (atom == nullptr)
        return false;
    const xcb_atom_t selection = atom->atom;
    std::free(atom);
    if (selection == XCB_ATOM_NONE)  // never interned: no compositor ever claimed it
        return false;

    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    if (owner == nullptr)
        return false;
    const bool owned = owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    return owned;
}
