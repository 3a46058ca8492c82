#include "Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace imprimata {

QImage myMarkPicture() {
    QImage canvas(63, 25, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        QFont font(QStringLiteral("Times New Roman"));
        font.setStyleHint(QFont::Serif);
        font.setPixelSize(21);
        font.setBold(true);
        font.setStyleStrategy(QFont::NoAntialias);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QRect(0, 0, 63, 25), Qt::AlignCenter, QStringLiteral("My \u00A9"));
    }
    return canvas.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
}

QImage photoPicture() {
    QImage image(45, 45, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 30);
    sky.setColorAt(0, QColor(40, 110, 200));
    sky.setColorAt(1, QColor(170, 210, 240));
    p.fillRect(image.rect(), sky);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 215, 70));
    p.drawEllipse(QPointF(33, 11), 5.5, 5.5);

    QPainterPath far;
    far.moveTo(0, 30);
    far.lineTo(12, 17);
    far.lineTo(22, 26);
    far.lineTo(30, 20);
    far.lineTo(45, 31);
    far.lineTo(45, 45);
    far.lineTo(0, 45);
    far.closeSubpath();
    p.setBrush(QColor(95, 110, 135));
    p.drawPath(far);
    p.setBrush(QColor(240, 240, 250));
    QPainterPath snow;
    snow.moveTo(12, 17);
    snow.lineTo(15.5, 21);
    snow.lineTo(8.5, 21);
    snow.closeSubpath();
    p.drawPath(snow);

    QLinearGradient meadow(0, 32, 0, 45);
    meadow.setColorAt(0, QColor(110, 170, 60));
    meadow.setColorAt(1, QColor(50, 110, 35));
    QPainterPath hills;
    hills.moveTo(0, 36);
    hills.quadTo(16, 29, 45, 35);
    hills.lineTo(45, 45);
    hills.lineTo(0, 45);
    hills.closeSubpath();
    p.setBrush(meadow);
    p.drawPath(hills);

    // A white print border, so it reads as a photograph.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 2));
    p.drawRect(QRectF(1, 1, 43, 43));
    p.setPen(QColor(90, 90, 90));
    p.drawRect(QRect(0, 0, 44, 44));
    return image;
}

} // namespace imprimata
