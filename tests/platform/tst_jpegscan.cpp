#include "platform/JpegScan.h"
#include "platform/JpegSegments.h"
#include "render/CraftedJpeg.h"

#include <QPainter>
#include <QtTest>
#include <csetjmp>

using namespace imprimata;

namespace {

struct Trap {
    jpeg_error_mgr errors{};
    std::jmp_buf jump{};
};

[[noreturn]] void leave(j_common_ptr info) {
    std::longjmp(reinterpret_cast<Trap *>(info->err)->jump, 1);
}

// A component of a one-scan JPEG as libjpeg reads it: every block it stores, padding ones too.
struct Plane {
    ScanComponent layout;
    JHUFF_TBL dc{}, ac{};
    int across = 0, down = 0;
    std::vector<JCOEF> coefficients;
    JCOEF *block(int x, int y) { return coefficients.data() + (qsizetype(y) * across + x) * 64; }
};

struct Coefficients {
    std::vector<Plane> planes; // in scan order
    int mcusAcross = 0, mcusDown = 0, restartInterval = 0, warnings = 0, scans = 0;
};

// False when libjpeg stops with an error.
bool readCoefficients(const QByteArray &jpeg, Coefficients &out) {
    jpeg_decompress_struct info{};
    Trap trap;
    info.err = jpeg_std_error(&trap.errors);
    trap.errors.error_exit = leave;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const uchar *>(jpeg.constData()), jpeg.size());
    jpeg_read_header(&info, TRUE);
    jvirt_barray_ptr *arrays = jpeg_read_coefficients(&info);
    out.mcusAcross = int(info.MCUs_per_row);
    out.mcusDown = int(info.MCU_rows_in_scan);
    out.restartInterval = int(info.restart_interval);
    out.scans = info.input_scan_number;
    for (int i = 0; i < info.comps_in_scan; ++i) {
        const jpeg_component_info &c = *info.cur_comp_info[i];
        Plane p;
        p.layout = {c.h_samp_factor, c.v_samp_factor, int(c.width_in_blocks),
                    int(c.height_in_blocks)};
        p.dc = *info.dc_huff_tbl_ptrs[c.dc_tbl_no];
        p.ac = *info.ac_huff_tbl_ptrs[c.ac_tbl_no];
        // The arrays are whole MCUs high and wide.
        p.across =
            (p.layout.widthInBlocks + c.h_samp_factor - 1) / c.h_samp_factor * c.h_samp_factor;
        p.down =
            (p.layout.heightInBlocks + c.v_samp_factor - 1) / c.v_samp_factor * c.v_samp_factor;
        p.coefficients.resize(size_t(p.across) * size_t(p.down) * 64);
        for (int y = 0; y < p.down; ++y) {
            JBLOCKARRAY row =
                (*info.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&info),
                                                arrays[c.component_index], JDIMENSION(y), 1, FALSE);
            std::memcpy(p.block(0, y), row[0], size_t(p.across) * sizeof(JBLOCK));
        }
        out.planes.push_back(std::move(p));
    }
    out.warnings = int(trap.errors.num_warnings);
    jpeg_destroy_decompress(&info);
    return true;
}

// Tables with a code for every symbol, that any scan can be coded again in.
struct EveryCode {
    JHUFF_TBL dc{}, ac{};

    EveryCode() {
        dc.bits[5] = 16;
        for (int i = 0; i < 16; ++i)
            dc.huffval[i] = UINT8(i);
        ac.bits[8] = ac.bits[9] = 128;
        for (int i = 0; i < 256; ++i)
            ac.huffval[i] = UINT8(255 - i);
    }
    EveryCode(const EveryCode &) = delete;

    QByteArray segment() const {
        QByteArray dht = QByteArray::fromHex("ffc4") + QByteArray(2, '\0');
        for (const auto &[table, tableClass] : {std::pair{&dc, 0}, std::pair{&ac, 1}})
            for (int slot = 0; slot < 2; ++slot) {
                dht += char(tableClass << 4 | slot);
                dht += QByteArray(reinterpret_cast<const char *>(table->bits + 1), 16);
                dht += QByteArray(reinterpret_cast<const char *>(table->huffval),
                                  table == &dc ? 16 : 256);
            }
        qToBigEndian(quint16(dht.size() - 2), dht.data() + 2);
        return dht;
    }
};

