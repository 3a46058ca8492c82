#include "platform/JpegSegments.h"

#include <QStringList>
#include <QtTest>

using namespace imprimata;

namespace {

const uchar *bytesOf(const QByteArray &bytes) {
    return reinterpret_cast<const uchar *>(bytes.constData());
}

// The segments as "marker@offset+size", in order.
QString listed(const QList<JpegSegment> &segments) {
    QStringList list;
    for (const JpegSegment &s : segments)
        list.append(QStringLiteral("%1@%2+%3").arg(s.marker, 2, 16).arg(s.offset).arg(s.size));
    return list.join(QLatin1Char(' '));
}

} // namespace

class JpegSegmentsTest : public QObject {
    Q_OBJECT

private slots:
    // The walk the loader's completeness check and the decoder rely on.
    void scanCount_data() {
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<int>("scans"); // -1: the data ends before EOI

        QTest::newRow("no segments") << QByteArray("ffd8ffd9") << 0;
        QTest::newRow("one scan") << QByteArray("ffd8ffda00021234ffd9") << 1;
        QTest::newRow("two scans") << QByteArray("ffd8ffda000212ffda000234ffd9") << 2;
        QTest::newRow("fill bytes before markers") << QByteArray("ffd8ffffffda000212ffffffd9") << 1;
        QTest::newRow("stuffed zero and restart marker in the scan")
            << QByteArray("ffd8ffda000212ff0034ffd056ffffd778ffd9") << 1;
        QTest::newRow("stray bytes between segments") << QByteArray("ffd80011ffda000212ffd9") << 1;
        QTest::newRow("data after the end marker") << QByteArray("ffd8ffd9ffffda00") << 0;
        QTest::newRow("not a JPEG") << QByteArray("ffd9ffd8ffd9") << -1;
        QTest::newRow("length cut") << QByteArray("ffd8ffe000") << -1;
        QTest::newRow("length below two") << QByteArray("ffd8ffe00001ffd9") << -1;
        QTest::newRow("segment past the end") << QByteArray("ffd8ffe0001001ffd9") << -1;
        QTest::newRow("scan without an end") << QByteArray("ffd8ffda000212ff00ffd0") << -1;
        QTest::newRow("ends in fill bytes") << QByteArray("ffd8ffda000212ffff") << -1;
    }
    void scanCount() {
        QFETCH(QByteArray, hex);
        QFETCH(int, scans);
        const QByteArray bytes = QByteArray::fromHex(hex);
        QCOMPARE(jpegScanCount(bytesOf(bytes), bytes.size()).value_or(-1), scans);
    }

    // The strict walk whose segments the metadata step copies byte for byte.
    void headSegments_data() {
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<int>("stop");
        QTest::addColumn<QString>("segments");
        QTest::addColumn<qint64>("end");

        QTest::newRow("up to the scan")
            << QByteArray("ffd8ffe00004aabbffda0002ff00") << int(JpegHeadSegments::Scan)
            << "e0@2+6 da@8+4" << qint64(12);
        QTest::newRow("fill bytes left out of the segment")
            << QByteArray("ffd8ffffe00004aabbffffda0002") << int(JpegHeadSegments::Scan)
            << "e0@3+6 da@10+4" << qint64(14);
        QTest::newRow("stray byte") << QByteArray("ffd8ffe0000200ffda0002")
                                    << int(JpegHeadSegments::Broken) << "e0@2+4" << qint64(0);
        QTest::newRow("restart marker")
            << QByteArray("ffd8ffd0ffda0002") << int(JpegHeadSegments::Broken) << "" << qint64(0);
        QTest::newRow("second start") << QByteArray("ffd8ffd80004aabbffda0002")
                                      << int(JpegHeadSegments::Broken) << "" << qint64(0);
        QTest::newRow("length below two") << QByteArray("ffd8ffe00001ffda0002")
                                          << int(JpegHeadSegments::Broken) << "" << qint64(0);
        QTest::newRow("not a JPEG")
            << QByteArray("47494638") << int(JpegHeadSegments::Broken) << "" << qint64(0);
        QTest::newRow("one byte") << QByteArray("ff") << int(JpegHeadSegments::Short) << ""
                                  << qint64(0);
        QTest::newRow("cut in a length")
            << QByteArray("ffd8ffe000") << int(JpegHeadSegments::Short) << "" << qint64(0);
        QTest::newRow("cut in a payload") << QByteArray("ffd8ffe00002ffe10008aa")
                                          << int(JpegHeadSegments::Short) << "e0@2+4" << qint64(0);
        QTest::newRow("cut before the scan")
            << QByteArray("ffd8ffe00002") << int(JpegHeadSegments::Short) << "e0@2+4" << qint64(0);
    }
    void headSegments() {
        QFETCH(QByteArray, hex);
        QFETCH(int, stop);
        QFETCH(QString, segments);
        QFETCH(qint64, end);
        const QByteArray bytes = QByteArray::fromHex(hex);
        const JpegHeadSegments head = readJpegHeadSegments(bytesOf(bytes), bytes.size());
        QCOMPARE(int(head.stop), stop);
        QCOMPARE(listed(head.segments), segments);
        if (head.stop == JpegHeadSegments::Scan)
            QCOMPARE(head.end, end);
    }
};

QTEST_MAIN(JpegSegmentsTest)
#include "tst_jpegsegments.moc"
