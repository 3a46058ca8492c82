#pragma once

#include "models/StampModel.h"
#include "render/Stamp.h"

#include "platform/Surface.h"

#include <QImage>

namespace imprimata {

// Stamps as Insert does, the mark view's top-left pixel at picture pixel `at`: the background
// buffer holds the picture under the overlap, the other buffers are white, and the view's
// alpha plane, if any, goes with it.
template <typename Stamp, typename Options>
QImage stamped(const QImage &picture, const QImage &mark, const QImage &markAlpha, QPoint at,
               Stamp stamp, const Options &options, const SharedFont &font = {}) {
    const model::Overlap o = model::overlapAt(picture.size(), mark.size(), at);
    const QRect &t = o.target;
    Surface pic, view, backgroundBuffer, textBuffer(mark.width(), mark.height()),
        compositeBuffer(mark.width(), mark.height());
    pic.setImage(picture.copy());
    view.setImage(mark);
    view.setAlphaPlane(markAlpha);
    backgroundBuffer.setImage(model::backgroundUnder(picture, mark.size(), o));
    for (Surface *s : {&backgroundBuffer, &textBuffer, &compositeBuffer})
        s->setFont(font);
    stamp(pic, {view, backgroundBuffer, textBuffer, compositeBuffer},
          {o.source.x(), o.source.y(), o.source.x() + t.width(), o.source.y() + t.height()},
          {t.left(), t.top(), t.right() + 1, t.bottom() + 1}, options);
    return pic.image();
}

} // namespace imprimata
