#include "render/PictureLoader.h"

#include "platform/Dialogs.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

using namespace imprimata;

namespace {

void put16(QByteArray &b, int v) {
    b.append(char(v & 255));
    b.append(char((v >> 8) & 255));
}

void put32At(QByteArray &b, int at, quint32 v) {
    for (int k = 0; k < 4; ++k)
        b[at + k] = char((v >> (8 * k)) & 255);
}

// A w x h GIF with a four-colour palette (red, green, blue, white); pixel (x, y) takes
// colour (x + y) % 4. Codes stay 3 bits wide: a clear code comes before every two pixels.
QByteArray makeGif(int w, int h) {
    QByteArray b("GIF89a");
    put16(b, w);
    put16(b, h);
    b.append(char(0x81));
    b.append(char(0));
    b.append(char(0));
    const unsigned char palette[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    b.append(reinterpret_cast<const char *>(palette), 12);
    b.append(char(0x2C));
    put16(b, 0);
    put16(b, 0);
    put16(b, w);
    put16(b, h);
    b.append(char(0));
    b.append(char(2)); // minimum code size
    QByteArray data;
    quint32 bitsHeld = 0;
    int count = 0;
    const auto code = [&](int c) {
        bitsHeld |= quint32(c) << count;
        count += 3;
        while (count >= 8) {
            data.append(char(bitsHeld & 255));
            bitsHeld >>= 8;
            count -= 8;
        }
    };
    int n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (n++ % 2 == 0)
                code(4);
            code((x + y) % 4);
        }
    code(5);
    if (count > 0)
        data.append(char(bitsHeld & 255));
    for (int i = 0; i < data.size(); i += 255) {
        const int length = std::min<int>(255, static_cast<int>(data.size()) - i);
        b.append(char(length));
        b.append(data.mid(i, length));
    }
    b.append(char(0));
    b.append(char(0x3B));
    return b;
}

// The 54-byte header of a 24-bit bitmap, with no pixels behind it.
QByteArray bmpHeader(int w, int h) {
    QByteArray b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32At(b, 2, 54);
    put32At(b, 10, 54);
    put32At(b, 14, 40);
    put32At(b, 18, quint32(w));
    put32At(b, 22, quint32(h));
    b[26] = 1;
    b[28] = 24;
    return b;
}

QByteArray encoded(const QImage &image, const char *format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A picture with a red block at the top-left on green.
QImage sample(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(qRgb(0, 160, 0));
    for (int y = 0; y < std::min(h, 8); ++y)
        for (int x = 0; x < std::min(w, 8); ++x)
            image.setPixel(x, y, qRgb(230, 0, 0));
    return image;
}

// Noise, so that a JPEG's scan data outweighs its headers.
QImage noisy(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            image.setPixel(x, y,
                           qRgb(int(seed >> 24), int(seed >> 16) & 255, int(seed >> 8) & 255));
        }
    return image;
}

// The same JPEG with an EXIF block saying "turn 90 degrees clockwise to view".
QByteArray withOrientation6(const QByteArray &jpeg) {
    QByteArray app1;
    app1.append("\xFF\xE1", 2);
    app1.append(char(0));
    app1.append(char(34));
    app1.append("Exif\0\0", 6);
    app1.append("II*\0", 4);
    app1.append("\x08\0\0\0", 4);
    app1.append("\x01\0", 2);
    app1.append("\x12\x01\x03\0\x01\0\0\0\x06\0\0\0", 12);
    app1.append("\0\0\0\0", 4);
    QByteArray out = jpeg.left(2);
    out.append(app1);
    out.append(jpeg.mid(2));
    return out;
}

bool isRed(QRgb p) {
    return qRed(p) > 180 && qGreen(p) < 70 && qBlue(p) < 70;
}

} // namespace

class PictureTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString write(const QString &name, const QByteArray &bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void readsEachFormat_data();
    void readsEachFormat();
    void refusesTruncatedFiles_data();
    void refusesTruncatedFiles();
    void acceptsTrailingData_data();
    void acceptsTrailingData();
    void sizeLimitIsExact_data();
    void sizeLimitIsExact();
    void defaultLimitIsCheckedBeforeDecoding_data();
    void defaultLimitIsCheckedBeforeDecoding();
    void loadsPictureBeyondReaderDefaultLimit();
    void turnsPictureUpright();
    void unreadableFileGivesReaderDescription();
    void loadPictureSizeFillsHolder();
    void loadPictureSizeFailureKeepsHolder();
};

void PictureTest::readsEachFormat_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("jpeg") << "a.jpg" << encoded(sample(40, 30), "jpg");
    QTest::newRow("bmp") << "a.bmp" << encoded(sample(40, 30), "bmp");
    QTest::newRow("gif") << "a.gif" << makeGif(40, 30);
    QTest::newRow("jpeg named .bmp") << "b.bmp" << encoded(sample(40, 30), "jpg");
}

void PictureTest::readsEachFormat() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const PictureReadResult r = readPicture(write(name, bytes));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.image.size(), QSize(40, 30));
    QCOMPARE(r.image.format(), QImage::Format_RGB32);
    if (name.endsWith(".gif")) {
        QCOMPARE(r.image.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(r.image.pixel(2, 0), qRgb(0, 0, 255));
        QCOMPARE(r.image.pixel(2, 1), qRgb(255, 255, 255));
        QCOMPARE(r.image.pixel(39, 29), qRgb(255, 0, 0));
    } else {
        QVERIFY(isRed(r.image.pixel(1, 1)));
        QVERIFY(!isRed(r.image.pixel(30, 20)));
    }
}

void PictureTest::refusesTruncatedFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray jpeg = encoded(noisy(120, 90), "jpg");
    const QByteArray bmp = encoded(sample(120, 90), "bmp");
    const QByteArray gif = makeGif(120, 90);
    QTest::newRow("jpeg cut in the scan") << "t.jpg" << jpeg.left(jpeg.size() * 6 / 10);
    QTest::newRow("jpeg without end marker") << "t.jpg" << jpeg.left(jpeg.size() - 2);
    QTest::newRow("jpeg cut in a header") << "t.jpg" << jpeg.left(30);
    QTest::newRow("bmp cut in the pixels") << "t.bmp" << bmp.left(bmp.size() * 7 / 10);
    QTest::newRow("bmp one byte short") << "t.bmp" << bmp.left(bmp.size() - 1);
    QTest::newRow("gif cut in the data") << "t.gif" << gif.left(gif.size() / 2);
    QTest::newRow("gif without trailer") << "t.gif" << gif.left(gif.size() - 1);
}

void PictureTest::refusesTruncatedFiles() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const PictureReadResult r = readPicture(write(name, bytes));
    QVERIFY(!r.ok());
    QCOMPARE(
        r.error,
        QStringLiteral("The picture %1 is damaged or incomplete and was not opened.").arg(name));
}

void PictureTest::acceptsTrailingData_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray padding(300, '\0');
    QTest::newRow("jpeg") << "p.jpg" << encoded(sample(60, 40), "jpg") + padding;
    QTest::newRow("jpeg, data after end") << "p.jpg" << encoded(sample(60, 40), "jpg") + "trailer";
    QTest::newRow("bmp") << "p.bmp" << encoded(sample(60, 40), "bmp") + padding;
    QTest::newRow("gif") << "p.gif" << makeGif(60, 40) + padding;
}

void PictureTest::acceptsTrailingData() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const PictureReadResult r = readPicture(write(name, bytes));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.image.size(), QSize(60, 40));
}

void PictureTest::sizeLimitIsExact_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("loads");
    QTest::newRow("at the limit") << 48 << true;
    QTest::newRow("one row over") << 49 << false;
}

void PictureTest::sizeLimitIsExact() {
    QFETCH(int, height);
    QFETCH(bool, loads);
    const QString path = write("limit.bmp", encoded(sample(64, height), "bmp"));
    const PictureReadResult r = readPicture(path, 64 * 48);
    QCOMPARE(r.ok(), loads);
    if (!loads)
        QCOMPARE(r.error, QStringLiteral(
                              "The picture limit.bmp is too large to open (64 \u00d7 49 pixels)."));
}

