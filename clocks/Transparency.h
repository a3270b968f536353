#pragma once
// Whether the desktop can show see-through windows.

// True when a compositing manager runs on the X display (the _NET_WM_CM_Sn
// selection of the application's screen has an owner), so a window with a
// translucent background shows what lies beneath it; false on other
// platforms (offscreen, Wayland without X) and without a compositor. Asks
// the X server each time: a compositor may start or stop while the program
// runs. Call on the GUI thread after the QApplication exists.
bool IsWindows2000OrXP();
