#include "placement/MarkFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

class ExecutableTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        MarkSettings mark;
        mark.Text = "Mine";
        mark.MarkWidth = 1200;
        mark.MarkHeight = 450;
        QVERIFY(writeMarkFile(dir->filePath("m.$IM"), mark));
    }

    void exitCodesAndLines_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output"); // a pattern for all of standard output and error
        QTest::addColumn<QString>("written");
        // clang-format off
        const QString wrong("imprimata-stamp: %1 [^\n]*\nTry imprimata-stamp --help.\n");
        QTest::newRow("help wins over a mistake") << "--quality 0 --help" << 0 << "Usage:.*--out-dir.*" << "";
        QTest::newRow("nothing at all") << "" << 2 << "Usage:.*" << "";
        QTest::newRow("version wins over a mistake") << "--quality 0 --version" << 0 << "imprimata-stamp \\d+\\.\\d+\n" << "";
        QTest::newRow("list missing") << "--mark m.$IM --out-dir out --from-list no.txt" << 2 << wrong.arg("the picture list no.txt") << "";
        QTest::newRow("quality 0") << "--mark m.$IM --quality 0 -o x.jpg a.jpg" << 2 << wrong.arg("--quality") << "";
        QTest::newRow("jobs 0") << "--mark m.$IM --jobs 0 -o x.jpg a.jpg" << 2 << wrong.arg("--jobs") << "";
        QTest::newRow("mark file missing") << "--mark no.$IM -o x.jpg a.jpg" << 2 << "imprimata-stamp: [^\n]*no.\\$IM[^\n]*\n" << "";
        QTest::newRow("one picture, quietly") << "--mark m.$IM -o x.jpg a.jpg" << 0 << "" << "x.jpg";
        QTest::newRow("folder missing") << "--mark m.$IM -o no/x.jpg a.jpg" << 1 << "a.jpg: no/x.jpg cannot be written: [^\n]*\n" << "";
        QTest::newRow("output exists") << "--mark m.$IM -o b.jpg a.jpg" << 1 << "a.jpg: b.jpg already exists[^\n]*\n" << "";
        QTest::newRow("one job, in order, past a missing picture")
            << "--mark m.$IM --jobs 1 --out-dir out a.jpg gone.jpg b.jpg" << 1
            << "\\[1/3\\] a.jpg\n\\[2/3\\] gone.jpg: [^\n]+\n\\[3/3\\] b.jpg\n2 stamped, 1 failed\n"
            << "out/a.jpg out/b.jpg";
        // clang-format on
    }

    // Nothing but our own lines; 0 all stamped, 1 some failed, 2 nothing could start.
    void exitCodesAndLines() {
        QFETCH(QString, args);
        writePicture("a.jpg", {160, 120});
        writePicture("b.jpg", {160, 120});
        QTEST(run(args.split(' ', Qt::SkipEmptyParts)), "status");
        QFETCH(QString, output);
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(output),
                                    QRegularExpression::DotMatchesEverythingOption)
                     .match(this->output)
                     .hasMatch(),
                 qPrintable(this->output));
        QStringList files = QDir(dir->path()).entryList({"x.jpg"}, QDir::Files);
        for (const QString &file : QDir(dir->filePath("out")).entryList(QDir::Files))
            files << "out/" + file;
        QTEST(files.join(' '), "written");
    }

    // Two runs into one folder: each output is written once, by whichever run gets there first;
    // the other says it already exists.
    void concurrentRunsShareNoOutput() {
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
        QCOMPARE(QDir(dir->filePath("marked")).entryList(QDir::Files | QDir::Hidden).size(),
                 Pictures);
    }

    void shards_data() {
        QTest::addColumn<QString>("list"); // the list's file, or "-" for standard input
        QTest::addColumn<bool>("nul");
        QTest::newRow("file of lines") << "all.txt" << false;
        QTest::newRow("file of NUL-ended names") << "all.txt" << true;
        QTest::newRow("standard input") << "-" << false;
        QTest::newRow("standard input, NUL-ended names") << "-" << true;
    }

    // Three runs over one list, each given it in another order, stamp every picture once.
    void shards() {
        QFETCH(QString, list);
        QFETCH(bool, nul);
        QStringList pictures;
        for (int i = 0; i < 10; ++i)
            pictures << QStringLiteral("p%1.jpg").arg(i);
        // Only NUL-ended names may hold a line end.
        pictures << (nul ? QStringLiteral("two\nlines.jpg") : QStringLiteral("with space.jpg"));
        for (const QString &picture : pictures)
            writePicture(picture, {32, 24});

        for (int k = 0; k < 3; ++k) {
            std::rotate(pictures.begin(), pictures.begin() + 4, pictures.end());
            QByteArray names;
            for (const QString &picture : pictures)
                names += QFile::encodeName(picture) + (nul ? '\0' : '\n');
            if (list != u"-") {
                QFile file(dir->filePath(list));
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write(names) == names.size());
            }
            QStringList args{"--mark",      "m.$IM", "--out-dir", "marked",
                             "--from-list", list,    "--shard",   QStringLiteral("%1/3").arg(k)};
            if (nul)
                args << "-0";
            // A picture of two shares would fail the second time: its output exists.
            QCOMPARE(run(args, list == u"-" ? names : QByteArray()), 0);
        }
        QStringList written = QDir(dir->filePath("marked")).entryList(QDir::Files);
        written.sort();
        pictures.sort();
        QCOMPARE(written, pictures);
    }

private:
    // Runs the tool with no display at all, as on a server, `input` on its standard input.
    int run(const QStringList &args, const QByteArray &input = {}) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setWorkingDirectory(dir->path());
        process.start(QStringLiteral(STAMP_TOOL_PATH), args);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        output = QString::fromLocal8Bit(process.readAll());
        return process.exitCode();
    }

    // Noise, which compresses badly.
    void writePicture(const QString &name, QSize size) {
        QImage picture(size, QImage::Format_RGB32);
        quint32 seed = 7;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                picture.setPixel(x, y, seed = seed * 1664525u + 1013904223u);
        QVERIFY(picture.save(dir->filePath(name)));
    }

    std::unique_ptr<QTemporaryDir> dir;
    QString output; // standard output and error
};

QTEST_MAIN(ExecutableTest)
#include "tst_executable.moc"
