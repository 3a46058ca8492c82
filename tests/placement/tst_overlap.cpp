#include "placement/Overlap.h"

#include <QtTest>

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::ScreenRect)

namespace {
ScreenRect R(int l, int t, int r, int b) {
    return {l, t, r, b};
}
} // namespace

class OverlapTest : public QObject {
    Q_OBJECT

private slots:
    void originSums();
    void computeOverlap_data();
    void computeOverlap();
    void asidePosition_data();
    void asidePosition();
    void captureGeometry_data();
    void captureGeometry();
};

void OverlapTest::originSums() {
    // A main window at (-60, -60) twips, frame 4, caption and menu 19, picture frame at (342, 5),
    // picture scrolled 100 pixels; a placement window at (6000, 4500) twips, small caption 15,
    // mark view at 83 twips and 5 pixels.
    QCOMPARE(screenOrigin(-60, 15, {4, 342, -100}), 242);
    QCOMPARE(screenOrigin(-60, 15, {4, 19, 19, 5, 0}), 43);
    QCOMPARE(screenOrigin(6000, 15, {4, 83.0 / 15}), 410);
    QCOMPARE(screenOrigin(4500, 15, {4, 15, 5}), 324);
    // Rounded once, at the end, halves to even.
    QCOMPARE(screenOrigin(7.5, 15, {0.25, 0.25}), 1);
    QCOMPARE(screenOrigin(37.5, 15, {0}), 2);
}

void OverlapTest::computeOverlap_data() {
    QTest::addColumn<ScreenRect>("picture");
    QTest::addColumn<ScreenRect>("placement");
    QTest::addColumn<QPoint>("pictureOrigin");
    QTest::addColumn<QPoint>("viewOrigin");
    QTest::addColumn<ScreenRect>("target");
    QTest::addColumn<ScreenRect>("source");

    QTest::newRow("worked example")
        << R(242, 43, 1042, 643) << R(411, 325, 531, 362) << QPoint(242, 43) << QPoint(410, 324)
        << R(169, 282, 289, 319) << R(1, 1, 121, 38);
    QTest::newRow("touching the right edge only")
        << R(242, 43, 1042, 643) << R(1042, 325, 1162, 362) << QPoint(242, 43) << QPoint(1041, 324)
        << ScreenRect{} << ScreenRect{};
    QTest::newRow("partly off the left edge")
        << R(242, 43, 1042, 643) << R(200, 100, 320, 137) << QPoint(242, 43) << QPoint(199, 99)
        << R(0, 57, 78, 94) << R(43, 1, 121, 38);
    QTest::newRow("picture scrolled in its frame")
        << R(-58, 43, 1742, 1243) << R(411, 325, 531, 362) << QPoint(-58, 43) << QPoint(410, 324)
        << R(469, 282, 589, 319) << R(1, 1, 121, 38);
}

void OverlapTest::computeOverlap() {
    QFETCH(ScreenRect, picture);
    QFETCH(ScreenRect, placement);
    QFETCH(QPoint, pictureOrigin);
    QFETCH(QPoint, viewOrigin);
    QFETCH(ScreenRect, target);
    QFETCH(ScreenRect, source);

    ScreenRect t{1, 2, 3, 4}, s{5, 6, 7, 8};
    ComputeOverlap(picture, placement, pictureOrigin, viewOrigin, t, s);
    QCOMPARE(t, target);
    QCOMPARE(s, source);
    if (QByteArray(QTest::currentDataTag()) == "worked example")
        QCOMPARE(blockSize(s), QSize(121, 38));
}

