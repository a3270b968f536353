#include "clocks/CColorLabel.h"

#include <QPainter>

#include "base/QtColor.h"

CColorLabel::CColorLabel(QWidget* parent) : CColorLabel(QString(), parent)
{
}

CColorLabel::CColorLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setAlignment(Qt::AlignCenter);
    setTextFormat(Qt::PlainText);
    // paintEvent covers every pixel.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CColorLabel::SetLabelTextColor(ColorRef colour)
{
    m_textColor = colour;
    update();
}

void CColorLabel::SetLabelBackColor(ColorRef colour)
{
    m_backColor = colour;
    update();
}

QColor CColorLabel::textColor() const
{
    return m_textColor == kSystemColor ? palette().color(QPalette::ButtonText)
                                       : ColorRefToQColor(m_textColor);
}

QColor CColorLabel::backColor() const
{
    return m_backColor == kSystemColor ? palette().color(QPalette::Button)
                                       : ColorRefToQColor(m_backColor);
}

void CColorLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), backColor());
    painter.setPen(textColor());
    painter.setFont(font());
    const int flags = static_cast<int>(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
    painter.drawText(contentsRect(), flags, text());
}
