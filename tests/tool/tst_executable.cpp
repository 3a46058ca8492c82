#include "placement/MarkFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

class ExecutableTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void helpAndMistakes();
    void batchWithoutDisplay();

private:
    int run(const QStringList &args);

    std::unique_ptr<QTemporaryDir> dir;
    QString out, err;
};

void ExecutableTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    MarkSettings mark;
    mark.Text = "Mine";
    mark.Font = makeFont("Liberation Sans", 18, true, 204);
    mark.MarkWidth = 1200;
    mark.MarkHeight = 450;
    QString error;
    QVERIFY2(writeMarkFile(dir->filePath("m.$IM"), mark, &error), qPrintable(error));
    QImage picture(160, 120, QImage::Format_RGB32);
    picture.fill(qRgb(30, 160, 90));
    QVERIFY(picture.save(dir->filePath("a.jpg")) && picture.save(dir->filePath("b.bmp")));
    QFile damaged(dir->filePath("c.jpg"));
    QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write("\xFF\xD8\xFF\xE0") == 4);
}

// Runs the tool with no display at all, as on a server.
int ExecutableTest::run(const QStringList &args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir->path());
    process.start(QStringLiteral(STAMP_TOOL_PATH), args);
    if (!process.waitForFinished(30000))
        return -1;
    out = QString::fromLocal8Bit(process.readAllStandardOutput());
    err = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void ExecutableTest::helpAndMistakes() {
    // --help wins over a mistake before it.
    QCOMPARE(run({"--quality", "0", "--help"}), 0);
    QVERIFY(out.contains("--out-dir"));
    QVERIFY(err.isEmpty());
    QCOMPARE(run({"--mark", "m.$IM", "--quality", "0", "-o", "x.jpg", "a.jpg"}), 2);
    QVERIFY2(err.contains("--quality"), qPrintable(err));
    QVERIFY(!QFile::exists(dir->filePath("x.jpg")));
}

void ExecutableTest::batchWithoutDisplay() {
    QCOMPARE(run({"--mark", "m.$IM", "--jobs", "2", "--out-dir", "out", "a.jpg", "b.bmp", "c.jpg"}),
             1);
    QCOMPARE(QDir(dir->filePath("out")).entryList(QDir::Files), (QStringList{"a.jpg", "b.bmp"}));
    // Nothing but our own lines: three of progress, one summary.
    const QStringList lines = err.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.filter(QRegularExpression("^\\[[123]/3\\] ")).size(), 3);
    QVERIFY2(lines.filter("c.jpg: ").size() == 1, qPrintable(err));
    QCOMPARE(lines.last(), QStringLiteral("2 stamped, 1 failed"));
}

QTEST_MAIN(ExecutableTest)
#include "tst_executable.moc"
