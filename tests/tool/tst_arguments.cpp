#include "tool/StampArguments.h"
#include "tool/StampRunner.h"

#include <QtTest>
#include <limits>

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::Anchor)

class ArgumentsTest : public QObject {
    Q_OBJECT

private slots:
    // Values at both ends of their ranges; everything after "--" is a picture.
    void accepted() {
        const ParsedArguments parsed = parseStampArguments(
            {"--mark", "m.$IM", "--at", "-5,-7", "--anchor=bottom-right", "--jobs=1", "--quality",
             "100", "--out-dir", "d", "a.jpg", "--", "-b.jpg"});
        QVERIFY2(parsed.ok() && !parsed.help, qPrintable(parsed.error));
        QCOMPARE(parsed.options.at, QPoint(-5, -7));
        QCOMPARE(parsed.options.anchor, Anchor::BottomRight);
        QCOMPARE(parsed.options.quality, 100);
        QCOMPARE(parsed.options.jobs, 1);
        QCOMPARE(parsed.options.pictures, (QStringList{"a.jpg", "-b.jpg"}));
        const ParsedArguments other =
            parseStampArguments({"--mark", "m.$IM", "--jobs", "1024", "--quality=1", "--anchor",
                                 "center", "-o", "x", "a"});
        QVERIFY2(other.ok(), qPrintable(other.error));
        QCOMPARE(other.options.jobs, 1024);
        QCOMPARE(other.options.quality, 1);
        QCOMPARE(other.options.anchor, Anchor::Centre);
        // No quality asked for: a JPEG keeps its blocks, unless told to encode them all.
        const StampOptions plain = parseStampArguments({"--mark", "m", "-o", "x", "a"}).options;
        QCOMPARE(plain.quality, std::nullopt);
        QVERIFY(!plain.reencode);
        QVERIFY(
            parseStampArguments({"--mark", "m", "--reencode", "-o", "x", "a"}).options.reencode);
    }

    void refused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("complaint");
        const QStringList to{"-o", "out.jpg", "in.jpg"};
        const QStringList ok = QStringList{"--mark", "m.$IM"} + to;
        QTest::newRow("no mark") << to << "--mark";
        QTest::newRow("unknown option") << (ok + QStringList{"--size", "3"}) << "--size";
        QTest::newRow("value missing") << (ok + QStringList{"--anchor"}) << "needs a value";
        QTest::newRow("at beyond 32 bits") << (ok + QStringList{"--at", "4294967296,0"}) << "--at";
        QTest::newRow("at of one number") << (ok + QStringList{"--at", "5"}) << "--at";
        QTest::newRow("unknown anchor") << (ok + QStringList{"--anchor", "middle"}) << "--anchor";
        QTest::newRow("quality 101") << (ok + QStringList{"--quality", "101"}) << "--quality";
        QTest::newRow("jobs 1025") << (ok + QStringList{"--jobs", "1025"}) << "--jobs";
        QTest::newRow("-o and --out-dir") << (ok + QStringList{"--out-dir", "d"}) << "not both";
        QTest::newRow("-o with two pictures") << (ok + QStringList{"b.jpg"}) << "one picture";
        QTest::newRow("no output") << QStringList{"--mark", "m.$IM", "in.jpg"} << "no output";
    }

    void refused() {
        QFETCH(QStringList, args);
        QFETCH(QString, complaint);
        const QString error = parseStampArguments(args).error;
        QVERIFY2(!error.isEmpty() && error.contains(complaint), qPrintable(error));
    }

    void markPosition_data() {
        QTest::addColumn<Anchor>("anchor");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("top-right") << Anchor::TopRight << QPoint(4, 6) << QPoint(215, 6);
        QTest::newRow("bottom-left") << Anchor::BottomLeft << QPoint(4, 6) << QPoint(4, 163);
        QTest::newRow("centre halves go to even")
            << Anchor::Centre << QPoint(0, 0) << QPoint(110, 84);
        QTest::newRow("negative offset runs outward")
            << Anchor::BottomRight << QPoint(-20, -3) << QPoint(239, 172);
        QTest::newRow("far off the bottom")
            << Anchor::BottomLeft << QPoint(5, std::numeric_limits<int>::min()) << QPoint(5, 201);
        QTest::newRow("far off the top left")
            << Anchor::TopLeft << QPoint(-100000, std::numeric_limits<int>::min())
            << QPoint(-82, -32);
    }

    // A mark view of 82 x 32 pixels on a picture of 301 x 201.
    void markPosition() {
        QFETCH(Anchor, anchor);
        QFETCH(QPoint, offset);
        QTEST(imprimata::markPosition(QSize(301, 201), QSize(82, 32), offset, anchor), "expected");
    }

    // Refused: an output that would replace a picture of the batch, or one written before.
    void plan() {
        const auto refusals = [](const QString &outDir) {
            StampOptions options;
            options.pictures = {"a/x.jpg", "a/y.jpg", "b/x.jpg"};
            options.outDir = outDir;
            QString flags;
            for (const PictureTask &task : planTasks(options))
                flags += task.refusal.isEmpty() ? u'0' : u'1';
            return flags;
        };
        QCOMPARE(refusals("out"), QStringLiteral("001")); // the same name twice
        QCOMPARE(refusals("b"), QStringLiteral("101"));   // another picture, the picture itself
    }
};

QTEST_MAIN(ArgumentsTest)
#include "tst_arguments.moc"
