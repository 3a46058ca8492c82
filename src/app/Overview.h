#pragma once

#include <QLabel>
#include <QRect>

namespace imprimata {

// The preview box beside the file list. It shows a thumbnail; while it is the thumbnail of the
// shown picture it doubles as an overview: the part the viewport shows is outlined, the
// placement window's footprint marked, and a click or drag there asks to centre the view on
// that point.
class PictureOverview : public QLabel {
    Q_OBJECT
public:
    explicit PictureOverview(QWidget *parent = nullptr);

    // The picture's size and, in its pixels, what the viewport shows and where the placement
    // window's mark view lies (empty when it lies elsewhere).
    void setView(QSize picture, const QRect &visible, const QRect &placement);
    // A thumbnail of another picture, or none: no outlines, no scrolling.
    void clearView();
    bool showsView() const { return !picture_.isEmpty(); }
    QRect visibleOutline() const { return toBox(visible_); }

signals:
    void centreRequested(QPoint picturePixel);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QRect toBox(const QRect &pictureArea) const;
    void requestCentre(QPoint boxPoint);

    QSize picture_;
    QRect visible_;
    QRect placement_;
};

} // namespace imprimata
