#include "render/PictureLoader.h"

#include "render/CraftedJpeg.h"

#include <QBuffer>
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
// each is refused with its own words, at once.

namespace {

enum class Kind { File, Fifo, Directory, Device, Link, Missing };

// The offset of the first byte after the segment that starts with the marker.
qsizetype afterSegment(const QByteArray &jpeg, uchar marker) {
    const qsizetype at = jpeg.indexOf(QByteArray("\xff") + char(marker));
    return at + 2 + qFromBigEndian<quint16>(jpeg.constData() + at + 2);
}

// 35 bytes: a screen of the given size holding one pixel.
QByteArray gifBomb(quint16 w, quint16 h) {
    QByteArray bytes =
        QByteArray::fromHex("474946383961c832c832800000000000ffffff" // screen, two colours
                            "2c0000000001000100"                     // one 1 x 1 image
                            "0002024401003b");                       // its data, trailer
    qToLittleEndian(w, bytes.data() + 6);
    qToLittleEndian(h, bytes.data() + 8);
    return bytes;
}

// A bitmap of w x h in two colours, run-length coded or plain, whose data is the
// end-of-bitmap code alone: 64 bytes.
QByteArray bitmapBomb(qint32 w, qint32 h, quint32 compression = 1) {
    QByteArray bytes(54 + 8 + 2, '\0');
    char *p = bytes.data();
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(quint32(bytes.size()), p + 2);
    qToLittleEndian<quint32>(54 + 8, p + 10); // where the data starts
    qToLittleEndian<quint32>(40, p + 14);     // header size
    qToLittleEndian<qint32>(w, p + 18);
    qToLittleEndian<qint32>(h, p + 22);
    qToLittleEndian<quint16>(1, p + 26);                        // planes
    qToLittleEndian<quint16>(compression == 2 ? 4 : 8, p + 28); // bits a pixel
    qToLittleEndian(compression, p + 30);
    qToLittleEndian<quint32>(2, p + 34); // data size
    qToLittleEndian<quint32>(2, p + 46); // colours
    p[54 + 2] = char(0xff);              // red, then blue
    p[54 + 4] = char(0xff);
    p[54 + 8 + 1] = 1; // end of bitmap
    return bytes;
}

QByteArray paddedTo(QByteArray bytes, qsizetype size) {
    return bytes + QByteArray(size - bytes.size(), '\0');
}

} // namespace

class BadPicturesTest : public QObject {
    Q_OBJECT

private slots:
    void refuses_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error"); // none when the picture loads
        const auto file = int(Kind::File);
        const QByteArray jpeg = encoded(noisy(96, 64), "jpg", 90);
        const qsizetype scan = afterSegment(jpeg, 0xda);
        const QByteArray bmp = encoded(noisy(30, 20), "bmp");
        const QString unsupported = QStringLiteral("Unsupported image format");

        QTest::newRow("empty") << "e.jpg" << file << QByteArray() << damaged("e.jpg");
        QTest::newRow("one byte") << "o.jpg" << file << jpeg.left(1) << unsupported;
        QTest::newRow("JPEG start marker alone")
            << "s.jpg" << file << jpeg.left(2) << damaged("s.jpg");
        QTest::newRow("JPEG cut in its tables")
            << "h.jpg" << file << jpeg.left(40) << damaged("h.jpg");
        QTest::newRow("JPEG cut in its scan")
            << "c.jpg" << file << jpeg.left(scan + 100) << damaged("c.jpg");
        QTest::newRow("JPEG without its end marker")
            << "m.jpg" << file << jpeg.chopped(2) << damaged("m.jpg");
        // The end marker makes the file look whole; the decoder meets it too early.
        QTest::newRow("JPEG cut at a third, end marker added")
            << "t.jpg" << file << jpeg.left(jpeg.size() / 3) + "\xff\xd9" << damaged("t.jpg");
        QByteArray zeroed = jpeg;
        zeroed.replace(scan + (jpeg.size() - scan) / 2, 200, QByteArray(200, '\0'));
        QTest::newRow("JPEG with zeroed scan data")
            << "z.jpg" << file << zeroed << damaged("z.jpg");
        QTest::newRow("bitmap cut in its header")
            << "h.bmp" << file << bmp.left(20) << damaged("h.bmp");
        QTest::newRow("bitmap of 2147483647 x 2147483647")
            << "w.bmp" << file << bmpClaiming(INT_MAX, INT_MAX) << damaged("w.bmp");
        QTest::newRow("bitmap of negative width")
            << "n.bmp" << file << bmpClaiming(-30, 20) << damaged("n.bmp");
        QTest::newRow("bitmap of height INT_MIN")
            << "i.bmp" << file << bmpClaiming(30, INT_MIN) << damaged("i.bmp");
        QTest::newRow("bitmap named .jpg") << "bitmap.jpg" << file << bmp << QString();
        // Whole, and cut short: what their libraries would pass as half a picture is damaged.
        for (const char *format : {"png", "tiff", "webp"}) {
            const QByteArray whole = encoded(noisy(96, 64), format, 100);
            const QString name = QStringLiteral("a.") + format;
            QTest::addRow("%s", format) << name << file << whole << QString();
            QTest::addRow("%s cut at two thirds", format)
                << name << file << whole.left(whole.size() * 2 / 3) << damaged(name);
            QTest::addRow("%s without its last byte", format)
                << name << file << whole.chopped(1) << damaged(name);
        }
        QTest::newRow("text named .jpg")
            << "notes.jpg" << file << QByteArray("Shopping: milk\n") << unsupported;
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