// The scan's own tables, per component.
std::vector<ScanTables> ownTables(const BaselineScan &scan) {
    std::vector<ScanTables> tables;
    for (const ScanComponent &c : scan.components)
        tables.push_back({c.dc, c.ac});
    return tables;
}

// A one-scan JPEG: its bytes, where its scan data lies, and its blocks.
struct Source {
    QByteArray file;
    qint64 scanStart = 0, scanEnd = 0;
    Coefficients blocks;

    explicit Source(const QByteArray &jpeg) : file(jpeg) {
        const auto *data = reinterpret_cast<const uchar *>(file.constData());
        scanStart = readJpegHeadSegments(data, file.size()).end;
        scanEnd = jpegScanDataEnd(data, file.size(), scanStart).value_or(-1);
        if (!readCoefficients(file, blocks))
            qFatal("libjpeg cannot read a test picture");
    }
    Source(const Source &) = delete;

    QByteArray scanData() const { return file.mid(scanStart, scanEnd - scanStart); }

    // The scan over `data` (by default its own), with its tables.
    BaselineScan scan(const QByteArray &data) const {
        BaselineScan s;
        s.data = reinterpret_cast<const uchar *>(data.constData());
        s.size = data.size();
        for (const Plane &p : blocks.planes) {
            ScanComponent c = p.layout;
            c.dc = &p.dc;
            c.ac = &p.ac;
            s.components.push_back(c);
        }
        s.mcusAcross = blocks.mcusAcross;
        s.mcusDown = blocks.mcusDown;
        s.restartInterval = blocks.restartInterval;
        return s;
    }

    QByteArray withScan(const QByteArray &data) const {
        return file.left(scanStart) + data + file.mid(scanEnd);
    }

    // The file with `data` coded in EveryCode's tables.
    QByteArray withEveryCode(const QByteArray &data) const {
        QByteArray jpeg = file.left(2);
        const auto *bytes = reinterpret_cast<const uchar *>(file.constData());
        for (const JpegSegment &segment : readJpegHeadSegments(bytes, file.size()).segments) {
            if (segment.marker == JpegSos)
                jpeg += EveryCode().segment();
            if (segment.marker != 0xC4)
                jpeg += file.mid(qsizetype(segment.offset), qsizetype(segment.size));
        }
        return jpeg + data + file.mid(scanEnd);
    }
};

// Gradients and thin lines over noise: long zero runs beside blocks full of coefficients.
QImage picture(int w, int h) {
    QImage image = noisy(w, h);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, w, h);
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(1, Qt::yellow);
    painter.fillRect(0, 0, w * 3 / 5, h, gradient);
    painter.setPen(QPen(Qt::white, 1));
    for (int x = 5; x < w * 3 / 5; x += 37)
        painter.drawLine(x, 0, x + h / 3, h);
    return image;
}

// The band's rows of each component in the whole picture's block rows.
int pictureRow(const ScanBand &band, int component, int row) {
    const int perMcuRow = band.blockRows(component) / (band.lastRow() - band.firstRow() + 1);
    return band.firstRow() * perMcuRow + row;
}

// Changes blocks at the band's corners, edges and middle, in `band` and at the same places in
// `picture`: their DC moves a little and their AC coefficients become those of another block,
// so that even optimised tables have the codes they need.
void change(ScanBand &band, Coefficients &picture) {
    for (int c = 0; c < int(picture.planes.size()); ++c) {
        Plane &plane = picture.planes[size_t(c)];
        const int across = band.blocksAcross(c), down = band.blockRows(c);
        JBLOCK donor;
        std::memcpy(donor, plane.block(across / 3, pictureRow(band, c, down / 2)), sizeof donor);
        for (const int y : {0, down / 2, down - 1}) {
            for (const int x : {0, across / 2, across - 1}) {
                for (JCOEF *block : {band.row(c, y)[x], plane.block(x, pictureRow(band, c, y))}) {
                    std::copy(donor + 1, donor + 64, block + 1);
                    block[0] = JCOEF(block[0] + 5 - x % 11);
                }
            }
        }
    }
}

