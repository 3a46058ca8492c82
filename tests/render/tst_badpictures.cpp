#include "render/PictureLoader.h"

#include "render/CraftedJpeg.h"

#include <QBuffer>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <atomic>
#include <climits>
#include <sys/stat.h>
#include <sys/types.h>
#include <thread>
#include <utility>
#include <vector>

using namespace imprimata;

// Files made carelessly or with ill intent go through the reader the program and the tool use:
// each is refused with its own words, at once, and leaves the folder as it was.

namespace {

enum class Kind { File, Fifo, Directory, Device, Link, Missing };

QByteArray encoded(const QImage &image, const char *format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

QImage noisy(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(99);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, random.generate() | 0xff000000u);
    return image;
}

// The offset of the first byte after the segment that starts with the marker.
qsizetype afterSegment(const QByteArray &jpeg, uchar marker) {
    const qsizetype at = jpeg.indexOf(QByteArray("\xff") + char(marker));
    return at + 2 + qFromBigEndian<quint16>(jpeg.constData() + at + 2);
}

// A small flat JPEG whose frame header claims another size.
QByteArray jpegClaiming(int w, int h) {
    QImage flat(16, 16, QImage::Format_RGB32);
    flat.fill(Qt::gray);
    QByteArray jpeg = encoded(flat, "jpg");
    const qsizetype sof = jpeg.indexOf("\xff\xc0");
    qToBigEndian<quint16>(quint16(h), jpeg.data() + sof + 5);
    qToBigEndian<quint16>(quint16(w), jpeg.data() + sof + 7);
    return jpeg;
}

// 35 bytes: a screen of the given size holding one pixel.
QByteArray gifBomb(quint16 w = 13000, quint16 h = 13000) {
    QByteArray bytes =
        QByteArray::fromHex("474946383961c832c832800000000000ffffff" // screen, two colours
                            "2c0000000001000100"                     // one 1 x 1 image
                            "0002024401003b");                       // its data, trailer
    qToLittleEndian(w, bytes.data() + 6);
    qToLittleEndian(h, bytes.data() + 8);
    return bytes;
}

// A run-length bitmap of 10000 x 10000 with two colours, whose data is the end-of-bitmap code
// alone: 64 bytes.
QByteArray rleBomb() {
    QByteArray bytes(54 + 8 + 2, '\0');
    char *p = bytes.data();
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(quint32(bytes.size()), p + 2);
    qToLittleEndian<quint32>(54 + 8, p + 10); // where the data starts
    qToLittleEndian<quint32>(40, p + 14);     // header size
    qToLittleEndian<qint32>(10000, p + 18);
    qToLittleEndian<qint32>(10000, p + 22);
    qToLittleEndian<quint16>(1, p + 26); // planes
    qToLittleEndian<quint16>(8, p + 28); // bits a pixel
    qToLittleEndian<quint32>(1, p + 30); // RLE8
    qToLittleEndian<quint32>(2, p + 34); // data size
    qToLittleEndian<quint32>(2, p + 46); // colours
    p[54 + 2] = char(0xff);              // red, then blue
    p[54 + 4] = char(0xff);
    p[54 + 8 + 1] = 1; // end of bitmap
    return bytes;
}

QByteArray bmpClaiming(qint32 w, qint32 h, quint16 bits = 24) {
    QByteArray bytes = encoded(QImage(1, 1, QImage::Format_RGB32), "bmp");
    qToLittleEndian<qint32>(w, bytes.data() + 18);
    qToLittleEndian<qint32>(h, bytes.data() + 22);
    qToLittleEndian<quint16>(bits, bytes.data() + 28);
    return bytes;
}

QString damaged(const QString &name) {
    return QStringLiteral("The picture %1 is damaged or incomplete and was not opened.").arg(name);
}

QString tooLarge(const QString &name, int w, int h) {
    return QStringLiteral("The picture %1 is too large to open (%2 \u00d7 %3 pixels).")
        .arg(name)
        .arg(w)
        .arg(h);
}

// Every file under the folder with its size and time, to see that nothing was written.
QStringList snapshot(const QString &folder) {
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << QStringLiteral("%1 %2 %3")
                       .arg(info.filePath())
                       .arg(info.isSymLink() ? -1 : info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries;
}

} // namespace

class BadPicturesTest : public QObject {
    Q_OBJECT

private slots:
    void refuses_data();
    void refuses();
    void bmpCompletenessSurvivesHugeHeaders_data();
    void bmpCompletenessSurvivesHugeHeaders();
    void damageOnOneThreadStaysThere();
};

void BadPicturesTest::refuses_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error"); // none when the picture loads
    const auto file = int(Kind::File);
    const QByteArray jpeg = encoded(noisy(96, 64), "jpg", 90);
    const qsizetype scan = afterSegment(jpeg, 0xda);
    const QByteArray bmp = encoded(noisy(30, 20), "bmp");
    const QByteArray eoi("\xff\xd9");

