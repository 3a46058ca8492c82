#include "placement/Overlap.h"

#include <QtTest>

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::ScreenRect)

class OverlapTest : public QObject {
    Q_OBJECT

private slots:
    void overlap_data();
    void overlap();
    void asidePosition_data();
    void asidePosition();
};

void OverlapTest::overlap_data() {
    QTest::addColumn<ScreenRect>("placement");
    QTest::addColumn<ScreenRect>("target");
    QTest::addColumn<ScreenRect>("source");
    QTest::addColumn<QSize>("block");
    QTest::addColumn<QPoint>("destination"); // of the background in the preview
    QTest::addColumn<bool>("cornerOutside");
    QTest::newRow("worked example")
        << ScreenRect{411, 325, 531, 362} << ScreenRect{169, 282, 289, 319}
        << ScreenRect{1, 1, 121, 38} << QSize(121, 38) << QPoint(0, 0) << false;
    QTest::newRow("touching the right edge only")
        << ScreenRect{1042, 325, 1162, 362} << ScreenRect{} << ScreenRect{} << QSize() << QPoint()
        << false;
    QTest::newRow("partly off the left edge")
        << ScreenRect{200, 100, 320, 137} << ScreenRect{0, 57, 78, 94} << ScreenRect{43, 1, 121, 38}
        << QSize(79, 38) << QPoint(42, 0) << true;
    QTest::newRow("partly off the top edge")
        << ScreenRect{411, 20, 531, 57} << ScreenRect{169, 0, 289, 14} << ScreenRect{1, 24, 121, 38}
        << QSize(121, 15) << QPoint(0, 23) << true;
    QTest::newRow("off the bottom right corner")
        << ScreenRect{1000, 620, 1120, 657} << ScreenRect{758, 577, 800, 600}
        << ScreenRect{1, 1, 43, 24} << QSize(43, 24) << QPoint(0, 0) << true;
}

void OverlapTest::overlap() {
    const ScreenRect picture{242, 43, 1042, 643};
    QFETCH(ScreenRect, placement);
    QFETCH(ScreenRect, target);
    QFETCH(QSize, block);
    const QPoint pictureOrigin(picture.left, picture.top);
    // As the program calls it: the placement lies one pixel inside the mark view.
    ScreenRect t{1, 2, 3, 4}, s{5, 6, 7, 8};
    ComputeOverlap(picture, placement, pictureOrigin, QPoint(placement.left - 1, placement.top - 1),
                   t, s);
    QCOMPARE(t, target);
    QTEST(s, "source");

    // The preview's copy of the picture under the placement.
    const CaptureGeometry g = captureGeometry(picture, placement, pictureOrigin);
    QCOMPARE(g.crossing, block.isValid());
    if (!g.crossing)
        return;
    QCOMPARE(g.block, block);
    QCOMPARE(g.source, QPoint(t.left, t.top));
    QTEST(g.destination, "destination");
    QTEST(g.cornerOutside, "cornerOutside");
}

void OverlapTest::asidePosition_data() {
    QTest::addColumn<QPoint>("corner");
    QTest::addColumn<QPoint>("expected");
    // Jumps of 105 and 42 for a 100 x 40 window, towards the frame's centre (500, 400).
    QTest::newRow("right and below: up and left") << QPoint(600, 500) << QPoint(495, 458);
    QTest::newRow("left and above: down and right") << QPoint(100, 100) << QPoint(205, 142);
    QTest::newRow("right and above") << QPoint(600, 100) << QPoint(495, 142);
    QTest::newRow("exact centre: right and down") << QPoint(450, 380) << QPoint(555, 422);
}

void OverlapTest::asidePosition() {
    QFETCH(QPoint, corner);
    const ScreenRect window{corner.x(), corner.y(), corner.x() + 100, corner.y() + 40};
    QTEST(imprimata::asidePosition(ScreenRect{0, 0, 1000, 800}, window, corner, {100, 40}),
          "expected");
}

QTEST_MAIN(OverlapTest)
#include "tst_overlap.moc"
