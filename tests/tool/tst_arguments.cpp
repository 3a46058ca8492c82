#include "tool/StampArguments.h"
#include "tool/StampRunner.h"

#include <QTemporaryDir>
#include <QtTest>
#include <limits>

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::Anchor)

class ArgumentsTest : public QObject {
    Q_OBJECT

private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void helpWinsOverMistakes();
    void markPosition_data();
    void markPosition();
    void plan_data();
    void plan();
};

void ArgumentsTest::accepted_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<Anchor>("anchor");
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<QStringList>("pictures");

    const QStringList one{"--mark", "m.$IM", "-o", "out.jpg", "in.jpg"};
    QTest::newRow("defaults") << one << QPoint(0, 0) << Anchor::TopLeft << 90 << 0
                              << QStringList{"in.jpg"};
    QTest::newRow("negative at, separate value")
        << (one + QStringList{"--at", "-5,-7"}) << QPoint(-5, -7) << Anchor::TopLeft << 90 << 0
        << QStringList{"in.jpg"};
    QTest::newRow("values after =")
        << (one + QStringList{"--at=12,3", "--anchor=bottom-right", "--quality=100", "--jobs=3"})
        << QPoint(12, 3) << Anchor::BottomRight << 100 << 3 << QStringList{"in.jpg"};
    QTest::newRow("centre spelt either way")
        << (one + QStringList{"--anchor", "center", "--quality", "1"}) << QPoint(0, 0)
        << Anchor::Centre << 1 << 0 << QStringList{"in.jpg"};
    QTest::newRow("-- ends the options")
        << QStringList{"--mark", "m.$IM", "--out-dir", "d", "a.jpg", "--", "-b.jpg", "--at"}
        << QPoint(0, 0) << Anchor::TopLeft << 90 << 0 << QStringList{"a.jpg", "-b.jpg", "--at"};
}

void ArgumentsTest::accepted() {
    QFETCH(QStringList, args);
    const ParsedArguments parsed = parseStampArguments(args);
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QVERIFY(!parsed.help);
    QTEST(parsed.options.at, "at");
    QTEST(parsed.options.anchor, "anchor");
    QTEST(parsed.options.quality, "quality");
    QTEST(parsed.options.jobs, "jobs");
    QTEST(parsed.options.pictures, "pictures");
    QCOMPARE(parsed.options.markPath, QStringLiteral("m.$IM"));
}

void ArgumentsTest::refused_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("complaint");
    const QStringList mark{"--mark", "m.$IM"};
    const QStringList to{"-o", "out.jpg", "in.jpg"};
    QTest::newRow("no mark") << to << "--mark";
    QTest::newRow("mark without value") << (to + QStringList{"--mark"}) << "needs a value";
    QTest::newRow("unknown option") << (mark + to + QStringList{"--size", "3"}) << "--size";
    QTest::newRow("at with one number") << (mark + to + QStringList{"--at", "5"}) << "--at";
    QTest::newRow("at beyond 32 bits")
        << (mark + to + QStringList{"--at", "4294967296,0"}) << "--at";
    QTest::newRow("unknown anchor")
        << (mark + to + QStringList{"--anchor", "middle"}) << "--anchor";
    QTest::newRow("quality 101") << (mark + to + QStringList{"--quality", "101"}) << "--quality";
    QTest::newRow("jobs 0") << (mark + to + QStringList{"--jobs", "0"}) << "--jobs";
    QTest::newRow("no output") << (mark + QStringList{"in.jpg"}) << "--out-dir";
    QTest::newRow("both outputs") << (mark + to + QStringList{"--out-dir", "d"}) << "not both";
    QTest::newRow("-o with two pictures") << (mark + to + QStringList{"b.jpg"}) << "one picture";
    QTest::newRow("no picture") << (mark + QStringList{"--out-dir", "d"}) << "no picture";
}

void ArgumentsTest::refused() {
    QFETCH(QStringList, args);
    QFETCH(QString, complaint);
    const ParsedArguments parsed = parseStampArguments(args);
    QVERIFY(!parsed.ok());
    QVERIFY2(parsed.error.contains(complaint), qPrintable(parsed.error));
}

