#pragma once

#include "Colour.h"
#include "SharedFont.h"

#include <QImage>
#include <QString>

namespace imprimata {

// A pixel surface with a persistent image, addressed in pixels from the top-left.
// It prints text like a picture box: at a current position, in its own font and
// fore colour, touching only the glyph pixels.
class Surface {
public:
    explicit Surface(int width = 0, int height = 0, ColourValue back = White);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    // Resizing keeps the pixels that still fit and fills the rest with the background.
    void resize(int width, int height);

    QImage &image() { return image_; }
    const QImage &image() const { return image_; }
    // Takes a picture as this surface's image and size; shares the pixels until written.
    void setImage(const QImage &picture);
    void takeImage(const Surface &other) { setImage(other.image_); }
    // Removes the picture: every pixel becomes the background colour, opaque.
    void clear();

    // The transparency of the picture drawn in the surface, for the Alpha blend: Format_Alpha8
    // of the surface's size, or null where every pixel is opaque. Resizing or taking another
    // image drops it.
    const QImage &alphaPlane() const { return alpha_; }
    void setAlphaPlane(QImage alpha) { alpha_ = std::move(alpha); }

    // The colour at (x, y), or -1 outside the image.
    ColourValue point(int x, int y) const;
    // Silent outside the image.
    void setPoint(int x, int y, ColourValue colour);

    ColourValue backColour() const { return back_; }
    void setBackColour(ColourValue colour) { back_ = colour; }
    ColourValue foreColour() const { return fore_; }
    void setForeColour(ColourValue colour) { fore_ = colour; }
    const SharedFont &font() const { return font_; }
    void setFont(SharedFont font) { font_ = std::move(font); }

    int currentX() const { return currentX_; }
    int currentY() const { return currentY_; }
    void setCurrentPosition(int x, int y) {
        currentX_ = x;
        currentY_ = y;
    }

    // Prints at the current position; the position then moves to the start of the next line.
    // Smooth text is anti-aliased: each pixel takes the colour by the glyphs' coverage of it.
    void print(const QString &text);
    bool smoothText() const { return smooth_; }
    void setSmoothText(bool smooth) { smooth_ = smooth; }
    // How much of each pixel the anti-aliased glyphs of the text, printed at the current
    // position, cover: Format_Alpha8 of the surface's size. The position stays.
    QImage printCoverage(const QString &text) const;
    int textWidth(const QString &text) const;
    int textHeight(const QString &text) const;

    // The font as glyphs are drawn: never anti-aliased, so glyph pixels carry the exact colour,
    // unless smooth.
    static QFont drawingFont(const SharedFont &font, bool smooth = false);

private:
    QImage image_;
    QImage alpha_;
    bool smooth_ = false;
    ColourValue back_;
    ColourValue fore_ = SystemWindowText;
    SharedFont font_;
    int currentX_ = 0;
    int currentY_ = 0;
};

// A blank Format_RGB32 image with the screen's resolution, so point sizes map to pixels
// the same way on surfaces as on screen.
QImage makeSurfaceImage(int width, int height, ColourValue fill);

} // namespace imprimata
