#include "clocks/ClockFaces.h"

#include <QPainter>

const QStringList kLatinFaces = {"Liberation Sans", "Arimo", "Arial", "NanumGothic", "DejaVu Sans"};
const QStringList kKoreanFaces = {"NanumGothic", "나눔고딕", "Noto Sans CJK KR", "Noto Sans KR",
                                  "UnDotum", "Baekmuk Gulim"};

namespace {

int TenthsToPixels(int tenths)
{
    return (tenths * 96 + 360) / 720;
}

} // namespace

QFont MakeClockFont(const QStringList& faces, int tenths)
{
    QFont font;
    font.setFamilies(faces);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(TenthsToPixels(tenths));
    return font;
}

void DrawTextCell(QPainter& painter, const QFont& font, int x, int y, const QString& text)
{
    painter.setFont(font);
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

void TextCell::Draw(QPainter& painter, const QFont& font, int x, int y, const QString& text)
{
    if (m_layout.text() != text || m_font != font) {
        m_layout.setTextFormat(Qt::PlainText);
        m_layout.setText(text);
        m_layout.prepare(QTransform(), font);
        m_font = font;
    }
    // A cell the clip leaves out is not drawn at all; its ink may reach a
    // pixel or two past its box.
    constexpr qreal kInk = 3;
    const QRectF box = QRectF(QPointF(x, y), m_layout.size()).adjusted(-kInk, -kInk, kInk, kInk);
    if (painter.hasClipping() && !painter.clipBoundingRect().intersects(box))
        return;
    // The painter's font is the layout's: the same font keeps it.
    painter.setFont(font);
    painter.drawStaticText(x, y, m_layout);
}
