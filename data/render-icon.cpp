// Build-time helper: renders the SVG icon to a square PNG, so the repository holds no binary
// artwork. Usage: imprimata-render-icon ICON.svg SIZE OUT.png
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char *argv[]) {
    if (argc != 4) {
        std::fputs("usage: imprimata-render-icon ICON.svg SIZE OUT.png\n", stderr);
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    bool ok = false;
    const int size = QString::fromLocal8Bit(argv[2]).toInt(&ok);
    if (!svg.isValid() || !ok || size < 1 || size > 1024) {
        std::fprintf(stderr, "imprimata-render-icon: cannot render %s at %s pixels\n", argv[1],
                     argv[2]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "imprimata-render-icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
