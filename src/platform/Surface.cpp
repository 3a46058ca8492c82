#include "Surface.h"

#include "Raster.h"
#include "ScreenUnits.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace imprimata {

QImage makeSurfaceImage(int width, int height, ColourValue fill) {
    QImage image(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(screenDpi() / 0.0254 + 0.5);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(rgbFromColour(resolveColour(fill)));
    return image;
}

Surface::Surface(int width, int height, ColourValue back)
    : image_(makeSurfaceImage(width, height, back)), back_(back) {}

void Surface::resize(int width, int height) {
    if (width == image_.width() && height == image_.height())
        return;
    QImage resized = makeSurfaceImage(width, height, back_);
    const int w = std::min(width, image_.width());
    for (int y = 0; y < std::min(height, image_.height()); ++y)
        std::copy_n(reinterpret_cast<const QRgb *>(image_.constScanLine(y)), w,
                    reinterpret_cast<QRgb *>(resized.scanLine(y)));
    image_ = std::move(resized);
    alpha_ = QImage();
}

void Surface::setImage(const QImage &picture) {
    if (picture.format() == QImage::Format_RGB32) {
        image_ = picture;
    } else {
        image_ = picture.convertToFormat(QImage::Format_RGB32);
    }
    alpha_ = QImage();
}

void Surface::clear() {
    image_.fill(rgbFromColour(resolveColour(back_)));
    alpha_ = QImage();
    currentX_ = 0;
    currentY_ = 0;
}

ColourValue Surface::point(int x, int y) const {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height())
        return -1;
    return colourFromRgb(reinterpret_cast<const QRgb *>(image_.constScanLine(y))[x]);
}

void Surface::setPoint(int x, int y, ColourValue colour) {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height())
        return;
    reinterpret_cast<QRgb *>(image_.scanLine(y))[x] = rgbFromColour(resolveColour(colour));
}

QFont Surface::drawingFont(const SharedFont &font, bool smooth) {
    QFont f = font ? font->font : QFont();
    f.setStyleStrategy(smooth ? QFont::PreferAntialias : QFont::NoAntialias);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QImage Surface::printCoverage(const QString &text) const {
    QImage coverage(image_.size(), QImage::Format_Alpha8);
    coverage.setDotsPerMeterX(image_.dotsPerMeterX());
    coverage.setDotsPerMeterY(image_.dotsPerMeterY());
    coverage.fill(0);
    if (coverage.isNull() || text.isEmpty())
        return coverage;
    // Drawn into an alpha channel, glyphs are grey-scale anti-aliased, never by sub-pixels.
    QPainter painter(&coverage);
    const QFont f = drawingFont(font_, true);
    painter.setFont(f);
    painter.setPen(Qt::black);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QFontMetrics metrics(f, &coverage);
    painter.drawText(QPoint(currentX_, currentY_ + metrics.ascent()), text);
    return coverage;
}

void Surface::print(const QString &text) {
    if (smooth_ && !image_.isNull() && !text.isEmpty()) {
        blendByCoverage(image_, printCoverage(text), 0, 0, image_.width(), image_.height(),
                        rgbFromColour(resolveColour(fore_)), 255);
    } else if (!image_.isNull() && !text.isEmpty()) {
        QPainter painter(&image_);
        const QFont f = drawingFont(font_);
        painter.setFont(f);
        painter.setPen(QColor(rgbFromColour(resolveColour(fore_))));
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        const QFontMetrics metrics(f, &image_);
        painter.drawText(QPoint(currentX_, currentY_ + metrics.ascent()), text);
    }
    currentX_ = 0;
    currentY_ += textHeight(text);
}

int Surface::textWidth(const QString &text) const {
    return QFontMetrics(drawingFont(font_, smooth_), &image_).horizontalAdvance(text);
}

int Surface::textHeight(const QString &) const {
    return QFontMetrics(drawingFont(font_, smooth_), &image_).height();
}

} // namespace imprimata
