#include "placement/MarkFile.h"
#include "platform/Translations.h"

#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace imprimata;

namespace {

const QStringList Example =
    QString(R"("Imprimata, version 1.1"|"logo.$IM"|0|#TRUE#|204|#FALSE#|"Arial"|24|#FALSE#|)"
            R"(#FALSE#|700|255|555|""|0|1|13369376|"Sample"|0|1800)")
        .split('|');

QByteArray fileOf(const QStringList &lines) {
    return (lines.join("\r\n") + "\r\n").toUtf8();
}

// The example with `count` lines from `line` (counted from 1) replaced by one.
QByteArray exampleWith(int line, const QString &value, int count = 1) {
    QStringList lines = Example;
    lines.remove(line - 1, count);
    lines.insert(line - 1, value);
    return fileOf(lines);
}

MarkSettings exampleMark() {
    return {TextMark, "Sample", "logo.$IM", "",  makeFont("Arial", 24, true, 204), 255, 0, 1,
            0,        SrcCopy,  555,        1800};
}

// Every stored field, font included.
QString fields(const MarkSettings &m) {
    QString s;
    QDebug(&s) << m.MarkType << m.Text << m.MarkName << m.ImagePath << m.Colour << +m.PrintMode
               << +m.Level << +m.ImageTransparency << m.RasterOp << m.MarkHeight << m.MarkWidth
               << m.SmoothEdges;
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
    const QString path = dir.filePath("mark.$IM"), link = dir.filePath("link.$IM");
    const QByteArray oldBytes = QByteArray(5000, 'x');

private slots:
    void roundTrip_data();
    void roundTrip();
    void load_data();
    void load();
    void initTestCase() { QVERIFY(QFile::link(path, link)); }
    void onlyRegularFiles();
    void filesStayEnglishInRussian(); // last: it leaves the translators installed
};

// Saved over an older, longer file and loaded again. Line 0 stands for the whole file; a
// refused save (nothing written) leaves the old file.
void MarkFileTest::roundTrip_data() {
    QTest::addColumn<MarkSettings>("mark");
    QTest::addColumn<int>("line");
    QTest::addColumn<QByteArray>("written");

    MarkSettings m = exampleMark();
    QTest::newRow("the example, byte for byte") << m << 0 << fileOf(Example);
    m.Text = "Привет €";
    QTest::newRow("cyrillic in the code page")
        << m << 18 << QByteArray("\"\xCF\xF0\xE8\xE2\xE5\xF2 \x88\"");
    m.Text = "Łódź";
    QTest::newRow("polish letter needs UTF-8") << m << 18 << ('"' + m.Text.toUtf8() + '"');
    // In the code page Я© is DF A9, which is also UTF-8 for another letter.
    m.Text = "Я©";
    QTest::newRow("code-page bytes that read as UTF-8") << m << 18 << ('"' + m.Text.toUtf8() + '"');

    // Empty strings, a nameless font of a fractional size and the extreme values a mark holds.
    const QString path = "/home/user/pictures/logo, big.bmp";
    m = {ImageMark, "", "",     path, makeFont("", 9.75, false, 0), SystemWindowText, 2, 2,
         2,         0,  -32768, 32767};
    m.Font->font.setWeight(static_cast<QFont::Weight>(350));
    QTest::newRow("image mark, empty strings, limits") << m << 8 << QByteArray("9.75");
    m = {TextMark, "Big", "big.$IM", "", makeFont("DejaVu Sans", 1638.35, false, 255),
         White,    1,     2,         0,  MergePaint,
         1,        1};
    m.Font->font.setWeight(static_cast<QFont::Weight>(1000));
    m.Font->font.setStrikeOut(true);
    QTest::newRow("largest font, white, heaviest, struck out") << m << 9 << QByteArray("#TRUE#");
    m = exampleMark();
    m.Text = R"(Sample "logo")";
    QTest::newRow("text ending in a quoted word") << m << 18 << QByteArray();
    QTest::newRow("file size limit hit while writing") << exampleMark() << -1 << QByteArray();

    // A mark using Smooth edges or the Alpha blend needs version 1.2 and its twenty-first line.
    m = exampleMark();
    m.SmoothEdges = true;
    QTest::newRow("smooth edges, version 1.2")
        << m << 0 << fileOf(QStringList(Example).replaceInStrings("1.1", "1.2") << "#TRUE#");
    m = exampleMark();
    m.MarkType = ImageMark;
    m.RasterOp = AlphaBlendRasterOp;
    QTest::newRow("alpha blend is 0 in version 1.2") << m << 17 << QByteArray("0");
    QTest::newRow("alpha blend, smooth edges off") << m << 21 << QByteArray("#FALSE#");
}

void MarkFileTest::roundTrip() {
    QFETCH(MarkSettings, mark);
    QFETCH(int, line);
    QFETCH(QByteArray, written);
    QVERIFY(writeAll(path, oldBytes));
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    if (line < 0) {
        // Works for every user, unlike taking away folder permissions.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{64, unlimited.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ScriptedDialogService dialogs;
    // A comma-decimal locale must not leak into the file.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const bool saved = SaveMarkFile(path, mark, dialogs);
    QLocale::setDefault(QLocale::c());
    setrlimit(RLIMIT_FSIZE, &unlimited);
    QCOMPARE(saved, !written.isEmpty());
    QCOMPARE(dialogs.messages.size(), size_t(saved ? 0 : 1));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    const QByteArray file = readAll(path);
    if (!saved) {
        QCOMPARE(file, oldBytes);
        return;
    }
    QCOMPARE(line ? file.split('\n').at(line - 1).chopped(1) : file, written);

    MarkSettings loaded;
    // Through a link, which is read as its file.
    QVERIFY(LoadMarkFile(link, loaded, dialogs));
    QCOMPARE(fields(loaded), fields(mark));
}

void MarkFileTest::load_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("result"); // the file the loaded mark saves as, or the refusal

    const QString example = fileOf(Example);
    QTest::newRow("header in other case")
        << exampleWith(1, R"("IMPRIMATA, version 1.1")") << "^Invalid file structure$";
    QTest::newRow("other version")
        << exampleWith(1, R"("Imprimata, version 1.3")") << "^Invalid file structure$";
    QTest::newRow("older version")
        << exampleWith(1, R"("Imprimata, version 1.0")") << "^Invalid file structure$";

    // Version 1.2: twenty-one lines. It saves as 1.1 again unless the mark uses what it adds.
    const QStringList version12 = QStringList(Example).replaceInStrings("1.1", "1.2");
    QTest::newRow("1.2, smooth edges") << fileOf(QStringList(version12) << "#TRUE#")
                                       << QString(fileOf(QStringList(version12) << "#TRUE#"));
    QTest::newRow("1.2 without its new features saves as 1.1")
        << fileOf(QStringList(version12) << "#FALSE#") << example;
    QStringList alpha = version12;
    alpha[16] = "0";
    QTest::newRow("1.2, alpha blend") << fileOf(QStringList(alpha) << "#FALSE#")
                                      << QString(fileOf(QStringList(alpha) << "#FALSE#"));
    QTest::newRow("1.2 without line 21") << fileOf(version12) << "^Invalid file structure$";
    QTest::newRow("1.2, line 21 not a Boolean")
        << fileOf(QStringList(version12) << "\"yes\"") << "^Type mismatch on line 21";
    QTest::newRow("1.1 with a twenty-first line")
        << fileOf(QStringList(Example) << "#TRUE#") << example;
    QTest::newRow("header alone, its quote open")
        << QByteArray(R"("Imprimata, version 1.1)") << "^Invalid file structure$";

    // Line, value, and how the loaded mark saves it or how the refusal starts (Invalid file
    // structure, Overflow, Type mismatch). Fractions go to the nearest whole number, halves to
    // even, before the range is checked.
    const QStringList values =
        QString("3 2 2|3 2.5 2|3 3 I|3 300 O|4 #true# T|5 255 255|5 256 I|5 -1 I|5 abc T|"
                "8 0.0001 0.0001|8 1638.35 1638.35|8 1638.36 I|8 0 I|8 9e14 I|8 1e15 O|"
                "11 1000 1000|11 1001 I|11 -1 I|12 16777215 16777215|12 16777216 I|"
                "12 -2147483640 -2147483640|12 -1 I|15 2 2|15 3 I|16 2 2|16 3 I|17 0 0|"
                "17 15597702 15597702|17 13369377 I|20 3.5 4|20 -32768.5 -32768|20 32767.5 O")
            .split('|');
    const QHash<QString, QString> refusals{
        {"I", "Invalid file structure"}, {"O", "Overflow"}, {"T", "Type mismatch"}};
    for (const QString &row : values) {
        const QStringList v = row.split(' ');
        const int line = v[0].toInt();
        QTest::addRow("%s on line %d", qPrintable(v[1]), line)
            << exampleWith(line, v[1])
            << (refusals.contains(v[2]) ? QString("^%1 on line %2: .*%3")
                                              .arg(refusals[v[2]])
                                              .arg(line)
                                              .arg(QRegularExpression::escape(v[1]))
                                        : QString(exampleWith(line, v[2])));
    }

    // The weight, read after bold, decides; 0 stands for normal.
    QTest::newRow("bold of weight 0")
        << exampleWith(11, "0") << QString(exampleWith(11, "400")).replace("#TRUE#", "#FALSE#");
    // Spaces around values, and two values on one line split by a comma.
    QTest::newRow("bold and charset on one line")
        << exampleWith(4, "  #TRUE# ,  204 ", 2) << example;
    // Valid UTF-8 for Я, but written in the code page as РЇ, which it saves as again.
    QTest::newRow("code-page bytes that are also UTF-8")
        << exampleWith(18, "\"Я\"") << QString(exampleWith(18, "\"Я\""));
    const QByteArray utf8 = "\xEF\xBB\xBF" + exampleWith(18, "\"Я©\"");
    QTest::newRow("UTF-8 after a byte-order mark") << utf8 << QString(utf8);
    // Nothing past the twentieth line is read, up to the size limit.
    const QByteArray full = fileOf(Example).leftJustified(1 << 20, 'x');
    QTest::newRow("a megabyte") << full << example;
    QTest::newRow("a byte over") << full + 'x' << "The file is too large to be a mark file\\.$";
    // A quote left open swallows the rest of the file; the fault is where it opens.
    QTest::newRow("open quote on line 18")
        << exampleWith(18, R"("Sample)")
        << "^Input past end of file: .*mark text on line 18 is never";
    // The format has no escape: quotes inside a string cut it short.
    QTest::newRow("text ending in a quoted word")
        << exampleWith(18, R"("Sample "logo"")") << "^Bad file format on line 18";
    // A closed quote may span lines; later lines keep their numbers.
    QTest::newRow("text over two lines, then a bad type")
        << exampleWith(18, "\"Sam\r\nple\"").replace("\r\n0\r\n1800", "\r\nx\r\n1800")
        << "^Type mismatch on line 20";
    for (int kept = 0; kept < 20; ++kept)
        QTest::addRow("cut after line %d", kept)
            << (kept == 0 ? QByteArray() : fileOf(Example.mid(0, kept)))
            << QString("^Input past end of file.*\\(line %1\\)").arg(kept + 1);
}

void MarkFileTest::load() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, result);
    QVERIFY(writeAll(path, bytes));

    // Unlike the example, so a value read before a refusal would show.
    MarkSettings record;
    record.MarkType = ImageMark;
    record.Font = makeFont("DejaVu Sans", 9, false);
    const QString before = fields(record);
    ScriptedDialogService dialogs;
    const bool accepted = !result.startsWith('^') && !result.endsWith('$');
    QCOMPARE(LoadMarkFile(path, record, dialogs), accepted);
    if (accepted) {
        QVERIFY(dialogs.messages.empty());
        QVERIFY(SaveMarkFile(path, record, dialogs));
        QCOMPARE(QString(readAll(path)), result);
        return;
    }
    QCOMPARE(dialogs.messages.size(), 1u);
    QCOMPARE(dialogs.messages.back().icon, MessageIcon::Error);
    QVERIFY2(dialogs.lastMessage().contains(QRegularExpression(result)),
             qPrintable(dialogs.lastMessage()));
    QCOMPARE(fields(record), before);
}

