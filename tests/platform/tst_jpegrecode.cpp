#include "platform/JpegDecoder.h"
#include "platform/JpegRecode.h"
#include "render/CraftedJpeg.h"

#include <QColorSpace>
#include <QtTest>

using namespace imprimata;

namespace {

const uchar *bytesOf(const QByteArray &jpeg) {
    return reinterpret_cast<const uchar *>(jpeg.constData());
}

QImage decoded(const QByteArray &jpeg) {
    Result<QImage, JpegFault> image = decodeJpeg(bytesOf(jpeg), jpeg.size());
    return image ? std::move(image).value() : QImage();
}

// Stands for a stamp: a change that depends on where the pixels lie in the picture.
void scribble(QImage &rows, QPoint origin) {
    for (int y = 0; y < rows.height(); ++y)
        for (int x = (origin.y() + y) % 7; x < rows.width(); x += 7)
            rows.setPixel(x, y, qRgb(255, (origin.y() + y) % 256, 0));
}

} // namespace

class JpegRecodeTest : public QObject {
    Q_OBJECT

private slots:
    // Streaming the rows writes exactly the file that decoding the whole picture, changing it
    // and encoding it writes, whatever the band and the source's sampling and scans.
    void sameFileAsTheWholePicture_data() {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QRect>("band");
        QTest::addColumn<int>("quality");
        QTest::addColumn<QSize>("sampling");
        const QImage picture = noisy(301, 203);
        const QByteArray yuv420 = craftJpeg(picture, 2, 2), yuv444 = craftJpeg(picture, 1, 1);
        // clang-format off
        QTest::newRow("4:2:0, band in the middle") << yuv420 << QRect(0, 70, 301, 45) << 90 << QSize(2, 2);
        QTest::newRow("4:2:0, band at the top") << yuv420 << QRect(0, 0, 301, 3) << 75 << QSize(2, 2);
        QTest::newRow("4:2:0, band at the bottom") << yuv420 << QRect(0, 200, 301, 3) << 90 << QSize(2, 2);
        QTest::newRow("4:2:0, band on a chunk's edge") << yuv420 << QRect(0, 64, 301, 1) << 90 << QSize(2, 2);
        QTest::newRow("4:2:0, the whole picture") << yuv420 << QRect(0, 0, 301, 203) << 90 << QSize(2, 2);
        QTest::newRow("4:4:4 kept") << yuv444 << QRect(0, 10, 301, 100) << 95 << QSize(1, 1);
        QTest::newRow("4:2:2 from 4:4:4") << yuv444 << QRect(0, 150, 301, 20) << 60 << QSize(2, 1);
        QTest::newRow("grey") << craftJpeg(picture, 1, 1, JCS_GRAYSCALE) << QRect(0, 5, 301, 9) << 90 << QSize(2, 2);
        QTest::newRow("progressive") << craftJpeg(picture, 2, 2, JCS_YCbCr, true) << QRect(0, 100, 301, 30) << 90 << QSize(2, 2);
        QTest::newRow("restart markers") << craftJpeg(picture, 2, 1, JCS_YCbCr, false, 2) << QRect(0, 33, 301, 40) << 90 << QSize(2, 1);
        // clang-format on
    }
    void sameFileAsTheWholePicture() {
        QFETCH(QByteArray, source);
        QFETCH(QRect, band);
        QFETCH(int, quality);
        QFETCH(QSize, sampling);
        const JpegEncoding encoding{quality, sampling};
        QImage whole = decoded(source);
        QVERIFY(!whole.isNull());
        QImage rows = whole.copy(band);
        scribble(rows, band.topLeft());
        for (int y = 0; y < rows.height(); ++y)
            std::memcpy(whole.scanLine(band.top() + y), rows.constScanLine(y),
                        size_t(rows.bytesPerLine()));

        int calls = 0;
        const Result<QByteArray> streamed = recodeJpeg(
            bytesOf(source), source.size(), encoding, band, [&](QImage &pixels, QPoint origin) {
                ++calls;
                QCOMPARE(origin, band.topLeft());
                QCOMPARE(pixels, decoded(source).copy(band));
                scribble(pixels, origin);
            });
        QVERIFY2(streamed, qPrintable(streamed.error()));
        QCOMPARE(calls, 1);
        QVERIFY(*streamed == encodeJpeg(whole, encoding).value());
    }

    // Comments, the colour profile and the resolution come through as a whole decode and
    // encode carry them.
    void keepsWhatTheEncoderKeeps() {
        QImage picture = noisy(40, 30);
        picture.setText("Description", "Harbour at dawn");
        picture.setText("Author", "Ada");
        picture.setColorSpace(QColorSpace::DisplayP3);
        picture.setDotsPerMeterX(11811);
        picture.setDotsPerMeterY(5906);
        const QByteArray source = encodeJpeg(picture, {}).value();
        const Result<QByteArray> streamed =
            recodeJpeg(bytesOf(source), source.size(), {}, {0, 0, 40, 1}, [](QImage &, QPoint) {});
        QVERIFY(streamed);
        QVERIFY(*streamed == encodeJpeg(decoded(source), {}).value());
        const QImage back = decoded(*streamed);
        QCOMPARE(back.text("Author"), QString("Ada"));
        QCOMPARE(back.colorSpace(), QColorSpace(QColorSpace::DisplayP3));
        QCOMPARE(back.dotsPerMeterX(), 11811);
    }

    // What cannot be streamed is refused, so that the caller reads the whole picture and
    // says what is wrong with it.
    void refusals_data() {
        QTest::addColumn<QByteArray>("source");
        const QByteArray good = craftJpeg(noisy(64, 48), 2, 2);
        QByteArray zeroed = good;
        std::memset(zeroed.data() + zeroed.size() / 2, 0, size_t(zeroed.size() / 4));
        QTest::newRow("truncated") << good.left(good.size() * 2 / 3);
        QTest::newRow("zeroed scan data") << zeroed;
        QTest::newRow("CMYK") << craftJpeg(noisy(64, 48), 1, 1, JCS_CMYK);
        QTest::newRow("not a JPEG") << QByteArray("GIF89a");
    }
    void refusals() {
        QFETCH(QByteArray, source);
        QVERIFY(!recodeJpeg(bytesOf(source), source.size(), {}, {0, 40, 64, 8},
                            [](QImage &, QPoint) {}));
    }
};

QTEST_MAIN(JpegRecodeTest)
#include "tst_jpegrecode.moc"
