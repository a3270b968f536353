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