    QTest::newRow("empty") << "e.jpg" << file << QByteArray() << damaged("e.jpg");
    QTest::newRow("one byte") << "o.jpg" << file << jpeg.left(1)
                              << QStringLiteral("Unsupported image format");
    QTest::newRow("JPEG start marker alone") << "s.jpg" << file << jpeg.left(2) << damaged("s.jpg");
    QTest::newRow("JPEG cut in its tables") << "h.jpg" << file << jpeg.left(40) << damaged("h.jpg");
    QTest::newRow("JPEG cut in its scan")
        << "c.jpg" << file << jpeg.left(scan + 100) << damaged("c.jpg");
    QTest::newRow("JPEG without its end marker")
        << "m.jpg" << file << jpeg.chopped(2) << damaged("m.jpg");
    // The end marker makes the file look whole; the decoder meets it too early.
    QTest::newRow("JPEG cut at a third, end marker added")
        << "t.jpg" << file << jpeg.left(jpeg.size() / 3) + eoi << damaged("t.jpg");
    QByteArray zeroed = jpeg;
    zeroed.replace(scan + (jpeg.size() - scan) / 2, 200, QByteArray(200, '\0'));
    QTest::newRow("JPEG with zeroed scan data") << "z.jpg" << file << zeroed << damaged("z.jpg");
    QTest::newRow("JPEG bomb, 14000 x 14000")
        << "bomb.jpg" << file << jpegClaiming(14000, 14000) << damaged("bomb.jpg");
    QTest::newRow("GIF bomb, 13000 x 13000")
        << "bomb.gif" << file << gifBomb() << damaged("bomb.gif");
    // Its reader tells the frame's size; the screen is what gets allocated.
    QTest::newRow("GIF screen over the size limit")
        << "big.gif" << file << gifBomb(20000, 20000) << tooLarge("big.gif", 20000, 20000);
    QTest::newRow("run-length bitmap bomb")
        << "bomb.bmp" << file << rleBomb() << damaged("bomb.bmp");
    // A picture decoded scan after scan, over and over, only to take time.
    JpegRecipe scans = sampledJpeg(1, 1, JCS_GRAYSCALE);
    scans.scans = everyGreyScan();
    QImage grey(64, 64, QImage::Format_Grayscale8);
    grey.fill(128);
    QTest::newRow("JPEG of 704 scans")
        << "many.jpg" << file << craftJpeg(grey, scans) << damaged("many.jpg");
    QTest::newRow("bitmap cut in its header")
        << "h.bmp" << file << bmp.left(20) << damaged("h.bmp");
    QTest::newRow("bitmap cut in its rows")
        << "r.bmp" << file << bmp.left(bmp.size() / 2) << damaged("r.bmp");
    QTest::newRow("bitmap of 2147483647 x 2147483647")
        << "w.bmp" << file << bmpClaiming(INT_MAX, INT_MAX) << damaged("w.bmp");
    QTest::newRow("bitmap of negative width")
        << "n.bmp" << file << bmpClaiming(-30, 20) << damaged("n.bmp");
    QTest::newRow("bitmap of height INT_MIN")
        << "i.bmp" << file << bmpClaiming(30, INT_MIN) << damaged("i.bmp");
    QTest::newRow("bitmap over the size limit")
        << "l.bmp" << file << bmpClaiming(15000, 15000) << tooLarge("l.bmp", 15000, 15000);
    QTest::newRow("bitmap named .jpg") << "bitmap.jpg" << file << bmp << QString();
    QTest::newRow("text named .jpg") << "notes.jpg" << file << QByteArray("Shopping: milk\n")
                                     << QStringLiteral("Unsupported image format");
    QTest::newRow("FIFO") << "pipe.jpg" << int(Kind::Fifo) << QByteArray()
                          << QStringLiteral("pipe.jpg is not a regular file.");
    QTest::newRow("directory") << "folder.jpg" << int(Kind::Directory) << QByteArray()
                               << QStringLiteral("folder.jpg is not a regular file.");
    QTest::newRow("device") << "null" << int(Kind::Device) << QByteArray()
                            << QStringLiteral("null is not a regular file.");
    QTest::newRow("link to a picture") << "link.jpg" << int(Kind::Link) << jpeg << QString();
    QTest::newRow("link to nothing") << "dangling.jpg" << int(Kind::Link) << QByteArray()
                                     << QStringLiteral("No such file or directory");
    QTest::newRow("missing") << "gone.jpg" << int(Kind::Missing) << QByteArray()
                             << QStringLiteral("No such file or directory");
}

