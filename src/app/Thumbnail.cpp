#include "Thumbnail.h"

#include "platform/Numeric.h"

namespace imprimata {

QRect thumbnailRect(QSize picture, QSize frame, double tppx, double tppy) {
    const int boxW = frame.width() - 6;
    const int boxH = frame.height() - 12;
    const float boxRatio = static_cast<float>(boxW) / static_cast<float>(boxH);
    const double pw = picture.width(), ph = picture.height();
    double width = pw * tppx, height = ph * tppy; // twips
    if (picture.width() > boxW || picture.height() > boxH) {
        const float pictureRatio = static_cast<float>(pw / ph);
        if (pictureRatio >= boxRatio) {
            width = boxW * tppx;
            height = width / (pw / ph);
        } else {
            height = boxH * tppy;
            width = (pw / ph) * height;
        }
    }
    const double left = (frame.width() * tppx - width) / 2;
    const double top = ((frame.height() - 12) * tppy - height) / 2 + 9 * tppy;
    return {roundToInt(left / tppx), roundToInt(top / tppy), roundToInt(width / tppx),
            roundToInt(height / tppy)};
}

QImage thumbnailImage(const QImage &picture, QSize size) {
    if (picture.isNull() || size.isEmpty())
        return {};
    // Sampling down to a few times the target first keeps a 24-megapixel picture cheap;
    // the smooth pass then removes the sampling's jaggies.
    const QSize coarse = size * 4;
    const QImage sampled =
        picture.width() > coarse.width() * 2 && picture.height() > coarse.height() * 2
            ? picture.scaled(coarse, Qt::IgnoreAspectRatio, Qt::FastTransformation)
            : picture;
    return sampled.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

int largeChange(int max) {
    return max > 10 ? roundToInt(max / 10.0) : 1;
}

} // namespace imprimata
