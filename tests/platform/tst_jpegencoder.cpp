#include "platform/JpegDecoder.h"
#include "platform/JpegEncoder.h"

#include <QBuffer>
#include <QColorSpace>
#include <QtTest>

using namespace imprimata;

namespace {

QImage photo(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 5 % 256, (y * 3 + x) % 256, (x * y) % 256));
    return image;
}

QImage decoded(const QByteArray &jpeg) {
    Result<QImage, JpegFault> image =
        decodeJpeg(reinterpret_cast<const uchar *>(jpeg.constData()), jpeg.size());
    return image ? std::move(image).value() : QImage();
}

} // namespace

class JpegEncoderTest : public QObject {
    Q_OBJECT

private slots:
    // What the header tells of a file is how it was encoded.
    void headerTellsTheEncoding_data() {
        QTest::addColumn<int>("quality");
        QTest::addColumn<QSize>("sampling");
        QTest::newRow("4:2:0 at 90") << 90 << QSize(2, 2);
        QTest::newRow("4:2:2 at 95") << 95 << QSize(2, 1);
        QTest::newRow("4:4:4 at 100") << 100 << QSize(1, 1);
        QTest::newRow("4:4:0 at 50") << 50 << QSize(1, 2);
        QTest::newRow("4:2:0 at 12") << 12 << QSize(2, 2);
        QTest::newRow("4:2:0 at 1") << 1 << QSize(2, 2);
    }
    void headerTellsTheEncoding() {
        QFETCH(int, quality);
        QFETCH(QSize, sampling);
        const Result<QByteArray> jpeg = encodeJpeg(photo({40, 24}), {quality, sampling});
        QVERIFY(jpeg);
        const std::optional<JpegHeader> header =
            readJpegHeader(reinterpret_cast<const uchar *>(jpeg->constData()), jpeg->size());
        QVERIFY(header);
        QCOMPARE(header->quality, quality);
        QCOMPARE(header->lumaSampling, sampling);
    }

    // At 4:2:0 the pixels are those of Qt's writer, and what it keeps is kept.
    void likeQtsWriter() {
        QImage image = photo({61, 37});
        image.setText("Author", "Anne");
        image.setText("Description", "a quiet lake");
        image.setColorSpace(QColorSpace::DisplayP3);
        image.setDotsPerMeterX(11811);
        image.setDotsPerMeterY(5906);
        QByteArray qts;
        QBuffer buffer(&qts);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&buffer, "jpeg", 85));
        const Result<QByteArray> ours = encodeJpeg(image, {85, {2, 2}});
        QVERIFY(ours);
        const QImage a = decoded(*ours), b = decoded(qts);
        QCOMPARE(a, b);
        QCOMPARE(a.text(), image.text());
        QCOMPARE(a.colorSpace(), image.colorSpace());
        QCOMPARE(a.dotsPerMeterX(), b.dotsPerMeterX());
        QCOMPARE(a.dotsPerMeterY(), b.dotsPerMeterY());
    }
};

QTEST_MAIN(JpegEncoderTest)
#include "tst_jpegencoder.moc"