void BadPicturesTest::refuses() {
    QFETCH(QString, name);
    QFETCH(int, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QString path = dir.filePath(name);
    switch (Kind(kind)) {
    case Kind::File: {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        break;
    }
    case Kind::Fifo:
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
    case Kind::Directory:
        QVERIFY(QDir(dir.path()).mkdir(name));
        break;
    case Kind::Device:
        path = QStringLiteral("/dev/null");
        break;
    case Kind::Link: {
        // To the bytes, or to nothing when there are none.
        const QString target = dir.filePath(QStringLiteral("target"));
        if (!bytes.isEmpty()) {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
        QVERIFY(QFile::link(target, path));
        break;
    }
    case Kind::Missing:
        break;
    }
    const QStringList before = snapshot(dir.path());

    QElapsedTimer timer;
    timer.start();
    const Result<QImage> r = readPicture(path);
    const qint64 took = timer.elapsed();

    QCOMPARE(r.error(), error);
    QCOMPARE(r.ok(), error.isEmpty());
    QVERIFY2(took < 1000, qPrintable(QStringLiteral("%1 ms").arg(took)));
    QCOMPARE(snapshot(dir.path()), before);
    // The header alone decides whether there is anything to budget for.
    timer.restart();
    const qint64 bytesNeeded = pictureDecodeBytes(path);
    QVERIFY(timer.elapsed() < 1000);
    if (!r.ok() && error != damaged(name))
        QCOMPARE(bytesNeeded, 0);
}

// The completeness check is also run on raw bytes, before any reader has looked at the header.
void BadPicturesTest::bmpCompletenessSurvivesHugeHeaders_data() {
    QTest::addColumn<qint32>("width");
    QTest::addColumn<qint32>("height");
    QTest::addColumn<quint16>("bits");
    QTest::newRow("widest and tallest") << qint32(INT_MAX) << qint32(INT_MAX) << quint16(24);
    QTest::newRow("widest, INT_MIN rows") << qint32(INT_MAX) << qint32(INT_MIN) << quint16(32);
    QTest::newRow("widest, top-down") << qint32(INT_MAX) << qint32(-INT_MAX) << quint16(32);
    QTest::newRow("most bits a pixel") << qint32(INT_MAX) << qint32(1 << 24) << quint16(65535);
}

void BadPicturesTest::bmpCompletenessSurvivesHugeHeaders() {
    QFETCH(qint32, width);
    QFETCH(qint32, height);
    QFETCH(quint16, bits);
    const QByteArray bytes = bmpClaiming(width, height, bits);
    QVERIFY(!isPictureComplete("bmp", bytes.constData(), bytes.size()));
}

// The batch tool reads on several threads: a damaged picture on one must neither spoil a sound
// one on another nor pass for sound itself.
void BadPicturesTest::damageOnOneThreadStaysThere() {
    QTemporaryDir dir;
    const QByteArray jpeg = encoded(noisy(320, 240), "jpg", 90);
    const qsizetype scan = afterSegment(jpeg, 0xda);
    QByteArray zeroed = jpeg;
    zeroed.replace(scan + 500, 300, QByteArray(300, '\0'));
    const QString sound = dir.filePath(QStringLiteral("sound.jpg"));
    const QString bad = dir.filePath(QStringLiteral("bad.jpg"));
    for (const auto &[path, bytes] : {std::pair{sound, jpeg}, std::pair{bad, zeroed}}) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    const QImage expected = readPicture(sound).value();
    QVERIFY(!expected.isNull());

    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                const bool damagedTurn = (i + t) % 2 == 0;
                const Result<QImage> r = readPicture(damagedTurn ? bad : sound);
                if (damagedTurn ? r || r.error() != damaged(QStringLiteral("bad.jpg"))
                                : !r || r.value() != expected)
                    ++wrong;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    QCOMPARE(wrong.load(), 0);
}

QTEST_MAIN(BadPicturesTest)
#include "tst_badpictures.moc"
