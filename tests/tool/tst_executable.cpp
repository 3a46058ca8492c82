#include "placement/MarkFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace imprimata;

class ExecutableTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void exitCodesAndLines();
    void fileSizeLimitKeepsOldOutput_data();
    void fileSizeLimitKeepsOldOutput();
    void concurrentRunsShareNoOutput();

private:
    int run(const QStringList &args, qint64 fileSizeLimit = 0);
    void writePicture(const QString &name, QSize size);

    std::unique_ptr<QTemporaryDir> dir;
    QString output; // standard output and error
};

void ExecutableTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    MarkSettings mark;
    mark.Text = "Mine";
    mark.MarkWidth = 1200;
    mark.MarkHeight = 450;
    QVERIFY(writeMarkFile(dir->filePath("m.$IM"), mark));
}

// Runs the tool with no display at all, as on a server; with a limit, as under `ulimit -f`
// with the signal ignored, so writes past it fail with "File too large".
int ExecutableTest::run(const QStringList &args, qint64 fileSizeLimit) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir->path());
    if (fileSizeLimit > 0)
        process.setChildProcessModifier([fileSizeLimit] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    process.start(QStringLiteral(STAMP_TOOL_PATH), args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    output = QString::fromLocal8Bit(process.readAll());
    return process.exitCode();
}

// Noise, which compresses badly, so a picture's size decides its file's size.
void ExecutableTest::writePicture(const QString &name, QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    quint32 seed = 7;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, seed = seed * 1664525u + 1013904223u);
    QVERIFY(picture.save(dir->filePath(name)));
}

void ExecutableTest::exitCodesAndLines() {
    QImage picture(160, 120, QImage::Format_RGB32);
    picture.fill(qRgb(30, 160, 90));
    QVERIFY(picture.save(dir->filePath("a.jpg")));

    QCOMPARE(run({"--quality", "0", "--help"}), 0); // --help wins over a mistake before it
    QVERIFY(output.contains("--out-dir"));
    QCOMPARE(run({"--mark", "m.$IM", "--quality", "0", "-o", "x.jpg", "a.jpg"}), 2);
    QCOMPARE(run({"--mark", "m.$IM", "--jobs", "2", "--out-dir", "out", "a.jpg", "gone.jpg"}), 1);
    QCOMPARE(QDir(dir->filePath("out")).entryList(QDir::Files), QStringList{"a.jpg"});
    // Nothing but our own lines: two of progress, one summary.
    const QStringList lines = output.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[0].startsWith("[1/2] ") && lines[1].startsWith("[2/2] "), qPrintable(output));
    QCOMPARE(lines.last(), QStringLiteral("1 stamped, 1 failed"));
}

void ExecutableTest::fileSizeLimitKeepsOldOutput_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<qint64>("limit");
    // A small file fails on its last write, a large one part way through.
    QTest::newRow("small JPEG") << "out.jpg" << QSize(64, 48) << qint64(2000);
    QTest::newRow("large JPEG") << "out.jpg" << QSize(1200, 900) << qint64(200000);
    QTest::newRow("small bitmap") << "out.bmp" << QSize(64, 48) << qint64(2000);
    QTest::newRow("large bitmap") << "out.bmp" << QSize(1200, 900) << qint64(200000);
}

// A write that fails says why and leaves the file it would have replaced as it was.
void ExecutableTest::fileSizeLimitKeepsOldOutput() {
    QFETCH(QString, target);
    QFETCH(QSize, size);
    QFETCH(qint64, limit);
    writePicture("in.bmp", size);
    QFile old(dir->filePath(target));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("the picture of last year") == 24);
    old.close();

    QCOMPARE(run({"--mark", "m.$IM", "--overwrite", "-o", target, "in.bmp"}, limit), 1);
    QVERIFY2(output.contains("File too large"), qPrintable(output));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("the picture of last year"));
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"in.bmp", "m.$IM", target}));
}

// Two runs into one folder: each output is written once, by whichever run gets there first;
// the other says it already exists.
void ExecutableTest::concurrentRunsShareNoOutput() {
    QStringList args{"--mark", "m.$IM", "--out-dir", "marked"};
    constexpr int Pictures = 40;
    for (int i = 0; i < Pictures; ++i) {
        const QString name = QStringLiteral("p%1.jpg").arg(i);
        writePicture(name, {200, 150});
        args << name;
    }
    QProcess first, second;
    for (QProcess *process : {&first, &second}) {
        process->setWorkingDirectory(dir->path());
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(QStringLiteral(STAMP_TOOL_PATH), args);
    }
    int stamped = 0, refused = 0;
    for (QProcess *process : {&first, &second}) {
        QVERIFY(process->waitForFinished(60000));
        const QString lines = QString::fromLocal8Bit(process->readAll());
        const QRegularExpression summary(QStringLiteral("(\\d+) stamped, (\\d+) failed"));
        const QRegularExpressionMatch match = summary.match(lines);
        QVERIFY2(match.hasMatch(), qPrintable(lines));
        stamped += match.captured(1).toInt();
        refused += int(lines.count(QStringLiteral("already exists")));
    }
    QCOMPARE(stamped, Pictures);
    QCOMPARE(refused, Pictures);
    QCOMPARE(QDir(dir->filePath("marked")).entryList(QDir::Files | QDir::Hidden).size(), Pictures);
}

QTEST_MAIN(ExecutableTest)
#include "tst_executable.moc"
