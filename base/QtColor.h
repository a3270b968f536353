#pragma once
// Colours as the settings store keeps them (ColorRef, 0x00BBGGRR) and as Qt
// paints them.

#include <QColor>

#include "base/ColorRef.h"

// The opaque colour of c; its top byte is ignored.
inline QColor ColorRefToQColor(ColorRef c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                  static_cast<int>(c >> 16 & 0xFF));
}

// c as 0x00BBGGRR; its alpha is dropped.
inline ColorRef QColorToColorRef(const QColor& c)
{
    const QColor rgb = c.toRgb();
    return static_cast<ColorRef>(rgb.red()) | static_cast<ColorRef>(rgb.green()) << 8 |
           static_cast<ColorRef>(rgb.blue()) << 16;
}
