#include "placement/MarkFile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

class ExecutableTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        language.clear();
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
        QTest::newRow("report of another format") << "--mark m.$IM --report xml -o x.jpg a.jpg" << 2 << wrong.arg("--report") << "";
        QTest::newRow("skip and overwrite at once") << "--mark m.$IM --skip-existing --overwrite -o x.jpg a.jpg" << 2 << wrong.arg("give either") << "";
        QTest::newRow("output exists, skipped") << "--mark m.$IM --skip-existing -o b.jpg a.jpg" << 0 << "a.jpg: skipped, the output b.jpg already exists\n" << "";
        QTest::newRow("refused, not skipped") << "--mark m.$IM --skip-existing --out-dir . a.jpg" << 1 << "a.jpg: the output ./a.jpg is the picture itself\n" << "";
        // clang-format on
    }

    void speaksTheDesktopsLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("said"); // the start of standard output and error
        // clang-format off
        QTest::newRow("help, Russian") << "ru" << "--help" << "Использование: imprimata-stamp --mark ЗНАК.$IM";
        QTest::newRow("a mistake, Russian") << "ru:en" << "--mark m.$IM --quality 0 -o x.jpg a.jpg" << "imprimata-stamp: --quality требует числа от 1 до 100";
        QTest::newRow("a language we lack") << "xx" << "--help" << "Usage: imprimata-stamp --mark MARK.$IM";
        // clang-format on
    }

    // LANGUAGE picks the tool's language, as the desktop's does.
    void speaksTheDesktopsLanguage() {
        QFETCH(QString, language);
        QFETCH(QString, args);
        this->language = language;
        run(args.split(' '));
        QFETCH(QString, said);
        QVERIFY2(output.startsWith(said), qPrintable(output.left(200)));
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

    void jsonReport_data() {
        QTest::addColumn<QString>("before"); // the arguments of a run before, if any
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("pictures"); // input>output=status, sorted
        QTest::addColumn<QString>("summary");  // stamped failed skipped exitStatus
        const QString all("--mark m.$IM --out-dir out a.jpg gone.jpg b.jpg");
        const QString done("--mark m.$IM --out-dir out a.jpg b.jpg");
        // clang-format off
        QTest::newRow("a failure and its message")
            << "" << all + " --report json" << 1
            << "a.jpg>out/a.jpg=stamped b.jpg>out/b.jpg=stamped gone.jpg>out/gone.jpg=failed" << "2 1 0 1";
        QTest::newRow("started again, skips what is done")
            << all << all + " --report json --skip-existing" << 1
            << "a.jpg>out/a.jpg=skipped b.jpg>out/b.jpg=skipped gone.jpg>out/gone.jpg=failed" << "0 1 2 1";
        QTest::newRow("skipped is no failure")
            << done << done + " --report json --skip-existing" << 0
            << "a.jpg>out/a.jpg=skipped b.jpg>out/b.jpg=skipped" << "0 0 2 0";
        QTest::newRow("an existing output fails without --skip-existing")
            << done << done + " --report json" << 1
            << "a.jpg>out/a.jpg=failed b.jpg>out/b.jpg=failed" << "0 2 0 1";
        QTest::newRow("one picture") << "" << "--mark m.$IM --report json -o x.jpg a.jpg" << 0
            << "a.jpg>x.jpg=stamped" << "1 0 0 0";
        QTest::newRow("a refusal is not skipped")
            << "" << "--mark m.$IM --report json --skip-existing --out-dir . a.jpg" << 1
            << "a.jpg>./a.jpg=failed" << "0 1 0 1";
        QTest::newRow("a run that cannot start reports nothing")
            << "" << "--mark no.$IM --report json -o x.jpg a.jpg" << 2 << "" << "";
        // clang-format on
    }

    // Standard output holds the report alone, every line a JSON object with the documented keys;
    // a picture's message is the one its line on standard error gives.
    void jsonReport() {
        QFETCH(QString, before);
        QFETCH(QString, args);
        writePicture("a.jpg", {64, 48});
        writePicture("b.jpg", {64, 48});
        if (!before.isEmpty())
            run(before.split(' '));
        QTEST(run(args.split(' '), {}, QProcess::SeparateChannels), "status");
        QVERIFY2(!output.contains(u'{'), qPrintable(output));

        const Report parsed = parseReport(standardOutput);
        QVERIFY2(parsed.ok, standardOutput.constData());
        QStringList pictures;
        for (const QJsonObject &picture : parsed.pictures) {
            pictures << QStringLiteral("%1>%2=%3")
                            .arg(picture["input"].toString(), picture["output"].toString(),
                                 picture["status"].toString());
            const QString status = picture["status"].toString();
            const QString message = picture["message"].toString();
            QCOMPARE(message.isEmpty(), status == u"stamped");
            if (!message.isEmpty()) {
                const QString line = picture["input"].toString() +
                                     (status == u"skipped" ? ": skipped, " : ": ") + message + '\n';
                QVERIFY2(output.contains(line), qPrintable(output));
            }
            QVERIFY(picture["milliseconds"].toInteger() <=
                    parsed.summary["milliseconds"].toInteger());
        }
        pictures.sort();
        QTEST(pictures.join(' '), "pictures");
        QFETCH(QString, summary);
        if (summary.isEmpty()) {
            QCOMPARE(standardOutput, QByteArray());
            return;
        }
        QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                     .arg(parsed.summary["stamped"].toInteger())
                     .arg(parsed.summary["failed"].toInteger())
                     .arg(parsed.summary["skipped"].toInteger())
                     .arg(parsed.summary["exitStatus"].toInteger()),
                 summary);
    }

    // Three shares started again over one batch report every picture once between them, the one
    // refused for another share's sake among them; each run counts its own.
    void shardedReports() {
        QStringList pictures;
        for (int i = 0; i < 10; ++i)
            pictures << QStringLiteral("p%1.jpg").arg(i);
        pictures << "sub/p3.jpg"; // sorted last: its output is p3.jpg's
        QVERIFY(QDir(dir->path()).mkpath("sub") && QDir(dir->path()).mkpath("marked"));
        for (const QString &picture : pictures)
            writePicture(picture, {32, 24});
        QVERIFY(QFile::copy(dir->filePath("p0.jpg"), dir->filePath("marked/p5.jpg")));

        QMap<QString, QString> statuses; // of every picture reported
        qint64 stamped = 0, failed = 0, skipped = 0;
        for (int k = 0; k < 3; ++k) {
            const int status =
                run(QStringList{"--mark", "m.$IM", "--out-dir", "marked", "--skip-existing",
                                "--report", "json", "--shard", QStringLiteral("%1/3").arg(k)} +
                        pictures,
                    {}, QProcess::SeparateChannels);
            const Report parsed = parseReport(standardOutput);
            QVERIFY2(parsed.ok, standardOutput.constData());
            QMap<QString, int> counts;
            for (const QJsonObject &picture : parsed.pictures) {
                const QString input = picture["input"].toString();
                QVERIFY2(!statuses.contains(input), qPrintable(input));
                statuses[input] = picture["status"].toString();
                ++counts[statuses[input]];
            }
            QCOMPARE(parsed.summary["stamped"].toInteger(), counts["stamped"]);
            QCOMPARE(parsed.summary["failed"].toInteger(), counts["failed"]);
            QCOMPARE(parsed.summary["skipped"].toInteger(), counts["skipped"]);
            QCOMPARE(parsed.summary["exitStatus"].toInteger(), status);
            QVERIFY2(output.contains(QStringLiteral("%1 stamped, %2 skipped, %3 failed")
                                         .arg(counts["stamped"])
                                         .arg(counts["skipped"])
                                         .arg(counts["failed"])),
                     qPrintable(output));
            stamped += counts["stamped"];
            failed += counts["failed"];
            skipped += counts["skipped"];
        }
        QCOMPARE(statuses.size(), pictures.size());
        QCOMPARE(statuses["sub/p3.jpg"], "failed");
        QCOMPARE(statuses["p5.jpg"], "skipped");
        QCOMPARE(stamped, 9);
        QCOMPARE(failed, 1);
        QCOMPARE(skipped, 1);
    }

