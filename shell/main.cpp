// Vesk: the standard-time client's desktop program.

#include "shell/CClockApp.h"
#include "shell/CMainFrame.h"

#include <QApplication>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    // Saved window positions and topmost windows need X11; under a Wayland
    // session ask for XWayland unless the user chose a platform.
    const char* session = std::getenv("XDG_SESSION_TYPE");
    if (session && !std::strcmp(session, "wayland") && !std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);   // the tray keeps the program alive

    CClockApp clockApp;
    if (const auto code = clockApp.InitInstance())
        return *code;
    QObject::connect(clockApp.Frame(), &CMainFrame::closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    return app.exec();
}
