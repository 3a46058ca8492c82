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

bool isRed(QRgb p) {
    return qRed(p) > 180 && qGreen(p) < 70 && qBlue(p) < 70;
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
    void sizeLimit_data();
    void sizeLimit();
    void turnsPictureUpright();
    void loadPictureSize();
};

void PictureTest::reads_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error"); // none when the picture loads
    const QByteArray jpeg = encoded(noisy(48, 32), "jpg");
    const QByteArray bmp = encoded(noisy(48, 32), "bmp");
    const QByteArray padding(300, '\0');
    QTest::newRow("jpeg") << "a.jpg" << jpeg << QString();
    QTest::newRow("gif") << "a.gif" << Gif << QString();
    QTest::newRow("jpeg, data after its end") << "p.jpg" << jpeg + "trailer" << QString();
    QTest::newRow("bmp, padded") << "p.bmp" << bmp + padding << QString();
    QTest::newRow("gif, padded") << "p.gif" << Gif + padding << QString();
    QTest::newRow("jpeg cut in the scan")
        << "t.jpg" << jpeg.left(jpeg.size() * 6 / 10) << damaged("t.jpg");
    QTest::newRow("jpeg without end marker") << "t.jpg" << jpeg.chopped(2) << damaged("t.jpg");
    QTest::newRow("bmp one byte short") << "t.bmp" << bmp.chopped(1) << damaged("t.bmp");
    QTest::newRow("gif cut in the data") << "t.gif" << Gif.left(44) << damaged("t.gif");
    QTest::newRow("gif without trailer") << "t.gif" << Gif.chopped(1) << damaged("t.gif");
    QTest::newRow("not a picture")
        << "notes.jpg" << QByteArray("just some words\n") << "Unsupported image format";
}

void PictureTest::reads() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const PictureReadResult r = readPicture(write(name, bytes));
    QTEST(r.error, "error");
    QCOMPARE(r.ok(), r.error.isEmpty());
    if (r.ok()) {
        QCOMPARE(r.image.size(), name.endsWith(".gif") ? QSize(6, 4) : QSize(48, 32));
        QCOMPARE(r.image.format(), QImage::Format_RGB32);
    }
}

void PictureTest::sizeLimit_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("limit"); // 0 for the default
    QTest::addColumn<QString>("error");
    QTest::newRow("at a given limit")
        << encoded(noisy(64, 48), "bmp") << qint64(64 * 48) << QString();
    // 36 megapixels are 144 MB of 32-bit pixels, more than the reader allows by default. A
    // grey JPEG makes the reader allocate on its own.
    QImage grey(8000, 4500, QImage::Format_Grayscale8);
    grey.fill(90);
    QTest::newRow("past the reader's own limit") << encoded(grey, "jpg") << qint64(0) << QString();
    // Checked before decoding: a header at the limit is refused only for its missing pixels.
    QTest::newRow("at the default limit")
        << bmpClaiming(16384, 12800) << qint64(0) << damaged("limit.bmp");
    QTest::newRow("one row over the default limit")
        << bmpClaiming(16384, 12801) << qint64(0)
        << QStringLiteral(
               "The picture limit.bmp is too large to open (16384 \u00d7 12801 pixels).");
}

void PictureTest::sizeLimit() {
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, limit);
    QCOMPARE(qint64(16384) * 12800, MaxPicturePixels);
    const QString path = write("limit.bmp", bytes);
    QTEST((limit > 0 ? readPicture(path, limit) : readPicture(path)).error, "error");
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
    QVERIFY(isRed(r.image.pixel(17, 2)));
    QVERIFY(!isRed(r.image.pixel(2, 2)));
}

void PictureTest::loadPictureSize() {
    ScriptedDialogService dialogs;
    QImage holder = noisy(5, 4);
    const QImage before = holder;
    int w = 5, h = 4;
    const QByteArray jpeg = encoded(noisy(48, 32), "jpg");
    QVERIFY(!LoadPictureSize(write("bad.jpg", jpeg.left(jpeg.size() / 2)), holder, w, h, dialogs));
    QCOMPARE(QSize(w, h), QSize(5, 4));
    QCOMPARE(holder, before);
    QCOMPARE(dialogs.messages.size(), 1u);
    QCOMPARE(dialogs.messages[0].text, damaged("bad.jpg"));
    QCOMPARE(dialogs.messages[0].icon, MessageIcon::None);

    QVERIFY(LoadPictureSize(write("ok.bmp", encoded(noisy(33, 21), "bmp")), holder, w, h, dialogs));
    QCOMPARE(QSize(w, h), QSize(33, 21));
    QCOMPARE(holder.size(), QSize(33, 21));
    QCOMPARE(dialogs.messages.size(), 1u);
}

QTEST_MAIN(PictureTest)
#include "tst_picture.moc"