private:
    struct Report {
        bool ok = false; // every line an object with the documented keys, the summary last
        QList<QJsonObject> pictures;
        QJsonObject summary;
    };

    static Report parseReport(const QByteArray &bytes) {
        static const QStringList pictureKeys{"input",  "message", "milliseconds",
                                             "output", "status",  "type"};
        static const QStringList summaryKeys{"exitStatus", "failed",  "milliseconds",
                                             "skipped",    "stamped", "type"};
        Report parsed;
        QList<QByteArray> lines = bytes.split('\n');
        if (lines.takeLast() != "") // every line ends
            return parsed;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QJsonParseError error;
            const QJsonDocument line = QJsonDocument::fromJson(lines[i], &error);
            const QJsonObject object = line.object();
            const bool last = i == lines.size() - 1;
            const bool integral = object["milliseconds"].toInteger(-1) >= 0;
            if (error.error != QJsonParseError::NoError || !line.isObject() || !integral ||
                object.keys() != (last ? summaryKeys : pictureKeys) ||
                object["type"].toString() != (last ? u"summary" : u"picture"))
                return parsed;
            if (last)
                parsed.summary = object;
            else
                parsed.pictures << object;
        }
        parsed.ok = true;
        return parsed;
    }

    // Runs the tool with no display at all, as on a server, `input` on its standard input.
    // Kept apart, standard output goes to `standardOutput`.
    int run(const QStringList &args, const QByteArray &input = {},
            QProcess::ProcessChannelMode channels = QProcess::MergedChannels) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "LANGUAGE",
                                 "LC_ALL", "LC_MESSAGES", "LANG"})
            env.remove(name);
        if (!language.isEmpty())
            env.insert(QStringLiteral("LANGUAGE"), language);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(channels);
        process.setWorkingDirectory(dir->path());
        process.start(QStringLiteral(STAMP_TOOL_PATH), args);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        standardOutput = process.readAllStandardOutput();
        output = QString::fromLocal8Bit(
            channels == QProcess::MergedChannels ? standardOutput : process.readAllStandardError());
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
    QString language;          // LANGUAGE for the tool; empty for English whatever the machine's
    QString output;            // standard output and error, or error alone
    QByteArray standardOutput; // standard output
};

QTEST_MAIN(ExecutableTest)
#include "tst_executable.moc"