void ArgumentsTest::helpWinsOverMistakes() {
    QVERIFY(parseStampArguments({"--quality", "0", "--help"}).help);
}

void ArgumentsTest::markPosition_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<Anchor>("anchor");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QPoint>("expected");
    // A mark view of 82 x 32 pixels throughout.
    const QSize landscape(300, 200), portrait(200, 300);
    const QPoint in(10, 5);
    QTest::newRow("landscape top-right") << landscape << Anchor::TopRight << in << QPoint(208, 5);
    QTest::newRow("landscape bottom-left")
        << landscape << Anchor::BottomLeft << in << QPoint(10, 163);
    QTest::newRow("landscape bottom-right")
        << landscape << Anchor::BottomRight << in << QPoint(208, 163);
    QTest::newRow("landscape centre") << landscape << Anchor::Centre << in << QPoint(119, 89);
    QTest::newRow("portrait bottom-left")
        << portrait << Anchor::BottomLeft << in << QPoint(10, 263);
    QTest::newRow("portrait bottom-right")
        << portrait << Anchor::BottomRight << in << QPoint(108, 263);
    QTest::newRow("portrait centre") << portrait << Anchor::Centre << in << QPoint(69, 139);
    QTest::newRow("centre halves go to even")
        << QSize(301, 201) << Anchor::Centre << QPoint(0, 0) << QPoint(110, 84);
    QTest::newRow("negative offset runs outward")
        << landscape << Anchor::BottomRight << QPoint(-20, -3) << QPoint(238, 171);
    constexpr int big = std::numeric_limits<int>::max();
    QTest::newRow("far off the left stays just off it")
        << landscape << Anchor::TopRight << QPoint(big, 0) << QPoint(-82, 0);
    QTest::newRow("far off the bottom stays just off it")
        << landscape << Anchor::BottomLeft << QPoint(0, -big - 1) << QPoint(0, 200);
}

void ArgumentsTest::markPosition() {
    QFETCH(QSize, picture);
    QFETCH(Anchor, anchor);
    QFETCH(QPoint, offset);
    QTEST(imprimata::markPosition(picture, QSize(82, 32), offset, anchor), "expected");
}

void ArgumentsTest::plan_data() {
    QTest::addColumn<QStringList>("pictures");
    QTest::addColumn<QString>("outDir");
    QTest::addColumn<QStringList>("refusals"); // a fragment per picture, empty when accepted
    QTest::newRow("distinct names")
        << QStringList{"a/x.jpg", "a/y.jpg"} << "out" << QStringList{"", ""};
    QTest::newRow("the picture's own folder")
        << QStringList{"a/x.jpg"} << "a" << QStringList{"picture itself"};
    QTest::newRow("same name twice")
        << QStringList{"a/x.jpg", "b/x.jpg"} << "out" << QStringList{"", "already written for"};
    QTest::newRow("same picture twice") << QStringList{"a/x.jpg", "a/../a/x.jpg"} << "out"
                                        << QStringList{"", "already written for"};
    QTest::newRow("onto another picture of the batch")
        << QStringList{"a/x.jpg", "b/x.jpg"} << "b"
        << QStringList{"another picture", "picture itself"};
}

void ArgumentsTest::plan() {
    QFETCH(QStringList, pictures);
    QFETCH(QString, outDir);
    QFETCH(QStringList, refusals);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("a") && QDir(dir.path()).mkpath("b"));
    StampOptions options;
    options.outDir = dir.filePath(outDir);
    for (const QString &p : pictures) {
        options.pictures << dir.filePath(p);
        QFile file(options.pictures.back());
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const std::vector<PictureTask> tasks = planTasks(options);
    QCOMPARE(qsizetype(tasks.size()), pictures.size());
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const QString &refusal = tasks[size_t(i)].refusal;
        if (refusals[i].isEmpty())
            QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
        else
            QVERIFY2(refusal.contains(refusals[i]), qPrintable(refusal));
    }
}

QTEST_MAIN(ArgumentsTest)
#include "tst_arguments.moc"
