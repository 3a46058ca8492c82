#include "placement/MarkFile.h"

#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace imprimata;

namespace {

QStringList exampleLines() {
    return QString(R"("Imprimata, version 1.1"|"logo.$IM"|0|#TRUE#|204|#FALSE#|"Arial"|24|#FALSE#|)"
                   R"(#FALSE#|700|255|555|""|0|1|13369376|"Sample"|0|1800)")
        .split('|');
}

QByteArray fileOf(const QStringList &lines) {
    return (lines.join("\r\n") + "\r\n").toUtf8();
}

// The example with one line (counted from 1) replaced.
QByteArray exampleWith(int line, const QString &value) {
    QStringList lines = exampleLines();
    lines[line - 1] = value;
    return fileOf(lines);
}

// In record order: type, text, name, image path, font, colour, print mode, level, image
// transparency, raster operation, height and width.
MarkSettings exampleMark() {
    const SharedFont font = makeFont("Arial", 24, true, 204);
    return {TextMark, "Sample", "logo.$IM", "", font, 255, Solid, 1, 0, SrcCopy, 555, 1800};
}

// Every stored field, font included.
QString fields(const MarkSettings &m) {
    QString s;
    QDebug(&s) << m.MarkType << m.Text << m.MarkName << m.ImagePath << m.Colour << +m.PrintMode
               << +m.Level << +m.ImageTransparency << m.RasterOp << m.MarkHeight << m.MarkWidth;
    if (m.Font)
        QDebug(&s) << m.Font->charSet << m.Font->font.toString();
    return s;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

Q_DECLARE_METATYPE(imprimata::MarkSettings)

class MarkFileTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    const QString path = dir.filePath("mark.$IM");

private slots:
    void roundTrip_data();
    void roundTrip();
    void load_data();
    void load();
    void saveOverOldFile_data();
    void saveOverOldFile();
};

// Saved and loaded again; one line of each file is checked as written.
void MarkFileTest::roundTrip_data() {
    QTest::addColumn<MarkSettings>("mark");
    QTest::addColumn<int>("line");
    QTest::addColumn<QByteArray>("written");

    MarkSettings m = exampleMark();
    m.Text = "Привет €";
    QTest::newRow("cyrillic in the code page")
        << m << 18 << QByteArray("\"\xCF\xF0\xE8\xE2\xE5\xF2 \x88\"");
    m.Text = "Łódź";
    QTest::newRow("polish letter needs UTF-8") << m << 18 << ('"' + m.Text.toUtf8() + '"');

    // Empty strings, a nameless font of a fractional size and the extreme values.
    const SharedFont font = makeFont("", 9.75, false, -1);
    const QString path = "/home/user/pictures/logo, big.bmp";
    m = {ImageMark, "", "", path, font, SystemWindowText, Colouring, 2, 255, -1, -32768, 32767};
    m.Font->font.setWeight(static_cast<QFont::Weight>(350));
    QTest::newRow("image mark, empty strings, limits") << m << 8 << QByteArray("9.75");
}

void MarkFileTest::roundTrip() {
    QFETCH(MarkSettings, mark);
    QFETCH(int, line);
    ScriptedDialogService dialogs;
    // A comma-decimal locale must not leak into the file.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const bool saved = SaveMarkFile(path, mark, dialogs);
    QLocale::setDefault(QLocale::c());
    QVERIFY(saved);
    QTEST(readAll(path).split('\n').at(line - 1).chopped(1), "written");

    MarkSettings loaded;
    QVERIFY(LoadMarkFile(path, loaded, dialogs));
    QVERIFY(dialogs.messages.empty());
    QCOMPARE(fields(loaded), fields(mark));
}

void MarkFileTest::load_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<MarkSettings>("expected");
    QTest::addColumn<QString>("error"); // a pattern; empty when the file is accepted

    QTest::newRow("the example") << fileOf(exampleLines()) << exampleMark() << "";

    const MarkSettings none;
    QTest::newRow("header in other case")
        << exampleWith(1, R"("IMPRIMATA, version 1.1")") << none << "^Invalid file structure$";
    QTest::newRow("other version")
        << exampleWith(1, R"("Imprimata, version 1.2")") << none << "^Invalid file structure$";
    QTest::newRow("300 in a byte") << exampleWith(3, "300") << none << "^Overflow on line 3:.* 300";
    QTest::newRow("not a number") << exampleWith(5, "abc") << none << "^Type mismatch on line 5";
    // Cut after each line: the next value is missing.
    for (int kept = 0; kept < 20; ++kept)
        QTest::addRow("cut after line %d", kept)
            << (kept == 0 ? QByteArray() : fileOf(exampleLines().mid(0, kept))) << none
            << QString("^Input past end of file.*\\(line %1\\)").arg(kept + 1);
}

void MarkFileTest::load() {
    QFETCH(QByteArray, bytes);
    QFETCH(MarkSettings, expected);
    QFETCH(QString, error);
    QVERIFY(writeAll(path, bytes));

    // Unlike the example, so a value read before a refusal would show.
    MarkSettings record;
    record.MarkType = ImageMark;
    record.ImageTransparency = 2;
    record.Font = makeFont("DejaVu Sans", 9, false);
    const QString before = fields(record);
    ScriptedDialogService dialogs;
    QCOMPARE(LoadMarkFile(path, record, dialogs), error.isEmpty());
    QCOMPARE(dialogs.messages.size(), size_t(error.isEmpty() ? 0 : 1));
    QVERIFY2(dialogs.lastMessage().contains(QRegularExpression(error)),
             qPrintable(dialogs.lastMessage()));
    QCOMPARE(fields(record), error.isEmpty() ? fields(expected) : before);
}

void MarkFileTest::saveOverOldFile_data() {
    QTest::addColumn<MarkSettings>("mark");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QByteArray>("written"); // empty when the old file must stay

    QTest::newRow("the example, byte for byte") << exampleMark() << "" << fileOf(exampleLines());
    MarkSettings m = exampleMark();
    m.Text = "say \"hi\"";
    QTest::newRow("double quote in text") << m << "double quote" << QByteArray();
    QTest::newRow("file size limit hit while writing") << exampleMark() << "limit" << QByteArray();
}

void MarkFileTest::saveOverOldFile() {
    QFETCH(MarkSettings, mark);
    QFETCH(QString, failure);
    QFETCH(QByteArray, written);
    const QByteArray oldBytes(5000, 'x');
    QVERIFY(writeAll(path, oldBytes));
    rlimit saved{};
    if (failure == "limit") {
        // Works for every user, unlike taking away folder permissions.
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit small{64, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ScriptedDialogService dialogs;
    const bool ok = SaveMarkFile(path, mark, dialogs);
    if (failure == "limit")
        setrlimit(RLIMIT_FSIZE, &saved);

    QCOMPARE(ok, !written.isEmpty());
    QCOMPARE(readAll(path), ok ? written : oldBytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    QCOMPARE(dialogs.messages.size(), size_t(ok ? 0 : 1));
    if (failure == "double quote")
        QVERIFY2(dialogs.lastMessage().contains(failure), qPrintable(dialogs.lastMessage()));
}

QTEST_MAIN(MarkFileTest)
#include "tst_markfile.moc"
