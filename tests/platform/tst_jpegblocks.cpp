#include "platform/JpegBlocks.h"
#include "platform/JpegDecoder.h"
#include "render/CraftedJpeg.h"

#include <QPainter>
#include <QtTest>
#include <array>
#include <cstring>

using namespace imprimata;

namespace {

// Every block of every component, read with libjpeg itself.
struct Blocks {
    QSize mcu;
    std::vector<QSize> sampling, size; // per component: factors, and blocks across and down
    std::vector<std::vector<std::array<JCOEF, DCTSIZE2>>> blocks;
    bool progressive = false;
    unsigned restartInterval = 0;
};

Blocks blocksOf(const QByteArray &jpeg) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const uchar *>(jpeg.constData()), jpeg.size());
    jpeg_read_header(&info, TRUE);
    jvirt_barray_ptr *arrays = jpeg_read_coefficients(&info);
    Blocks b;
    b.mcu = QSize(info.max_h_samp_factor * 8, info.max_v_samp_factor * 8);
    b.progressive = info.progressive_mode;
    b.restartInterval = info.restart_interval;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info &comp = info.comp_info[c];
        b.sampling.emplace_back(comp.h_samp_factor, comp.v_samp_factor);
        b.size.emplace_back(int(comp.width_in_blocks), int(comp.height_in_blocks));
        std::vector<std::array<JCOEF, DCTSIZE2>> all(size_t(comp.width_in_blocks) *
                                                     comp.height_in_blocks);
        for (JDIMENSION row = 0; row < comp.height_in_blocks; ++row) {
            JBLOCKARRAY r = (*info.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&info),
                                                            arrays[c], row, 1, FALSE);
            std::memcpy(all[row * comp.width_in_blocks].data(), r[0],
                        comp.width_in_blocks * sizeof(JBLOCK));
        }
        b.blocks.push_back(std::move(all));
    }
    jpeg_destroy_decompress(&info);
    return b;
}

QImage decoded(const QByteArray &jpeg) {
    Result<QImage, JpegFault> image =
        decodeJpeg(reinterpret_cast<const uchar *>(jpeg.constData()), jpeg.size());
    return image ? std::move(image).value() : QImage();
}

// Turns worked out here as plain rotations: the angle the stored picture turns clockwise.
int angleOf(Turn turn) {
    switch (int(turn)) {
    case QImageIOHandler::TransformationRotate90:
        return 90;
    case QImageIOHandler::TransformationRotate180:
        return 180;
    case QImageIOHandler::TransformationRotate270:
        return 270;
    default:
        return 0;
    }
}

QImage rotated(const QImage &image, int angle) {
    return angle == 0 ? image : image.transformed(QTransform().rotate(angle));
}

// The bounding box of the stored pixels that lie under `upright` once turned.
QRect storedBox(const QRect &upright, QSize stored, int angle) {
    QImage mask(angle % 180 ? stored.transposed() : stored, QImage::Format_RGB32);
    mask.fill(Qt::black);
    QPainter(&mask).fillRect(upright, Qt::white);
    const QImage back = rotated(mask, -angle);
    QRect box;
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x)
            if (back.pixel(x, y) == qRgb(255, 255, 255))
                box |= QRect(x, y, 1, 1);
    return box;
}

// A photograph's kind of detail: gradients, edges and some noise.
QImage scene(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const int n = int(random.bounded(24));
            image.setPixel(x, y,
                           qRgb((x * 3 + n) % 256, (y * 2 + (x / 40) * 60 + n) % 256,
                                ((x + y) / 3 + n) % 256));
        }
    return image;
}

const QRgb Fill = qRgb(230, 40, 60);

// The Huffman table segments of a file.
QByteArray huffmanTables(const QByteArray &jpeg) {
    QByteArray tables;
    for (qsizetype at = jpeg.indexOf("\xff\xc4"); at >= 0; at = jpeg.indexOf("\xff\xc4", at + 2))
        tables += jpeg.mid(at, 2 + qFromBigEndian<quint16>(jpeg.constData() + at + 2));
    return tables;
}

} // namespace

class JpegBlocksTest : public QObject {
    Q_OBJECT

private slots:
    void keepsUntouchedBlocks_data();
    void keepsUntouchedBlocks();
    void keepsTheFileSize_data();
    void keepsTheFileSize();
    void needsCodesTheFileLacks();
    void takesAFileWithoutTables();
    void keepsAnUntouchedScan_data();
    void keepsAnUntouchedScan();
    void refuses_data();
    void refuses();
};