// A grey picture of 2 x 2 blocks in small tables, so that a test can write its blocks bit by
// bit. DC: 0 "0", -1 or 1 "10" and a bit, -32767 to 32767 "110" and 15 bits. AC: -1 or 1 "00"
// and a bit, a zero then -1 or 1 "01" and a bit, end of block "10", sixteen zeros "110";
// "111" is no code.
struct TinyScan {
    JHUFF_TBL dc{}, ac{};
    QByteArray data;

    explicit TinyScan(QString bits) {
        dc.bits[1] = dc.bits[2] = dc.bits[3] = 1;
        dc.huffval[1] = 1;
        dc.huffval[2] = 15;
        ac.bits[2] = 3;
        ac.bits[3] = 1;
        const UINT8 symbols[] = {0x01, 0x11, 0x00, 0xF0};
        std::copy(std::begin(symbols), std::end(symbols), ac.huffval);
        bits.remove(QLatin1Char(' '));
        while (bits.size() % 8)
            bits += QLatin1Char('1');
        for (qsizetype i = 0; i < bits.size(); i += 8) {
            data += char(bits.mid(i, 8).toUInt(nullptr, 2));
            if (data.endsWith('\xff'))
                data += '\0';
        }
    }
    TinyScan(const TinyScan &) = delete;

    BaselineScan scan() const {
        BaselineScan s;
        s.data = reinterpret_cast<const uchar *>(data.constData());
        s.size = data.size();
        s.components.push_back({1, 1, 2, 2, &dc, &ac});
        s.mcusAcross = s.mcusDown = 2;
        return s;
    }
};

} // namespace

class JpegScanTest : public QObject {
    Q_OBJECT

private slots:
    void splicesBands_data() {
        QTest::addColumn<QByteArray>("jpeg");
        const QImage wide = picture(1203, 797), small = picture(203, 117);
        QTest::newRow("4:4:4") << craftJpeg(wide, 1, 1);
        QTest::newRow("4:2:2") << craftJpeg(wide, 2, 1);
        QTest::newRow("4:2:0") << craftJpeg(wide, 2, 2);
        QTest::newRow("4:4:0") << craftJpeg(small, 1, 2);
        QTest::newRow("grey") << craftJpeg(wide, 1, 1, JCS_GRAYSCALE);
        QTest::newRow("grey sampled 2x2") << craftJpeg(small, 2, 2, JCS_GRAYSCALE);
        QTest::newRow("Qt, standard tables") << qtWritten(wide, 75);
        QTest::newRow("Qt, optimised tables") << qtWritten(wide, 92, false, true);
        QTest::newRow("restart every MCU row") << craftJpeg(small, 2, 2, JCS_YCbCr, false, 1);
        QTest::newRow("restart every 3 MCU rows") << craftJpeg(wide, 2, 1, JCS_YCbCr, false, 3);
        QTest::newRow("restart every 7 MCUs, optimised")
            << transcoded(craftJpeg(small, 2, 2), 7, true);
        QTest::newRow("restart every MCU") << transcoded(craftJpeg(small, 1, 1), 1, false);
        QTest::newRow("grey, restart every 5 MCUs")
            << transcoded(craftJpeg(small, 1, 1, JCS_GRAYSCALE), 5, false);
    }

