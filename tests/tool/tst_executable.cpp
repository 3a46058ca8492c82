#include "placement/MarkFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

class ExecutableTest : public QObject {
    Q_OBJECT

private slots:
    void exitCodesAndLines();

private:
    int run(const QStringList &args);

    std::unique_ptr<QTemporaryDir> dir;
    QString output; // standard output and error
};

// Runs the tool with no display at all, as on a server.
int ExecutableTest::run(const QStringList &args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir->path());
    process.start(QStringLiteral(STAMP_TOOL_PATH), args);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    output = QString::fromLocal8Bit(process.readAll());
    return process.exitCode();
}

void ExecutableTest::exitCodesAndLines() {
    dir = std::make_unique<QTemporaryDir>();
    MarkSettings mark;
    mark.Text = "Mine";
    mark.MarkWidth = 1200;
    mark.MarkHeight = 450;
    QVERIFY(writeMarkFile(dir->filePath("m.$IM"), mark, nullptr));
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

QTEST_MAIN(ExecutableTest)
#include "tst_executable.moc"