void JpegBlocksTest::keepsUntouchedBlocks_data() {
    QTest::addColumn<QSize>("sampling");
    QTest::addColumn<bool>("progressive");
    QTest::addColumn<int>("turn");
    QTest::addColumn<QRect>("area"); // in the upright picture; negative: from its far corner
    // A flat picture in tables made to measure, which lack nearly every code the mark needs,
    // with restart markers every so many MCUs; -1 for a detailed one in the standard tables.
    QTest::addColumn<int>("ownTables");

    const struct {
        const char *name;
        QRect area;
    } areas[] = {{"on MCU edges", QRect(32, 16, 64, 32)},
                 {"off MCU edges", QRect(37, 21, 50, 19)},
                 {"over the bottom-right edge", QRect(-40, -20, 80, 60)},
                 {"over the top-left edge", QRect(-20, -9, 41, 30)}};
    const struct {
        const char *name;
        int turn;
    } turns[] = {{"upright", QImageIOHandler::TransformationNone},
                 {"orientation 3", QImageIOHandler::TransformationRotate180},
                 {"orientation 6", QImageIOHandler::TransformationRotate90},
                 {"orientation 8", QImageIOHandler::TransformationRotate270}};
    for (QSize sampling : {QSize(1, 1), QSize(2, 1), QSize(2, 2)})
        for (bool progressive : {false, true})
            for (const auto &t : turns)
                for (const auto &a : areas)
                    QTest::addRow("%dx%d %s, %s, %s", sampling.width(), sampling.height(),
                                  progressive ? "progressive" : "baseline", t.name, a.name)
                        << sampling << progressive << t.turn << a.area << -1;
    QTest::newRow("grey, restart markers")
        << QSize(0, 0) << false << int(QImageIOHandler::TransformationRotate90)
        << QRect(37, 21, 50, 19) << -1;
    // The first and last MCU rows and one between, grey (QSize()) and in each sampling.
    for (QSize sampling : {QSize(), QSize(1, 1), QSize(2, 1), QSize(2, 2)}) {
        const QByteArray kind = sampling.isEmpty() ? QByteArray("grey")
                                                   : QByteArray::number(sampling.width()) + 'x' +
                                                         QByteArray::number(sampling.height());
        for (int restartInterval : {0, 1, 7})
            for (const auto &a : {areas[1], areas[2], areas[3]})
                QTest::addRow("%s own tables, restart every %d MCUs, %s", kind.constData(),
                              restartInterval, a.name)
                    << sampling << false << int(QImageIOHandler::TransformationNone) << a.area
                    << restartInterval;
    }
    QTest::newRow("own tables, orientation 6")
        << QSize(2, 2) << false << int(QImageIOHandler::TransformationRotate90)
        << QRect(37, 21, 50, 19) << 3;
}

void JpegBlocksTest::keepsUntouchedBlocks() {
    QFETCH(QSize, sampling);
    QFETCH(bool, progressive);
    QFETCH(int, turn);
    QFETCH(QRect, area);
    QFETCH(int, ownTables);
    const bool grey = sampling.isEmpty();
    const QSize stored(203, 141); // no whole number of MCUs either way
    QImage picture = scene(stored);
    if (ownTables >= 0)
        picture.fill(qRgb(90, 120, 150));
    QByteArray source =
        grey ? craftJpeg(picture, 1, 1, JCS_GRAYSCALE, false, ownTables < 0 ? 1 : 0)
             : craftJpeg(picture, sampling.width(), sampling.height(), JCS_YCbCr, progressive);
    if (ownTables >= 0)
        source = transcoded(source, unsigned(ownTables), true);
    const int angle = angleOf(Turn(turn));
    const QImage sourceUpright = rotated(decoded(source), angle);
    if (area.left() == -40)
        area.translate(sourceUpright.width(), sourceUpright.height());
    const QRect shown = area & sourceUpright.rect();

    int calls = 0;
    const Result<QByteArray> changed = changeJpegBlocks(
        reinterpret_cast<const uchar *>(source.constData()), source.size(), Turn(turn), {area},
        [&](QImage &pixels, QPoint origin) {
            ++calls;
            // The area's pixels as the whole picture decodes them.
            QVERIFY(QRect(origin, pixels.size()).contains(shown));
            QCOMPARE(pixels.copy(shown.translated(-origin)), sourceUpright.copy(shown));
            QPainter(&pixels).fillRect(shown.translated(-origin), Fill);
        });
    QVERIFY2(changed, qPrintable(changed.error()));
    QCOMPARE(calls, 1);
    if (ownTables >= 0) // coded in wider tables, not in libjpeg's own
        QVERIFY(huffmanTables(*changed) != huffmanTables(source));

    const Blocks before = blocksOf(source), after = blocksOf(*changed);
    QCOMPARE(after.progressive, before.progressive);
    QCOMPARE(after.restartInterval, before.restartInterval);
    QCOMPARE(after.size, before.size);
    // Outside the MCUs under the area every block is the source's own.
    const QRect box = storedBox(shown, stored, angle);
    const QRect touched(box.left() / before.mcu.width(), box.top() / before.mcu.height(),
                        box.right() / before.mcu.width() - box.left() / before.mcu.width() + 1,
                        box.bottom() / before.mcu.height() - box.top() / before.mcu.height() + 1);
    int kept = 0;
    for (size_t c = 0; c < before.blocks.size(); ++c) {
        const int across = before.size[c].width();
        for (int i = 0; i < int(before.blocks[c].size()); ++i) {
            const QPoint mcu(i % across / before.sampling[c].width(),
                             i / across / before.sampling[c].height());
            const bool same = before.blocks[c][i] == after.blocks[c][i];
            if (!touched.contains(mcu)) {
                QVERIFY2(same, qPrintable(QStringLiteral("component %1, block %2").arg(c).arg(i)));
                ++kept;
            }
        }
    }
    QVERIFY(kept > 0);

    // The decoded pixels differ only within one MCU of those blocks: colour is smoothed
    // across block edges.
    const QImage was = decoded(source), now = decoded(*changed);
    const QRect near(touched.left() * before.mcu.width() - before.mcu.width(),
                     touched.top() * before.mcu.height() - before.mcu.height(),
                     (touched.width() + 2) * before.mcu.width(),
                     (touched.height() + 2) * before.mcu.height());
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width(); ++x)
            if (!near.contains(x, y) && was.pixel(x, y) != now.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 changed").arg(x).arg(y)));
    // And the change is there, within what JPEG loses.
    const QPoint centre = rotated(now, angle).rect().intersected(shown).center();
    const QRgb got = rotated(now, angle).pixel(centre);
    const int luma = 99; // JPEG's grey of Fill: 0.299 R + 0.587 G + 0.114 B
    const QRgb want = grey ? qRgb(luma, luma, luma) : Fill;
    QVERIFY2(std::abs(qRed(got) - qRed(want)) + std::abs(qGreen(got) - qGreen(want)) +
                     std::abs(qBlue(got) - qBlue(want)) <
                 24,
             qPrintable(QStringLiteral("%1").arg(got, 8, 16)));
}

