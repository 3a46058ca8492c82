#include "batch/StampRunner.h"
#include "tool/StampArguments.h"

#include <QtTest>
#include <limits>

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::Anchor)
Q_DECLARE_METATYPE(imprimata::MetadataKept)

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
        QCOMPARE(plain.sizePercent, std::nullopt);
        QCOMPARE(plain.strip, MetadataKept::All);
    }

    // --size from 1 to 100 with or without its percent sign; --strip location or all.
    void sizeAndStrip_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<double>("size");
        QTest::addColumn<MetadataKept>("strip");
        QTest::newRow("12.5%, location") << QStringList{"--size", "12.5%", "--strip", "location"}
                                         << 12.5 << MetadataKept::NoLocation;
        QTest::newRow("1, all") << QStringList{"--size=1", "--strip=all"} << 1.0
                                << MetadataKept::ColourProfile;
        QTest::newRow("100%") << QStringList{"--size", "100%"} << 100.0 << MetadataKept::All;
    }

    void sizeAndStrip() {
        QFETCH(QStringList, args);
        const ParsedArguments parsed =
            parseStampArguments(QStringList{"--mark", "m", "-o", "x", "a"} + args);
        QVERIFY2(parsed.ok(), qPrintable(parsed.error));
        QTEST(parsed.options.sizePercent.value_or(0), "size");
        QTEST(parsed.options.strip, "strip");
    }

    void refused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("complaint");
        const QStringList to{"-o", "out.jpg", "in.jpg"};
        const QStringList ok = QStringList{"--mark", "m.$IM"} + to;
        QTest::newRow("no mark") << to << "--mark";
        QTest::newRow("unknown option") << (ok + QStringList{"--scale", "3"}) << "--scale";
        QTest::newRow("value missing") << (ok + QStringList{"--anchor"}) << "needs a value";
        QTest::newRow("at beyond 32 bits") << (ok + QStringList{"--at", "4294967296,0"}) << "--at";
        QTest::newRow("at of one number") << (ok + QStringList{"--at", "5"}) << "--at";
        QTest::newRow("unknown anchor") << (ok + QStringList{"--anchor", "middle"}) << "--anchor";
        QTest::newRow("quality 101") << (ok + QStringList{"--quality", "101"}) << "--quality";
        QTest::newRow("jobs 1025") << (ok + QStringList{"--jobs", "1025"}) << "--jobs";
        QTest::newRow("-o and --out-dir") << (ok + QStringList{"--out-dir", "d"}) << "not both";
        QTest::newRow("-o with two pictures") << (ok + QStringList{"b.jpg"}) << "one picture";
        QTest::newRow("no output") << QStringList{"--mark", "m.$IM", "in.jpg"} << "no output";
        QTest::newRow("shard past its count") << (ok + QStringList{"--shard", "3/3"}) << "--shard";
        QTest::newRow("shard of none") << (ok + QStringList{"--shard", "0/0"}) << "--shard";
        QTest::newRow("shard negative") << (ok + QStringList{"--shard=-1/3"}) << "--shard";
        QTest::newRow("shard without count") << (ok + QStringList{"--shard", "1"}) << "--shard";
        QTest::newRow("-0 without a list") << (ok + QStringList{"-0"}) << "-0";
        QTest::newRow("size 0.5%") << (ok + QStringList{"--size", "0.5%"}) << "--size";
        QTest::newRow("size 100.1") << (ok + QStringList{"--size", "100.1"}) << "--size";
        QTest::newRow("size in pixels") << (ok + QStringList{"--size", "200px"}) << "--size";
        QTest::newRow("size nan") << (ok + QStringList{"--size", "nan"}) << "--size";
        QTest::newRow("strip what") << (ok + QStringList{"--strip", "gps"}) << "--strip";
        QTest::newRow("list missing")
            << (ok + QStringList{"--from-list", "/nonexistent/list"}) << "/nonexistent/list";
        QTest::newRow("flag with a value") << (ok + QStringList{"--overwrite=yes"}) << "overwrite";
        QTest::newRow("words after one dash") << (ok + QStringList{"-size"}) << "size";
        QTest::newRow("report xml") << (ok + QStringList{"--report", "xml"}) << "--report";
        QTest::newRow("overwrite and skip-existing")
            << (ok + QStringList{"--overwrite", "--skip-existing"}) << "not both";
    }

    void refused() {
        QFETCH(QStringList, args);
        QFETCH(QString, complaint);
        const QString error = parseStampArguments(args).error;
        QVERIFY2(!error.isEmpty() && error.contains(complaint), qPrintable(error));
    }

    // The list is read only for a usable command line, and its pictures join those given.
    void pictureList_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("pictures"); // joined by '|'; empty when refused
        QTest::addColumn<QString>("complaint");
        QTest::addColumn<bool>("read");
        const QStringList base{"--mark", "m", "--out-dir", "d"};
        QTest::newRow("lines, after the command line's")
            << (base + QStringList{"a.jpg", "--from-list", "L"}) << "a.jpg|x y.jpg|z.jpg"
            << "" << true;
        QTest::newRow("NUL-separated")
            << (base + QStringList{"--from-list=-", "-0"}) << "x y.jpg\nz.jpg"
            << "" << true;
        QTest::newRow("empty list") << (base + QStringList{"--from-list", "empty"}) << ""
                                    << "no picture" << true;
        QTest::newRow("-o with a list of two")
            << QStringList{"--mark", "m", "-o", "x.jpg", "--from-list", "L"} << ""
            << "one picture" << true;
        QTest::newRow("not read after a mistake")
            << (base + QStringList{"--jobs", "0", "--from-list", "L"}) << ""
            << "--jobs" << false;
        QTest::newRow("not read for --version")
            << (base + QStringList{"--version", "--from-list", "L"}) << ""
            << "" << false;
    }

    void pictureList() {
        QFETCH(QStringList, args);
        QFETCH(QString, complaint);
        bool read = false;
        const auto reader = [&read](const QString &source) -> Result<QByteArray> {
            read = true;
            if (source == u"empty")
                return QByteArray("\n\n");
            if (source == u"-")
                return QByteArray("x y.jpg\nz.jpg\0\0", 15);
            return QByteArray("x y.jpg\n\nz.jpg\n");
        };
        const ParsedArguments parsed = parseStampArguments(args, reader);
        QTEST(read, "read");
        if (parsed.version)
            return;
        QVERIFY2(parsed.error.contains(complaint), qPrintable(parsed.error));
        if (complaint.isEmpty())
            QTEST(parsed.options.pictures.join(u'|'), "pictures");
    }

    void reportAndSkipParsed() {
        const StampOptions plain = parseStampArguments({"--mark", "m", "-o", "x", "a"}).options;
        QCOMPARE(plain.report, ReportFormat::None);
        QVERIFY(!plain.skipExisting);
        const ParsedArguments parsed = parseStampArguments(
            {"--mark", "m", "--report=json", "--skip-existing", "-o", "x", "a"});
        QVERIFY2(parsed.ok(), qPrintable(parsed.error));
        QCOMPARE(parsed.options.report, ReportFormat::Json);
        QVERIFY(parsed.options.skipExisting);
    }

    void shardParsed() {
        const ParsedArguments parsed =
            parseStampArguments({"--mark", "m", "--out-dir", "d", "--shard", "2/3", "a"});
        QVERIFY2(parsed.ok(), qPrintable(parsed.error));
        QCOMPARE(parsed.options.shard, (Shard{2, 3}));
        QVERIFY(parseStampArguments({"--mark", "m", "--version", "--shard", "9/3"}).version);
    }

    // Every picture is in exactly one share, whatever order the list came in; a clash of outputs
    // across shares is refused where it would be in one run, and the sorted first picture wins.
    void shares() {
        StampOptions batch;
        batch.outDir = "out";
        batch.pictures = {"p/e.jpg", "p/b.jpg", "q/a.jpg", "p/d.jpg", "p/c.jpg", "p/a.jpg"};
        // A share's pictures to stamp, in its order, and its refusals as "picture: reason".
        const auto share = [&batch](Shard shard) {
            std::pair<QStringList, QStringList> work;
            for (const PictureTask &task : shareTasks(batch, shard))
                (task.refusal.isEmpty() ? work.first : work.second)
                    << (task.refusal.isEmpty() ? task.input : task.input + ": " + task.refusal);
            return work;
        };
        QStringList stamped, refused;
        for (int k = 0; k < 4; ++k) {
            const auto [pictures, refusals] = share({k, 4});
            QVERIFY(std::is_sorted(pictures.begin(), pictures.end()));
            stamped += pictures;
            refused += refusals;
        }
        stamped.sort();
        QCOMPARE(stamped, (QStringList{"p/a.jpg", "p/b.jpg", "p/c.jpg", "p/d.jpg", "p/e.jpg"}));
        QCOMPARE(refused.size(), 1);
        QVERIFY2(refused[0].startsWith("q/a.jpg: ") && refused[0].contains("p/a.jpg"),
                 qPrintable(refused[0]));

        // Writing into the pictures' own folder would replace one another's pictures.
        batch.outDir = "q";
        batch.overwrite = true;
        const auto [first, firstRefusals] = share({0, 2});
        QCOMPARE(first, (QStringList{"p/c.jpg", "p/e.jpg"}));
        QCOMPARE(firstRefusals.size(), 1);
        QVERIFY2(firstRefusals[0].contains("another picture of this batch"),
                 qPrintable(firstRefusals[0]));
        QCOMPARE(share({5, 6}).first, QStringList());
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
