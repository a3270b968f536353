#pragma once
// The main window's one-line message field, in colours of its own.

#include <QLabel>

#include "base/ColorRef.h"

// Colour value meaning "the system's colour" for the label's setters.
constexpr ColorRef kSystemColor = 0xFFFFFFFF;  // -1

// A label whose text is drawn centred in its text colour on a background
// filled wholly in its background colour. Both colours start as the system
// button-text and button-face colours.
class CColorLabel : public QLabel
{
    Q_OBJECT
public:
    explicit CColorLabel(QWidget* parent = nullptr);
    explicit CColorLabel(const QString& text, QWidget* parent = nullptr);

    // Sets the text colour (0x00BBGGRR; kSystemColor: the palette's button
    // text, followed when the palette changes) and repaints.
    void SetLabelTextColor(ColorRef colour);
    // Sets the background colour (kSystemColor: the palette's button face)
    // and repaints.
    void SetLabelBackColor(ColorRef colour);

    // The colours painted now, system colours resolved.
    QColor textColor() const;
    QColor backColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorRef m_textColor = kSystemColor;
    ColorRef m_backColor = kSystemColor;
};
