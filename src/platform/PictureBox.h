#pragma once

#include "Surface.h"

#include <QWidget>

namespace imprimata {

// A widget showing a Surface that covers the whole widget. The optional one-pixel
// border is painted on screen only; the surface keeps its pixels under it.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr, ColourValue back = White);

    // The surface always has the box's size, hidden boxes included (they get no resize events).
    Surface &surface() {
        syncSize();
        return surface_;
    }
    const Surface &surface() const {
        syncSize();
        return surface_;
    }

    void setBorder(bool on);
    // Takes the picture and sizes the box to it.
    void showPicture(const QImage &picture);
    // Repaints after the surface's pixels were changed directly.
    void refresh() { update(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void syncSize() const { surface_.resize(width(), height()); }

    mutable Surface surface_;
    bool border_ = false;
};

} // namespace imprimata