    // Read, splice unchanged, and splice changed, for bands at the top, in the middle and at the
    // bottom, each checked against libjpeg's own reading.
    void splicesBands() {
        QFETCH(QByteArray, jpeg);
        const Source source(jpeg);
        QCOMPARE(source.blocks.scans, 1);
        const QByteArray scanData = source.scanData();
        const BaselineScan scan = source.scan(scanData);
        const int last = scan.mcusDown - 1;
        const std::pair<int, int> bands[] = {
            {0, 0}, {0, 1}, {last / 2, last / 2 + 2}, {last - 1, last}, {last, last}, {0, last}};
        for (const auto &[first, lastRow] : bands) {
            Result<ScanBand> band = readScanBand(scan, first, lastRow);
            QVERIFY2(band, qPrintable(band.error()));
            for (int c = 0; c < int(scan.components.size()); ++c) {
                const Plane &plane = source.blocks.planes[size_t(c)];
                for (int y = 0; y < band->blockRows(c); ++y)
                    QVERIFY(std::memcmp(band->row(c, y),
                                        plane.coefficients.data() +
                                            qsizetype(pictureRow(*band, c, y)) * plane.across * 64,
                                        size_t(band->blocksAcross(c)) * sizeof(JBLOCK)) == 0);
            }

            Result<QByteArray> same = spliceScanBand(scan, *band);
            QVERIFY2(same, qPrintable(same.error()));
            QVERIFY(*same == scanData);

            Coefficients expected = source.blocks;
            change(*band, expected);
            Result<QByteArray> spliced = spliceScanBand(scan, *band);
            QVERIFY2(spliced, qPrintable(spliced.error()));
            Coefficients got;
            QVERIFY(readCoefficients(source.withScan(*spliced), got));
            QCOMPARE(got.warnings, 0);
            for (size_t c = 0; c < got.planes.size(); ++c)
                QVERIFY(got.planes[c].coefficients == expected.planes[c].coefficients);

            // What was spliced reads back as it was written.
            Result<ScanBand> again = readScanBand(source.scan(*spliced), first, lastRow);
            QVERIFY2(again, qPrintable(again.error()));
            for (int c = 0; c < int(scan.components.size()); ++c)
                QVERIFY(std::memcmp(again->row(c, 0), band->row(c, 0),
                                    size_t(band->blocksAcross(c) * band->blockRows(c)) *
                                        sizeof(JBLOCK)) == 0);
        }
    }

    void recodesBands_data() { splicesBands_data(); }

    // Coded again in its own tables, the scan is what it was, bit for bit; in tables with every
    // code, libjpeg reads the changed band from it and every other block as it was.
    void recodesBands() {
        QFETCH(QByteArray, jpeg);
        const Source source(jpeg);
        const QByteArray scanData = source.scanData();
        const BaselineScan scan = source.scan(scanData);
        const EveryCode every;
        const std::vector<ScanTables> widest(scan.components.size(), {&every.dc, &every.ac});
        const int last = scan.mcusDown - 1;
        const std::pair<int, int> bands[] = {{0, 0}, {last / 2, last / 2 + 1}, {last, last}};
        for (const auto &[first, lastRow] : bands) {
            Result<ScanBand> band = readScanBand(scan, first, lastRow);
            QVERIFY2(band, qPrintable(band.error()));
            Result<QByteArray> same = recodeScanBand(scan, *band, ownTables(scan));
            QVERIFY2(same, qPrintable(same.error()));
            QVERIFY(*same == scanData);

            Coefficients expected = source.blocks;
            change(*band, expected);
            Result<std::vector<ScanSymbols>> symbols = bandSymbols(scan, *band);
            QVERIFY2(symbols, qPrintable(symbols.error()));
            QCOMPARE(symbols->size(), scan.components.size());
            Result<QByteArray> recoded = recodeScanBand(scan, *band, widest);
            QVERIFY2(recoded, qPrintable(recoded.error()));
            Coefficients got;
            QVERIFY(readCoefficients(source.withEveryCode(*recoded), got));
            QCOMPARE(got.warnings, 0);
            for (size_t c = 0; c < got.planes.size(); ++c)
                QVERIFY(got.planes[c].coefficients == expected.planes[c].coefficients);
        }
    }

    // The symbols the band needs are those its blocks are coded with, and nothing of the rest.
    void findsTheBandsSymbols() {
        const TinyScan tiny(QStringLiteral("0 001 10  0 10  101 011 10  0 10"));
        const BaselineScan scan = tiny.scan();
        Result<ScanBand> band = readScanBand(scan, 1, 1);
        QVERIFY2(band, qPrintable(band.error()));
        Result<std::vector<ScanSymbols>> symbols = bandSymbols(scan, *band);
        QVERIFY2(symbols, qPrintable(symbols.error()));
        QCOMPARE(symbols->size(), size_t(1));
        QCOMPARE(symbols->front().dc, HuffmanSymbols().set(1).set(0)); // DC 1, then the same
        QCOMPARE(symbols->front().ac, HuffmanSymbols().set(0x11).set(0x00));
        band->row(0, 0)[1][1] = -300; // nine bits in the second block
        symbols = bandSymbols(scan, *band);
        QVERIFY2(symbols, qPrintable(symbols.error()));
        QCOMPARE(symbols->front().dc, HuffmanSymbols().set(1).set(0));
        QCOMPARE(symbols->front().ac, HuffmanSymbols().set(0x11).set(0x00).set(0x09));
        band->row(0, 0)[1][0] = -32767; // DC differences past what a category holds
        band->row(0, 0)[0][0] = 32767;
        QVERIFY(!bandSymbols(scan, *band));
    }

