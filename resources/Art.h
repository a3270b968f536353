#pragma once
// The program's pictures, drawn in code: the window and tray icon, the
// banner under the main window's message field, the send indicator and the
// alarm popup's art.

#include <QIcon>
#include <QPixmap>

// Icon 128: a clock face, at the sizes trays and title bars ask for.
QIcon AppIcon();
// Banner 158, 142 x 20 pixels.
QPixmap BannerPixmap();
// Send indicator 145 (lit) or 146 (dark), 20 x 20 pixels.
QPixmap SendIndicatorPixmap(bool lit);
// Picture 139, 170 x 120 pixels, 24-bit: the alarm popup's background. The
// popup shows it from (9, 9) and writes its text into (24, 24, 146, 96).
QPixmap AlarmPicture();
