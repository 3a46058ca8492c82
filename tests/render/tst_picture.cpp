#include "render/PictureLoader.h"

#include "platform/Dialogs.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace imprimata;

namespace {

QByteArray encoded(const QImage &image, const char *format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Noise, so that a JPEG's scan data outweighs its headers.
QImage noisy(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(12345);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000u);
    return image;
}

// A 6 x 4 GIF: header and palette (25 bytes), image descriptor, 14 bytes of data, trailer.
const QByteArray Gif = QByteArray::fromHex("47494638396106000400810000ff000000ff000000ffffffff2c"
                                           "000000000600040000020e44a81161c481113522d43830e25000"
                                           "3b");

// A bitmap whose header announces w x h pixels, with a single one behind it.
QByteArray bmpClaiming(int w, int h) {
    QByteArray bytes = encoded(QImage(1, 1, QImage::Format_RGB32), "bmp");
    qToLittleEndian<qint32>(w, bytes.data() + 18);
    qToLittleEndian<qint32>(h, bytes.data() + 22);
    return bytes;
}

QString damaged(const QString &name) {
    return QStringLiteral("The picture %1 is damaged or incomplete and was not opened.").arg(name);
}

} // namespace

class PictureTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString write(const QString &name, const QByteArray &bytes) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

private slots:
    void reads_data();
    void reads();
    void turnsPictureUpright();
};

void PictureTest::reads_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("error"); // none when the picture loads
    const QByteArray jpeg = encoded(noisy(48, 32), "jpg");
    const QByteArray bmp = encoded(noisy(48, 32), "bmp");
    const QSize none(0, 0);
    QTest::newRow("jpeg") << "a.jpg" << jpeg << QSize(48, 32) << QString();
    QTest::newRow("gif") << "a.gif" << Gif << QSize(6, 4) << QString();
    QTest::newRow("bmp, padded") << "p.bmp" << bmp + QByteArray(300, '\0') << QSize(48, 32)
                                 << QString();
    QTest::newRow("jpeg cut in the scan")
        << "t.jpg" << jpeg.left(jpeg.size() * 6 / 10) << none << damaged("t.jpg");
    QTest::newRow("bmp one byte short") << "t.bmp" << bmp.chopped(1) << none << damaged("t.bmp");
    QTest::newRow("gif without trailer") << "t.gif" << Gif.chopped(1) << none << damaged("t.gif");
    QTest::newRow("not a picture")
        << "notes.jpg" << QByteArray("just some words\n") << none << "Unsupported image format";
    // 36 megapixels are 144 MB of 32-bit pixels, more than the reader allows by default. A
    // grey JPEG makes the reader allocate on its own.
    QImage grey(8000, 4500, QImage::Format_Grayscale8);
    grey.fill(90);
    QTest::newRow("past the reader's own limit")
        << "big.jpg" << encoded(grey, "jpg") << grey.size() << QString();
    // The limit, 16384 x 12800, is checked before decoding: a header at the limit is refused
    // only for its missing pixels.
    QTest::newRow("at the limit") << "l.bmp" << bmpClaiming(16384, 12800) << none
                                  << damaged("l.bmp");
    QTest::newRow("one row over the limit")
        << "l.bmp" << bmpClaiming(16384, 12801) << none
        << QStringLiteral("The picture l.bmp is too large to open (16384 \u00d7 12801 pixels).");
}

void PictureTest::reads() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(QString, error);
    const QString path = write(name, bytes);
    const PictureReadResult r = readPicture(path);
    QCOMPARE(r.error, error);
    QCOMPARE(r.image.size(), size);
    QVERIFY(size.isEmpty() || r.image.format() == QImage::Format_RGB32);
    // The windows' loader shows the refusal and leaves its picture and size alone.
    ScriptedDialogService dialogs;
    QImage holder;
    int w = 5, h = 4;
    QCOMPARE(LoadPictureSize(path, holder, w, h, dialogs), r.ok());
    QCOMPARE(dialogs.lastMessage(), error);
    QCOMPARE(QSize(w, h), r.ok() ? size : QSize(5, 4));
    QCOMPARE(holder.size(), size);
}

void PictureTest::turnsPictureUpright() {
    // Stored 40 x 20 with a red block at the top-left, and an EXIF block saying "turn 90
    // degrees clockwise to view".
    QImage stored(40, 20, QImage::Format_RGB32);
    stored.fill(Qt::darkGreen);
    QPainter(&stored).fillRect(0, 0, 8, 8, Qt::red);
    const QByteArray jpeg = encoded(stored, "jpg");
    const QByteArray exif = QByteArray::fromHex("ffe10022457869660000"         // APP1, "Exif"
                                                "49492a0008000000"             // little-endian TIFF
                                                "0100120103000100000006000000" // orientation 6
                                                "00000000");
    const PictureReadResult r = readPicture(write("turned.jpg", jpeg.left(2) + exif + jpeg.mid(2)));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.image.size(), QSize(20, 40));
    // The red block is now at the top-right, over dark green.
    QVERIFY(qRed(r.image.pixel(17, 2)) > 180 && qRed(r.image.pixel(2, 2)) < 70);
}

QTEST_MAIN(PictureTest)
#include "tst_picture.moc"