void OverlapTest::asidePosition_data() {
    QTest::addColumn<ScreenRect>("frame");
    QTest::addColumn<ScreenRect>("window");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("expected");

    const ScreenRect frame = R(0, 0, 1000, 800); // centre (500, 400)
    const QSize size(100, 40);                   // jumps of 105 and 42
    QTest::newRow("right and below: up and left")
        << frame << R(600, 500, 700, 540) << size << QPoint(600 - 105, 500 - 42);
    QTest::newRow("left and above: down and right")
        << frame << R(100, 100, 200, 140) << size << QPoint(100 + 105, 100 + 42);
    QTest::newRow("right and above")
        << frame << R(600, 100, 700, 140) << size << QPoint(600 - 105, 100 + 42);
    QTest::newRow("left and below")
        << frame << R(100, 500, 200, 540) << size << QPoint(100 + 105, 500 - 42);
    QTest::newRow("exact centre: right and down")
        << frame << R(450, 380, 550, 420) << size << QPoint(450 + 105, 380 + 42);
    // Frame centre 500.5 goes to 500, so a window centred on 501 lies right of it.
    QTest::newRow("frame centre half rounds down to even")
        << R(0, 0, 1001, 801) << R(451, 381, 551, 421) << size << QPoint(451 - 105, 381 - 42);
    // Frame centre 501.5 goes to 502, the same as the window's.
    QTest::newRow("frame centre half rounds up to even")
        << R(0, 0, 1003, 803) << R(452, 382, 552, 422) << size << QPoint(452 + 105, 382 + 42);
    // 10.5 and 31.5 pixels: halves to even.
    QTest::newRow("jump rounding")
        << frame << R(600, 500, 610, 530) << QSize(10, 30) << QPoint(600 - 10, 500 - 32);
}

void OverlapTest::asidePosition() {
    QFETCH(ScreenRect, frame);
    QFETCH(ScreenRect, window);
    QFETCH(QSize, size);
    QFETCH(QPoint, expected);
    // The window's outer position is its rectangle's corner here.
    QCOMPARE(imprimata::asidePosition(frame, window, QPoint(window.left, window.top), size),
             expected);
}

void OverlapTest::captureGeometry_data() {
    QTest::addColumn<ScreenRect>("placement");
    QTest::addColumn<QPoint>("origin");
    QTest::addColumn<bool>("crossing");
    QTest::addColumn<bool>("cornerOutside");
    QTest::addColumn<QSize>("block");
    QTest::addColumn<QPoint>("destination");
    QTest::addColumn<QPoint>("source");

    // The picture covers (100, 100) to (500, 400) on the screen.
    const QPoint o(100, 100);
    QTest::newRow("inside") << R(200, 150, 300, 200) << o << true << false << QSize(101, 51)
                            << QPoint(0, 0) << QPoint(100, 50);
    QTest::newRow("flush with the right edge") << R(400, 150, 500, 200) << o << true << false
                                               << QSize(101, 51) << QPoint(0, 0) << QPoint(300, 50);
    QTest::newRow("over the right edge") << R(450, 150, 550, 200) << o << true << true
                                         << QSize(51, 51) << QPoint(0, 0) << QPoint(350, 50);
    QTest::newRow("over the left edge") << R(50, 150, 150, 200) << o << true << true
                                        << QSize(51, 51) << QPoint(50, 0) << QPoint(0, 50);
    QTest::newRow("over the top left corner") << R(50, 60, 150, 200) << o << true << true
                                              << QSize(51, 101) << QPoint(50, 40) << QPoint(0, 0);
    QTest::newRow("taller than the picture") << R(200, 50, 300, 450) << o << true << true
                                             << QSize(101, 301) << QPoint(0, 50) << QPoint(100, 0);
    QTest::newRow("scrolled picture") << R(200, 150, 300, 200) << QPoint(-300, 100) << true << false
                                      << QSize(101, 51) << QPoint(0, 0) << QPoint(500, 50);
    QTest::newRow("touching the edge only")
        << R(500, 150, 600, 200) << o << false << false << QSize() << QPoint() << QPoint();
}

void OverlapTest::captureGeometry() {
    QFETCH(ScreenRect, placement);
    QFETCH(QPoint, origin);
    QFETCH(bool, crossing);
    QFETCH(bool, cornerOutside);
    QFETCH(QSize, block);
    QFETCH(QPoint, destination);
    QFETCH(QPoint, source);

    const CaptureGeometry g = imprimata::captureGeometry(R(100, 100, 500, 400), placement, origin);
    QCOMPARE(g.crossing, crossing);
    QCOMPARE(g.cornerOutside, cornerOutside);
    if (!crossing)
        return;
    QCOMPARE(g.block, block);
    QCOMPARE(g.destination, destination);
    QCOMPARE(g.source, source);
    // Each preview pixel shows the screen pixel under it.
    QCOMPARE(placement.left + g.destination.x(), g.overlap.left);
    QCOMPARE(placement.top + g.destination.y(), g.overlap.top);
}

QTEST_MAIN(OverlapTest)
#include "tst_overlap.moc"