// Refused with nothing read. A reader that waited on the FIFO would get its end of file from
// the writer that comes after a second, and report that instead.
void MarkFileTest::onlyRegularFiles() {
    QTemporaryDir here;
    const QString fifo = here.filePath("fifo"), link = here.filePath("link");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(QFile::link(fifo, link));
    std::thread unblock([name = QFile::encodeName(fifo)] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        if (const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK); fd >= 0)
            ::close(fd);
    });
    const std::pair<QString, QString> cases[] = {
        {fifo, "fifo is not a regular file."},
        {link, "link is not a regular file."},
        {here.path(), " is not a regular file."},
        {"/dev/null", "/dev/null is not a regular file."},
        {here.filePath("missing"), "No such file or directory"}};
    for (const auto &[file, error] : cases) {
        MarkSettings record;
        ScriptedDialogService dialogs;
        QVERIFY(!LoadMarkFile(file, record, dialogs));
        QVERIFY2(dialogs.lastMessage().endsWith(error), qPrintable(dialogs.lastMessage()));
        QVERIFY(!record.Font);
    }
    unblock.join();
}

// In Russian the messages are Russian; what goes into a file is never translated.
void MarkFileTest::filesStayEnglishInRussian() {
    QLocale::setDefault(QLocale(QLocale::Russian));
    installTranslations(*QCoreApplication::instance());
    QCOMPARE(encodeMarkFile(exampleMark()).value(), fileOf(Example));
    QCOMPARE(decodeMarkFile(exampleWith(1, "\"Imprimata, version 9\"")).error(),
             QStringLiteral("Неверная структура файла"));
    QCOMPARE(decodeMarkFile(fileOf(Example)).value().Text, QStringLiteral("Sample"));
}

QTEST_MAIN(MarkFileTest)
#include "tst_markfile.moc"
