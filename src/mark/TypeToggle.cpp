#include "TypeToggle.h"

#include <QPainter>
#include <QStyleOptionButton>

namespace imprimata {

TypeToggle::TypeToggle(QWidget *parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
}

void TypeToggle::setFaces(const QImage &off, const QImage &on) {
    off_ = off;
    on_ = on;
    update();
}

QSize TypeToggle::sizeHint() const {
    return off_.size().expandedTo(on_.size()) + QSize(12, 12);
}

void TypeToggle::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= (isChecked() || isDown()) ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
    const QImage &picture = face(value());
    QPoint at((width() - picture.width()) / 2, (height() - picture.height()) / 2);
    if (isChecked() || isDown())
        at += QPoint(1, 1);
    painter.drawImage(at, picture);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(4, 4, -4, -4);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

} // namespace imprimata