    void refusesDamage_data() {
        QTest::addColumn<QByteArray>("jpeg");
        QTest::addColumn<QByteArray>("scanData");
        QTest::addColumn<int>("table"); // a table to break: 1 none, 2 too many codes, 3 all ones
        const QByteArray plain = craftJpeg(picture(99, 61), 2, 2);
        const QByteArray restarts = craftJpeg(picture(99, 61), 2, 2, JCS_YCbCr, false, 1);
        const Source p(plain), r(restarts);
        const QByteArray data = p.scanData(), restartData = r.scanData();
        const qsizetype middle = data.size() / 2 + (data[data.size() / 2 - 1] == '\xff');
        const qsizetype rst = restartData.indexOf("\xff\xd0");

        QTest::newRow("no data") << plain << QByteArray() << 0;
        QTest::newRow("last byte cut") << plain << data.chopped(1) << 0;
        QTest::newRow("half cut") << plain << data.left(data.size() / 2) << 0;
        QTest::newRow("a byte more") << plain << data + '\x00' << 0;
        QTest::newRow("ones no code has")
            << plain << QByteArray(data).insert(middle, QByteArray("\xff\x00", 2).repeated(8)) << 0;
        QTest::newRow("restart numbered wrong")
            << restarts << QByteArray(restartData).replace(rst, 2, "\xff\xd1") << 0;
        QTest::newRow("restart missing") << restarts << QByteArray(restartData).remove(rst, 2) << 0;
        QTest::newRow("restart where none is")
            << plain << QByteArray(data).insert(middle, "\xff\xd0") << 0;
        QTest::newRow("no table") << plain << data << 1;
        QTest::newRow("too many codes") << plain << data << 2;
        QTest::newRow("an all-ones code") << plain << data << 3;
    }

    void refusesDamage() {
        QFETCH(QByteArray, jpeg);
        QFETCH(QByteArray, scanData);
        QFETCH(int, table);
        const Source source(jpeg);
        BaselineScan scan = source.scan(scanData);
        JHUFF_TBL broken = source.blocks.planes[0].ac;
        if (table == 2)
            broken.bits[16] = 250;
        if (table == 3) { // two codes of one bit: the second is all ones
            std::fill(std::begin(broken.bits), std::end(broken.bits), UINT8(0));
            broken.bits[1] = 2;
        }
        scan.components[0].ac = table == 1 ? nullptr : &broken;
        QVERIFY(!readScanBand(scan, 0, scan.mcusDown - 1));
        // Coding it again over the sound scan's band refuses it as well.
        const QByteArray sound = source.scanData();
        Result<ScanBand> band = readScanBand(source.scan(sound), 0, 0);
        QVERIFY2(band, qPrintable(band.error()));
        QVERIFY(!recodeScanBand(scan, *band, ownTables(source.scan(sound))));
    }

    // The blocks of the first row, outside the band, end where their codes say and no later.
    void findsBlockEnds_data() {
        QTest::addColumn<QString>("skipped"); // the bits of the first row's two blocks
        QTest::addColumn<bool>("sound");
        QTest::addColumn<int>("dc"); // the band's DC when sound
        const QString one = QStringLiteral("001 "), runThenOne = QStringLiteral("011 "),
                      end = QStringLiteral("10 "), zeros = QStringLiteral("110 "),
                      dcZero = QStringLiteral("0 "), dcOne = QStringLiteral("101 "),
                      dcMost = QStringLiteral("110 111111111111111 ");

        QTest::newRow("last coefficient, then the next block")
            << dcZero + one.repeated(63) + dcOne + end << true << 1;
        QTest::newRow("zero runs up to the last coefficient")
            << dcZero + one.repeated(15) + zeros.repeated(3) + dcOne + end << true << 1;
        QTest::newRow("runs, then the end of block")
            << dcZero + runThenOne.repeated(5) + end + dcOne + one + end << true << 1;
        QTest::newRow("DC at the widest a coefficient holds")
            << dcMost + end + dcZero + end << true << 32767;
        QTest::newRow("a run past the last coefficient")
            << dcZero + one.repeated(62) + runThenOne + dcZero + end << false << 0;
        QTest::newRow("zero runs past the last coefficient")
            << dcZero + zeros.repeated(4) + dcZero + end << false << 0;
        QTest::newRow("a code the table lacks after a short one")
            << dcZero + one + QStringLiteral("111 ") + end + dcZero + end << false << 0;
        QTest::newRow("DC wider than a coefficient holds")
            << dcMost + end + dcMost + end << false << 0;
    }