// Huffman tables made to measure, as Qt's writer makes them when asked.
QByteArray optimised(const QImage &image) {
    return qtWritten(image, -1, false, true);
}

void JpegBlocksTest::keepsTheFileSize_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("sameTables");
    const QImage photo = scene(QSize(1200, 800));
    QTest::newRow("standard tables") << craftJpeg(photo, 2, 2) << true;
    QTest::newRow("progressive") << craftJpeg(photo, 2, 2, JCS_YCbCr, true) << false;
    // The mark's blocks need no code the photograph's own tables lack: they are kept.
    QTest::newRow("tables of its own") << optimised(photo) << true;
    QTest::newRow("restart markers") << craftJpeg(photo, 2, 1, JCS_YCbCr, false, 3) << true;
}

// A mark of ordinary size changes the file's size by no more than it changes the picture.
void JpegBlocksTest::keepsTheFileSize() {
    QFETCH(QByteArray, source);
    QFETCH(bool, sameTables);
    const QRect area(500, 600, 160, 40);
    const Result<QByteArray> changed = changeJpegBlocks(
        reinterpret_cast<const uchar *>(source.constData()), source.size(),
        QImageIOHandler::TransformationNone, {area}, [&](QImage &pixels, QPoint origin) {
            QPainter(&pixels).drawText(area.translated(-origin), Qt::AlignCenter, "Mine");
        });
    QVERIFY2(changed, qPrintable(changed.error()));
    QVERIFY2(std::abs(changed->size() - source.size()) < source.size() / 100,
             qPrintable(QStringLiteral("%1 -> %2").arg(source.size()).arg(changed->size())));
    if (sameTables)
        QCOMPARE(huffmanTables(*changed), huffmanTables(source));
    const QImage was = decoded(source), now = decoded(*changed);
    QVERIFY(!now.isNull());
    QCOMPARE(now.copy(0, 0, 1200, 560), was.copy(0, 0, 1200, 560));
    QVERIFY(now.copy(area) != was.copy(area));
}

void JpegBlocksTest::keepsAnUntouchedScan_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QList<QRect>>("areas");
    const QImage photo = scene(QSize(320, 240));
    const QByteArray plain = craftJpeg(photo, 2, 2);
    QTest::newRow("no stamp") << plain << QList<QRect>{};
    QTest::newRow("a stamp off the picture") << plain << QList<QRect>{QRect(-90, -60, 40, 20)};
    QTest::newRow("restart markers, no stamp")
        << craftJpeg(photo, 2, 1, JCS_YCbCr, false, 3) << QList<QRect>{};
}

