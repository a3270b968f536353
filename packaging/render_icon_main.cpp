// vesk-render-icon DIR ID SIZE...: writes the program's icon, drawn in
// code, as DIR/<SIZE>x<SIZE>/apps/ID.png for the hicolor icon theme. Run at
// build time; never installed.

#include "resources/Art.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: vesk-render-icon DIR ID SIZE...\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QString id = QString::fromLocal8Bit(argv[2]);
    const QIcon icon = AppIcon();
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        const QString sized = QStringLiteral("%1/%2x%2/apps").arg(dir).arg(size);
        const QString file = sized + QStringLiteral("/") + id + QStringLiteral(".png");
        // The theme trusts the folder's size: a picture of another size is
        // wrong, not scaled.
        const QPixmap pixmap = icon.pixmap(QSize(size, size));
        if (pixmap.size() != QSize(size, size) || !QDir().mkpath(sized) || !pixmap.save(file)) {
            std::fprintf(stderr, "vesk-render-icon: cannot write %s at %dx%d\n",
                         qPrintable(file), size, size);
            return 1;
        }
    }
    return 0;
}