void PictureTest::defaultLimitIsCheckedBeforeDecoding_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("error");
    // 16384 x 12800 is exactly the limit: it passes the size check and is refused only
    // because the header has no pixels behind it.
    QTest::newRow("at the limit") << 12800
                                  << "The picture huge.bmp is damaged or incomplete and was not "
                                     "opened.";
    QTest::newRow("one row over")
        << 12801
        << QStringLiteral("The picture huge.bmp is too large to open (16384 \u00d7 12801 "
                          "pixels).");
}

void PictureTest::defaultLimitIsCheckedBeforeDecoding() {
    QFETCH(int, height);
    QFETCH(QString, error);
    QCOMPARE(qint64(16384) * 12800, MaxPicturePixels);
    const PictureReadResult r = readPicture(write("huge.bmp", bmpHeader(16384, height)));
    QVERIFY(!r.ok());
    QCOMPARE(r.error, error);
    // The reader itself lets such a picture through.
    QVERIFY(qint64(QImageReader::allocationLimit()) * 1024 * 1024 >= MaxPicturePixels * 4);
}

void PictureTest::loadsPictureBeyondReaderDefaultLimit() {
    // 36 megapixels are 144 MB of 32-bit pixels, more than the reader allows by default.
    // A grey JPEG makes the reader allocate on its own.
    QImage big(8000, 4500, QImage::Format_Grayscale8);
    big.fill(90);
    const QString path = write("big.jpg", encoded(big, "jpg"));
    big = QImage();
    const PictureReadResult r = readPicture(path);
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.image.size(), QSize(8000, 4500));
}

void PictureTest::turnsPictureUpright() {
    const QString path = write("turned.jpg", withOrientation6(encoded(sample(40, 20), "jpg")));
    const PictureReadResult r = readPicture(path);
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.image.size(), QSize(20, 40));
    // The top-left block of the stored picture is at the top-right when upright.
    QVERIFY(isRed(r.image.pixel(17, 2)));
    QVERIFY(!isRed(r.image.pixel(2, 2)));
}

void PictureTest::unreadableFileGivesReaderDescription() {
    const PictureReadResult text = readPicture(write("notes.jpg", "just some words\n"));
    QVERIFY(!text.ok());
    QCOMPARE(text.error, QStringLiteral("Unsupported image format"));
    const PictureReadResult missing = readPicture(dir.filePath("missing.jpg"));
    QVERIFY(!missing.ok());
    QVERIFY(!missing.error.isEmpty());
}

void PictureTest::loadPictureSizeFillsHolder() {
    ScriptedDialogService dialogs;
    QImage holder;
    int w = 0, h = 0;
    QVERIFY(
        LoadPictureSize(write("ok.bmp", encoded(sample(33, 21), "bmp")), holder, w, h, dialogs));
    QCOMPARE(w, 33);
    QCOMPARE(h, 21);
    QCOMPARE(holder.size(), QSize(33, 21));
    QVERIFY(dialogs.messages.empty());
}

void PictureTest::loadPictureSizeFailureKeepsHolder() {
    ScriptedDialogService dialogs;
    QImage holder = sample(5, 4);
    const QImage before = holder;
    int w = 5, h = 4;
    const QByteArray jpeg = encoded(sample(120, 90), "jpg");
    QVERIFY(!LoadPictureSize(write("bad.jpg", jpeg.left(jpeg.size() / 2)), holder, w, h, dialogs));
    QCOMPARE(w, 5);
    QCOMPARE(h, 4);
    QCOMPARE(holder, before);
    QCOMPARE(int(dialogs.messages.size()), 1);
    QCOMPARE(dialogs.messages[0].text,
             QStringLiteral("The picture bad.jpg is damaged or incomplete and was not opened."));
    QCOMPARE(dialogs.messages[0].icon, MessageIcon::None);
}

QTEST_MAIN(PictureTest)
#include "tst_picture.moc"