// A picture saved without a stamp on it keeps its scan bit for bit; nothing is decoded.
void JpegBlocksTest::keepsAnUntouchedScan() {
    QFETCH(QByteArray, source);
    QFETCH(QList<QRect>, areas);
    const Result<QByteArray> kept =
        changeJpegBlocks(reinterpret_cast<const uchar *>(source.constData()), source.size(),
                         QImageIOHandler::TransformationNone, areas,
                         [](QImage &, QPoint) { QFAIL("no pixels should be asked for"); });
    QVERIFY2(kept, qPrintable(kept.error()));
    const auto fromScan = [](const QByteArray &jpeg) { return jpeg.mid(jpeg.indexOf("\xff\xda")); };
    QCOMPARE(fromScan(*kept), fromScan(source));
    QCOMPARE(huffmanTables(*kept), huffmanTables(source));
}

// A flat picture's made-to-measure Huffman tables hold few codes; noise needs many more.
void JpegBlocksTest::needsCodesTheFileLacks() {
    QImage flat(128, 96, QImage::Format_RGB32);
    flat.fill(qRgb(90, 120, 150));
    const QByteArray source = optimised(flat);
    const QRect area(40, 32, 32, 16);
    const Result<QByteArray> changed = changeJpegBlocks(
        reinterpret_cast<const uchar *>(source.constData()), source.size(),
        QImageIOHandler::TransformationNone, {area}, [&](QImage &pixels, QPoint origin) {
            const QImage noise = scene(area.size());
            QPainter(&pixels).drawImage(area.topLeft() - origin, noise);
        });
    QVERIFY2(changed, qPrintable(changed.error()));
    QVERIFY(huffmanTables(*changed) != huffmanTables(source));
    const QImage was = decoded(source), now = decoded(*changed);
    QCOMPARE(now.copy(0, 0, 128, 16), was.copy(0, 0, 128, 16)); // a row of MCUs away
    QVERIFY(now.copy(area) != was.copy(area));
}

// A motion-JPEG frame carries no Huffman tables and is coded with the standard ones.
void JpegBlocksTest::takesAFileWithoutTables() {
    const QByteArray standard = encoded(scene({128, 96}), "jpeg", 90);
    QByteArray frame = standard;
    for (qsizetype at; (at = frame.indexOf("\xff\xc4")) >= 0;)
        frame.remove(at, 2 + qFromBigEndian<quint16>(frame.constData() + at + 2));
    QVERIFY(huffmanTables(frame).isEmpty());
    QCOMPARE(decoded(frame), decoded(standard));
    const QRect area(40, 32, 32, 16);
    const Result<QByteArray> changed = changeJpegBlocks(
        reinterpret_cast<const uchar *>(frame.constData()), frame.size(),
        QImageIOHandler::TransformationNone, {area}, [&](QImage &pixels, QPoint origin) {
            QPainter(&pixels).fillRect(area.translated(-origin), Fill);
        });
    QVERIFY2(changed, qPrintable(changed.error()));
    const QImage was = decoded(frame), now = decoded(*changed);
    QCOMPARE(now.copy(0, 0, 128, 16), was.copy(0, 0, 128, 16)); // a row of MCUs away
    QVERIFY(qAbs(qRed(now.pixel(area.center())) - qRed(Fill)) < 8);
}

void JpegBlocksTest::refuses_data() {
    QTest::addColumn<QByteArray>("file");
    const QImage picture = scene(QSize(64, 48));
    const QByteArray jpeg = craftJpeg(picture, 2, 2);
    QTest::newRow("CMYK") << craftJpeg(picture, 1, 1, JCS_CMYK);
    QByteArray zero = jpeg; // decodable, but a change could not be divided by the table
    zero[zero.indexOf("\xff\xdb") + 5 + 9] = 0;
    QTest::newRow("a zero in a quantisation table") << zero;
    QByteArray slot = jpeg;
    slot[slot.indexOf("\xff\xc0") + 12] = 9; // the first component's table: there are four
    QTest::newRow("a quantisation table that is not there") << slot;
    QTest::newRow("scan cut short") << jpeg.left(jpeg.size() * 2 / 3) + "\xff\xd9";
    QTest::newRow("no picture at all") << QByteArray("not a JPEG");
}

void JpegBlocksTest::refuses() {
    QFETCH(QByteArray, file);
    bool called = false;
    const Result<QByteArray> changed =
        changeJpegBlocks(reinterpret_cast<const uchar *>(file.constData()), file.size(),
                         QImageIOHandler::TransformationNone, {QRect(0, 0, 16, 16)},
                         [&](QImage &, QPoint) { called = true; });
    QVERIFY(!changed);
    QVERIFY(!changed.error().isEmpty());
    QVERIFY(!called);
}

QTEST_MAIN(JpegBlocksTest)
#include "tst_jpegblocks.moc"
