#include "PictureBox.h"

#include <QPaintEvent>
#include <QPainter>

namespace imprimata {

PictureBox::PictureBox(QWidget *parent, ColourValue back) : QWidget(parent), surface_(0, 0, back) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setBorder(bool on) {
    border_ = on;
    update();
}

void PictureBox::showPicture(const QImage &picture) {
    surface_.setImage(picture);
    resize(surface_.width(), surface_.height());
    update();
}

void PictureBox::paintEvent(QPaintEvent *event) {
    syncSize();
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.drawImage(dirty.topLeft(), surface_.image(), dirty);
    const QRegion outside = QRegion(dirty) - QRegion(surface_.image().rect());
    for (const QRect &r : outside)
        painter.fillRect(r, QColor(rgbFromColour(resolveColour(surface_.backColour()))));
    if (border_) {
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void PictureBox::resizeEvent(QResizeEvent *event) {
    syncSize();
    QWidget::resizeEvent(event);
}

} // namespace imprimata