    void refuses() {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QTemporaryDir dir;
        QString path = dir.filePath(name);
        const auto put = [](const QString &to, const QByteArray &data) {
            QFile f(to);
            return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
        };
        switch (Kind(kind)) {
        case Kind::File:
            QVERIFY(put(path, bytes));
            break;
        case Kind::Fifo:
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            break;
        case Kind::Directory:
            QVERIFY(QDir(dir.path()).mkdir(name));
            break;
        case Kind::Device:
            path = QStringLiteral("/dev/null");
            break;
        case Kind::Link: // to the bytes, or to nothing when there are none
            QVERIFY(bytes.isEmpty() || put(dir.filePath(QStringLiteral("target")), bytes));
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("target")), path));
            break;
        case Kind::Missing:
            break;
        }

        QElapsedTimer timer;
        timer.start();
        const Result<QImage> r = readPicture(path);
        QCOMPARE(r.error(), error);
        QCOMPARE(r.ok(), error.isEmpty());
        // The header alone decides whether there is anything to budget for.
        const qint64 bytesNeeded = pictureDecodeBytes(path);
        if (!r.ok() && error != damaged(name))
            QCOMPARE(bytesNeeded, 0);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
    }

    // A file that claims far more pixels than its bytes could code (a JPEG needs a bit for each
    // 8 x 8 block, GIF about a byte for 2730 pixels) is refused from its header: more than 4 Mi
    // pixels and more than 4096 of them for each byte. Then nothing is budgeted for it.
    void bombs_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("refused");
        QTest::newRow("JPEG of 4 Mi pixels, few bytes") << jpegClaiming(2048, 2048) << false;
        QTest::newRow("JPEG of a row more, few bytes") << jpegClaiming(2048, 2049) << true;
        // 8 Mi pixels need 2048 bytes.
        QTest::newRow("JPEG of 8 Mi pixels in 2048 bytes")
            << paddedTo(jpegClaiming(4096, 2048), 2048) << false;
        QTest::newRow("JPEG of 8 Mi pixels in 2047 bytes")
            << paddedTo(jpegClaiming(4096, 2048), 2047) << true;
        QTest::newRow("JPEG of 14000 x 14000") << jpegClaiming(14000, 14000) << true;
        QTest::newRow("GIF screen of 4 Mi pixels") << gifBomb(2048, 2048) << false;
        QTest::newRow("GIF screen of 13000 x 13000") << gifBomb(13000, 13000) << true;
        QTest::newRow("RLE8 bitmap of 10000 x 10000") << bitmapBomb(10000, 10000, 1) << true;
        QTest::newRow("RLE4 bitmap of 10000 x 10000") << bitmapBomb(10000, 10000, 2) << true;
        // Plain rows are held to their full length instead, once read.
        QTest::newRow("plain bitmap of 10000 x 10000") << bitmapBomb(10000, 10000, 0) << false;
    }

    void bombs() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bomb"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(pictureDecodeBytes(path) == 0, refused);
        if (refused)
            QCOMPARE(readPicture(path).error(), damaged(QStringLiteral("bomb")));
        QVERIFY(timer.elapsed() < 1000);
    }

    // The batch tool reads on several threads: a damaged picture on one must neither spoil a sound
    // one on another nor pass for sound itself.
    void damageOnOneThreadStaysThere() {
        QTemporaryDir dir;
        const QByteArray jpeg = encoded(noisy(320, 240), "jpg", 90);
        QByteArray zeroed = jpeg;
        zeroed.replace(afterSegment(jpeg, 0xda) + 500, 300, QByteArray(300, '\0'));
        const QString paths[2] = {dir.filePath(QStringLiteral("sound.jpg")),
                                  dir.filePath(QStringLiteral("bad.jpg"))};
        for (int i = 0; i < 2; ++i) {
            QFile f(paths[i]);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(i ? zeroed : jpeg) > 0);
        }
        const QImage expected = readPicture(paths[0]).value();
        std::atomic<int> wrong{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < 25; ++i) {
                    const bool bad = (i + t) % 2 == 0;
                    const Result<QImage> r = readPicture(paths[bad]);
                    if (bad ? r.error() != damaged(QStringLiteral("bad.jpg"))
                            : !r || r.value() != expected)
                        ++wrong;
                }
            });
        }
        for (std::thread &thread : threads)
            thread.join();
        QCOMPARE(wrong.load(), 0);
    }
};

QTEST_MAIN(BadPicturesTest)
#include "tst_badpictures.moc"