    void findsBlockEnds() {
        QFETCH(QString, skipped);
        QFETCH(bool, sound);
        QFETCH(int, dc);
        const TinyScan tiny(skipped + QStringLiteral("0 10 0 10"));
        const BaselineScan scan = tiny.scan();
        Result<ScanBand> band = readScanBand(scan, 1, 1);
        QCOMPARE(bool(band), sound);
        if (!sound)
            return;
        QCOMPARE(int(band->row(0, 0)[0][0]), dc);
        QCOMPARE(int(band->row(0, 0)[1][0]), dc);
        Result<QByteArray> same = spliceScanBand(scan, *band);
        QVERIFY2(same, qPrintable(same.error()));
        QCOMPARE(*same, tiny.data);
        same = recodeScanBand(scan, *band, ownTables(scan));
        QVERIFY2(same, qPrintable(same.error()));
        QCOMPARE(*same, tiny.data);
    }

    void refusesCodesTheTablesLack() {
        // A flat picture's optimised AC table has little more than the end of block.
        QImage flat(64, 48, QImage::Format_RGB32);
        flat.fill(qRgb(90, 120, 200));
        const Source source(qtWritten(flat, 90, false, true));
        const QByteArray data = source.scanData();
        const BaselineScan scan = source.scan(data);
        Result<ScanBand> band = readScanBand(scan, 1, 1);
        QVERIFY2(band, qPrintable(band.error()));
        band->row(0, 0)[3][5] = 7;
        QVERIFY(!spliceScanBand(scan, *band));
        Result<std::vector<ScanSymbols>> symbols = bandSymbols(scan, *band);
        QVERIFY2(symbols, qPrintable(symbols.error()));
        QVERIFY(symbols->front().ac.test(0xE3)); // fourteen zeros, then a value of three bits
        QVERIFY(!recodeScanBand(scan, *band, ownTables(scan)));
        // Tables short of a symbol the rest of the scan uses are refused too: the band's DC
        // differences are all zero, the first block's is not.
        const EveryCode every;
        JHUFF_TBL onlyZero{};
        onlyZero.bits[1] = 1;
        std::vector<ScanTables> tables(scan.components.size(), {&every.dc, &every.ac});
        QVERIFY(recodeScanBand(scan, *band, tables));
        tables[0].dc = &onlyZero;
        QVERIFY(!recodeScanBand(scan, *band, tables));
    }

    // Damage anywhere never crashes it, and what it reads it can write.
    void survivesNoise() {
        const Source source(craftJpeg(picture(67, 45), 2, 1, JCS_YCbCr, false, 2));
        const QByteArray data = source.scanData();
        const Result<ScanBand> soundBand = readScanBand(source.scan(data), 0, 0);
        QVERIFY2(soundBand, qPrintable(soundBand.error()));
        QRandomGenerator random(5);
        for (int i = 0; i < 400; ++i) {
            QByteArray damaged = data;
            for (int n = int(random.bounded(1, 4)); n > 0; --n)
                damaged[random.bounded(damaged.size())] = char(random.bounded(256));
            if (i % 4 == 0)
                damaged.truncate(random.bounded(damaged.size()));
            const BaselineScan scan = source.scan(damaged);
            const int first = int(random.bounded(scan.mcusDown));
            Result<ScanBand> band = readScanBand(scan, first, first);
            if (band)
                QVERIFY(spliceScanBand(scan, *band));
            // Coding it again refuses exactly what reading it does.
            QCOMPARE(bool(recodeScanBand(scan, *soundBand, ownTables(scan))), bool(band));
        }
    }
};

QTEST_MAIN(JpegScanTest)
#include "tst_jpegscan.moc"
