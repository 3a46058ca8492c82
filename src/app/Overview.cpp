#include "Overview.h"

#include "platform/Numeric.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace imprimata {

PictureOverview::PictureOverview(QWidget *parent) : QLabel(parent) {
    setScaledContents(true);
}

void PictureOverview::setView(QSize picture, const QRect &visible, const QRect &placement) {
    picture_ = picture;
    visible_ = visible;
    placement_ = placement;
    setCursor(Qt::CrossCursor);
    update();
}

void PictureOverview::clearView() {
    picture_ = {};
    unsetCursor();
    update();
}

QRect PictureOverview::toBox(const QRect &area) const {
    if (picture_.isEmpty() || area.isEmpty())
        return {};
    const double sx = double(width()) / picture_.width(), sy = double(height()) / picture_.height();
    const QPoint topLeft(roundToInt(area.left() * sx), roundToInt(area.top() * sy));
    const QPoint end(roundToInt((area.right() + 1) * sx), roundToInt((area.bottom() + 1) * sy));
    // Never thinner than a line, so a small footprint stays visible.
    return QRect(topLeft, end - QPoint(1, 1)).normalized() | QRect(topLeft, QSize(1, 1));
}

void PictureOverview::paintEvent(QPaintEvent *event) {
    QLabel::paintEvent(event);
    if (!showsView())
        return;
    QPainter painter(this);
    // Drawn twice, dark inside light, so the outline shows on any picture.
    const auto outline = [&painter](const QRect &r, const QColor &colour) {
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(r.adjusted(1, 1, -1, -1));
        painter.setPen(QPen(colour, 1));
        painter.drawRect(r);
    };
    if (const QRect r = toBox(visible_); !r.isEmpty() && r != rect().adjusted(0, 0, -1, -1))
        outline(r, Qt::white);
    if (const QRect r = toBox(placement_); !r.isEmpty())
        painter.fillRect(r, QColor(255, 200, 0, 160));
}

void PictureOverview::requestCentre(QPoint boxPoint) {
    if (!showsView() || width() <= 0 || height() <= 0)
        return;
    const int x = std::clamp(boxPoint.x(), 0, width() - 1) * picture_.width() / width();
    const int y = std::clamp(boxPoint.y(), 0, height() - 1) * picture_.height() / height();
    emit centreRequested(QPoint(x, y));
}

void PictureOverview::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        requestCentre(event->position().toPoint());
    QLabel::mousePressEvent(event);
}

void PictureOverview::mouseMoveEvent(QMouseEvent *event) {
    if (event->buttons() & Qt::LeftButton)
        requestCentre(event->position().toPoint());
    QLabel::mouseMoveEvent(event);
}

} // namespace imprimata
