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
    QTest::newRow("defaults, and -- ends the options")
        << QStringList{"--mark", "m.$IM", "--out-dir", "d", "a.jpg", "--", "-b.jpg", "--at"}
        << QPoint(0, 0) << Anchor::TopLeft << 90 << 0 << QStringList{"a.jpg", "-b.jpg", "--at"};
    QTest::newRow("values separate and after =")
        << (one +
            QStringList{"--at", "-5,-7", "--anchor=bottom-right", "--quality", "100", "--jobs=3"})
        << QPoint(-5, -7) << Anchor::BottomRight << 100 << 3 << QStringList{"in.jpg"};
}

void ArgumentsTest::accepted() {
    QFETCH(QStringList, args);
    const ParsedArguments parsed = parseStampArguments(args);
    QVERIFY2(parsed.ok() && !parsed.help, qPrintable(parsed.error));
    QCOMPARE(parsed.options.markPath, QStringLiteral("m.$IM"));
    QTEST(parsed.options.at, "at");
    QTEST(parsed.options.anchor, "anchor");
    QTEST(parsed.options.quality, "quality");
    QTEST(parsed.options.jobs, "jobs");
    QTEST(parsed.options.pictures, "pictures");
}

void ArgumentsTest::refused_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("complaint");
    const QStringList mark{"--mark", "m.$IM"};
    const QStringList to{"-o", "out.jpg", "in.jpg"};
    QTest::newRow("no mark") << to << "--mark";
    QTest::newRow("mark without value") << (to + QStringList{"--mark"}) << "needs a value";
    QTest::newRow("unknown option") << (mark + to + QStringList{"--size", "3"}) << "--size";
    QTest::newRow("at beyond 32 bits")
        << (mark + to + QStringList{"--at", "4294967296,0"}) << "--at";
    QTest::newRow("quality 101") << (mark + to + QStringList{"--quality", "101"}) << "--quality";
    QTest::newRow("jobs 0") << (mark + to + QStringList{"--jobs", "0"}) << "--jobs";
    QTest::newRow("both outputs") << (mark + to + QStringList{"--out-dir", "d"}) << "not both";
    QTest::newRow("-o with two pictures") << (mark + to + QStringList{"b.jpg"}) << "one picture";
}

void ArgumentsTest::refused() {
    QFETCH(QStringList, args);
    QFETCH(QString, complaint);
    const QString error = parseStampArguments(args).error;
    QVERIFY2(!error.isEmpty() && error.contains(complaint), qPrintable(error));
}

void ArgumentsTest::markPosition_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<Anchor>("anchor");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QPoint>("expected");
    // A mark view of 82 x 32 pixels throughout.
    const QSize wide(300, 200);
    constexpr int big = std::numeric_limits<int>::max();
    QTest::newRow("top-right") << wide << Anchor::TopRight << QPoint(10, 5) << QPoint(208, 5);
    QTest::newRow("bottom-left") << wide << Anchor::BottomLeft << QPoint(10, 5) << QPoint(10, 163);
    QTest::newRow("centre halves go to even")
        << QSize(301, 201) << Anchor::Centre << QPoint(0, 0) << QPoint(110, 84);
    QTest::newRow("negative offset runs outward")
        << wide << Anchor::BottomRight << QPoint(-20, -3) << QPoint(238, 171);
    QTest::newRow("far off the left stays just off it")
        << wide << Anchor::TopRight << QPoint(big, 0) << QPoint(-82, 0);
    QTest::newRow("far off the bottom stays just off it")
        << wide << Anchor::BottomLeft << QPoint(0, -big - 1) << QPoint(0, 200);
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
        QVERIFY(QFile(options.pictures.back()).open(QIODevice::WriteOnly));
    }
    const std::vector<PictureTask> tasks = planTasks(options);
    QCOMPARE(qsizetype(tasks.size()), pictures.size());
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const QString &refusal = tasks[size_t(i)].refusal;
        QVERIFY2(refusal.isEmpty() == refusals[i].isEmpty() && refusal.contains(refusals[i]),
                 qPrintable(refusal));
    }
}

QTEST_MAIN(ArgumentsTest)
#include "tst_arguments.moc"
