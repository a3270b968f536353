#include "resources/Art.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace {

QPixmap ClockFace(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(size * 0.06, size * 0.06, size * 0.88, size * 0.88);
    QLinearGradient rim(r.topLeft(), r.bottomRight());
    rim.setColorAt(0, QColor(0x2f, 0x6f, 0xc8));
    rim.setColorAt(1, QColor(0x12, 0x2f, 0x66));
    p.setPen(Qt::NoPen);
    p.setBrush(rim);
    p.drawEllipse(r);
    const QRectF face = r.adjusted(size * 0.09, size * 0.09, -size * 0.09, -size * 0.09);
    p.setBrush(QColor(0xf6, 0xf4, 0xea));
    p.drawEllipse(face);

    const QPointF c = face.center();
    const double radius = face.width() / 2;
    if (size >= 32) {   // hour marks only where they can be told apart
        p.setPen(QPen(QColor(0x30, 0x30, 0x30), std::max(1.0, size / 40.0)));
        for (int h = 0; h < 12; ++h) {
            const double a = h * M_PI / 6;
            p.drawLine(c + QPointF(std::sin(a), -std::cos(a)) * radius * 0.78,
                       c + QPointF(std::sin(a), -std::cos(a)) * radius * 0.92);
        }
    }
    // Ten past ten, in the colours of the program's own clock digits.
    auto hand = [&](double angle, double length, double width, QColor colour) {
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c, c + QPointF(std::sin(angle), -std::cos(angle)) * radius * length);
    };
    hand(10.17 * M_PI / 6, 0.5, std::max(1.5, size / 11.0), QColor(0x20, 0x20, 0x20));
    hand(2 * M_PI / 6, 0.75, std::max(1.0, size / 16.0), QColor(0x20, 0x20, 0x20));
    hand(M_PI, 0.8, std::max(1.0, size / 32.0), QColor(0xd0, 0x20, 0x20));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd0, 0x20, 0x20));
    p.drawEllipse(c, size / 20.0 + 0.5, size / 20.0 + 0.5);
    return pm;
}

} // namespace

QIcon AppIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128})
        icon.addPixmap(ClockFace(size));
    return icon;
}

QPixmap BannerPixmap()
{
    QPixmap pm(142, 20);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 142, 0);
    g.setColorAt(0, QColor(0x12, 0x2f, 0x66));
    g.setColorAt(1, QColor(0x2f, 0x6f, 0xc8));
    p.fillRect(pm.rect(), g);
    p.drawPixmap(2, 1, ClockFace(18));
    QFont f(QStringLiteral("NanumGothic"));
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(22, 0, 118, 20), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("Vesk 표준시"));
    return pm;
}

QPixmap SendIndicatorPixmap(bool lit)
{
    // A round lamp in a grey bezel: green with a glow when lit, dull when not.
    constexpr int kSize = 20;
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bezel(1, 1, kSize - 2, kSize - 2);
    QLinearGradient rim(bezel.topLeft(), bezel.bottomRight());
    rim.setColorAt(0, QColor(0x60, 0x60, 0x60));
    rim.setColorAt(1, QColor(0xe0, 0xe0, 0xe0));
    p.setPen(Qt::NoPen);
    p.setBrush(rim);
    p.drawEllipse(bezel);
    const QRectF lamp = bezel.adjusted(3, 3, -3, -3);
    QRadialGradient glass(lamp.center() - QPointF(2, 2), lamp.width() * 0.7);
    if (lit) {
        glass.setColorAt(0, QColor(0xe8, 0xff, 0xe0));
        glass.setColorAt(0.35, QColor(0x40, 0xf0, 0x40));
        glass.setColorAt(1, QColor(0x10, 0x90, 0x10));
    } else {
        glass.setColorAt(0, QColor(0x70, 0x88, 0x70));
        glass.setColorAt(1, QColor(0x18, 0x30, 0x18));
    }
    p.setBrush(glass);
    p.drawEllipse(lamp);
    return pm;
}

QPixmap AlarmPicture()
{
    QImage image(170, 120, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Paper, yellowish at the top and white at the foot, where the popup
    // runs on past the picture's last row onto its white background.
    QLinearGradient paper(0, 9, 0, 120);
    paper.setColorAt(0, QColor(0xff, 0xf6, 0xd5));
    paper.setColorAt(1, Qt::white);
    p.fillRect(image.rect(), paper);
    QLinearGradient band(9, 0, 169, 0);
    band.setColorAt(0, QColor(0x12, 0x2f, 0x66));
    band.setColorAt(1, QColor(0x2f, 0x6f, 0xc8));
    p.fillRect(QRect(9, 9, 161, 11), band);

    // A small bell left of the text, in the clock's red for its clapper.
    QPainterPath bell;
    bell.moveTo(13, 37);
    bell.cubicTo(14.8, 35, 14.5, 27.5, 18, 26.5);
    bell.cubicTo(21.5, 27.5, 21.2, 35, 23, 37);
    bell.closeSubpath();
    p.setPen(QPen(QColor(0x8a, 0x5a, 0x00), 0.8));
    p.setBrush(QColor(0xe8, 0xb0, 0x30));
    p.drawPath(bell);
    p.drawEllipse(QPointF(18, 25.6), 1.1, 1.1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd0, 0x20, 0x20));
    p.drawEllipse(QPointF(18, 38.2), 1.5, 1.5);
    p.end();
    return QPixmap::fromImage(image);
}
