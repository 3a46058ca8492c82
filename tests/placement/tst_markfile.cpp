#include "placement/MarkFile.h"

#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace imprimata;

namespace {

QStringList exampleLines() {
    return {R"("Imprimata, version 1.1")",
            R"("logo.$IM")",
            "0",
            "#TRUE#",
            "204",
            "#FALSE#",
            R"("Arial")",
            "24",
            "#FALSE#",
            "#FALSE#",
            "700",
            "255",
            "555",
            R"("")",
            "0",
            "1",
            "13369376",
            R"("Sample")",
            "0",
            "1800"};
}

QByteArray fileOf(const QStringList &lines) {
    return (lines.join("\r\n") + "\r\n").toUtf8();
}

MarkSettings exampleMark() {
    MarkSettings m;
    m.MarkName = "logo.$IM";
    m.Font = makeFont("Arial", 24, true, 204);
    m.Colour = 255;
    m.Level = 1;
    m.RasterOp = SrcCopy;
    m.Text = "Sample";
    m.MarkHeight = 555;
    m.MarkWidth = 1800;
    return m;
}

void compareMarks(const MarkSettings &a, const MarkSettings &b) {
    QCOMPARE(a.MarkType, b.MarkType);
    QCOMPARE(a.Text, b.Text);
    QCOMPARE(a.MarkName, b.MarkName);
    QCOMPARE(a.ImagePath, b.ImagePath);
    QCOMPARE(a.Colour, b.Colour);
    QCOMPARE(a.PrintMode, b.PrintMode);
    QCOMPARE(a.Level, b.Level);
    QCOMPARE(a.ImageTransparency, b.ImageTransparency);
    QCOMPARE(a.RasterOp, b.RasterOp);
    QCOMPARE(a.MarkHeight, b.MarkHeight);
    QCOMPARE(a.MarkWidth, b.MarkWidth);
    QVERIFY(a.Font && b.Font);
    QCOMPARE(a.Font->charSet, b.Font->charSet);
    QCOMPARE(a.Font->font.family(), b.Font->font.family());
    QCOMPARE(a.Font->font.pointSizeF(), b.Font->font.pointSizeF());
    QCOMPARE(a.Font->font.weight(), b.Font->font.weight());
    QCOMPARE(a.Font->font.italic(), b.Font->font.italic());
    QCOMPARE(a.Font->font.underline(), b.Font->font.underline());
    QCOMPARE(a.Font->font.strikeOut(), b.Font->font.strikeOut());
}

bool isValidUtf8(const QByteArray &bytes) {
    QStringDecoder d(QStringDecoder::Utf8);
    const QString text = d.decode(bytes);
    return !d.hasError();
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(imprimata::MarkSettings)

class MarkFileTest : public QObject {
    Q_OBJECT

private slots:
    void exampleBothWays();
    void roundTrip_data();
    void roundTrip();
    void encodedLine_data();
    void encodedLine();
    void refused_data();
    void refused();
    void weightDecidesBoldness_data();
    void weightDecidesBoldness();
    void readingRules_data();
    void readingRules();
    void encoding_data();
    void encoding();
    void codePageTableMatchesToolkit();
    void saveReplacesWholeFile();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
};

void MarkFileTest::exampleBothWays() {
    QString error;
    QCOMPARE(encodeMarkFile(exampleMark(), &error), fileOf(exampleLines()));

    MarkSettings loaded;
    QVERIFY2(decodeMarkFile(fileOf(exampleLines()), loaded, &error), qPrintable(error));
    compareMarks(loaded, exampleMark());
    QVERIFY(loaded.Font->font.bold());
}

void MarkFileTest::roundTrip_data() {
    QTest::addColumn<MarkSettings>("mark");

    QTest::newRow("example") << exampleMark();

    MarkSettings cyrillic = exampleMark();
    cyrillic.Text = "Фото: Иван Ёлкин, 2024";
    cyrillic.MarkName = "знак.$IM";
    cyrillic.Font = makeFont("Times New Roman", 20.25, false, 204);
    cyrillic.Font->font.setItalic(true);
    cyrillic.Font->font.setUnderline(true);
    cyrillic.Font->font.setStrikeOut(true);
    QTest::newRow("cyrillic, fractional size, styles") << cyrillic;

    MarkSettings empty = exampleMark();
    empty.Text.clear();
    empty.MarkName.clear();
    empty.Font->font.setFamily("");
    QTest::newRow("empty strings") << empty;

    MarkSettings image = exampleMark();
    image.MarkType = ImageMark;
    image.ImagePath = "/home/user/pictures/logo, big.bmp";
    image.Text = "  spaces kept  ";
    image.ImageTransparency = 255;
    image.PrintMode = Colouring;
    image.Level = 2;
    image.RasterOp = static_cast<std::int32_t>(0xFFFFFFFFu);
    image.Colour = SystemWindowText;
    image.MarkHeight = -32768;
    image.MarkWidth = 32767;
    image.Font->font.setWeight(QFont::DemiBold);
    image.Font->charSet = -1;
    QTest::newRow("extremes, system colour, weight 600") << image;

    MarkSettings light = exampleMark();
    light.Font->font.setWeight(static_cast<QFont::Weight>(350));
    light.Font->font.setPointSizeF(9.75);
    QTest::newRow("weight between named weights") << light;
}

void MarkFileTest::roundTrip() {
    QFETCH(MarkSettings, mark);
    QTemporaryDir dir;
    const QString path = dir.filePath("mark.$IM");
    ScriptedDialogService dialogs;
    QVERIFY(SaveMarkFile(path, mark, dialogs));

    MarkSettings loaded;
    QVERIFY(LoadMarkFile(path, loaded, dialogs));
    QVERIFY(dialogs.messages.empty());
    compareMarks(loaded, mark);
    // The loaded mark has its own font, not the saved one.
    QVERIFY(loaded.Font != mark.Font);
}

void MarkFileTest::encodedLine_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<double>("size");
    QTest::addColumn<int>("colour");
    QTest::addColumn<QString>("expected");

    QTest::newRow("whole size") << 8 << 18.0 << 0 << "18";
    QTest::newRow("two decimals") << 8 << 9.75 << 0 << "9.75";
    QTest::newRow("trailing zero dropped") << 8 << 10.5 << 0 << "10.5";
    QTest::newRow("four decimals at most") << 8 << 12.34567 << 0 << "12.3457";
    QTest::newRow("system colour negative") << 12 << 8.0 << int(SystemWindowText) << "-2147483640";
    QTest::newRow("white") << 12 << 8.0 << int(White) << "16777215";
}

void MarkFileTest::encodedLine() {
    QFETCH(int, line);
    QFETCH(double, size);
    QFETCH(int, colour);
    QFETCH(QString, expected);
    MarkSettings mark = exampleMark();
    mark.Font->font.setPointSizeF(size);
    mark.Colour = colour;

    // A comma-decimal locale must not leak into the file.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QByteArray bytes = encodeMarkFile(mark, nullptr);
    QLocale::setDefault(QLocale::c());
    QCOMPARE(QString::fromUtf8(bytes).split("\r\n").at(line - 1), expected);
}

void MarkFileTest::refused_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fragments"); // the message holds each of them

    const auto with = [](int line, const QString &value) {
        QStringList lines = exampleLines();
        lines[line - 1] = value;
        return fileOf(lines);
    };
    const QStringList invalid{InvalidFileStructure};
    QTest::newRow("header in other case") << with(1, R"("IMPRIMATA, version 1.1")") << invalid;
    QTest::newRow("other minor version") << with(1, R"("Imprimata, version 1.2")") << invalid;
    QTest::newRow("other major version") << with(1, R"("Imprimata, version 2.1")") << invalid;
    QTest::newRow("header unquoted") << with(1, "Imprimata, version 1.1") << invalid;
    QTest::newRow("300 in a byte") << with(3, "300") << QStringList{"Overflow on line 3", "300"};
    QTest::newRow("negative byte") << with(16, "-1") << QStringList{"Overflow on line 16"};
    QTest::newRow("integer too large") << with(13, "32768") << QStringList{"Overflow on line 13"};
    QTest::newRow("long too large") << with(12, "2147483648") << QStringList{"Overflow on line 12"};
    QTest::newRow("huge number") << with(20, "1e999") << QStringList{"Overflow on line 20"};
    QTest::newRow("not a number") << with(5, "abc") << QStringList{"Type mismatch on line 5"};
    QTest::newRow("empty number") << with(11, "") << QStringList{"Type mismatch on line 11"};
    QTest::newRow("not a boolean") << with(4, "yes") << QStringList{"Type mismatch on line 4"};
    QTest::newRow("zero font size")
        << with(8, "0") << QStringList{"Invalid property value on line 8"};
    QTest::newRow("quote inside a string")
        << with(18, R"("say "hi"")") << QStringList{"on line 18", "mark text"};

    // Cut after each line: the next value is missing.
    const QStringList lines = exampleLines();
    for (int kept = 0; kept < 20; ++kept) {
        const QByteArray bytes = kept == 0 ? QByteArray() : fileOf(lines.mid(0, kept));
        QTest::addRow("cut after line %d", kept)
            << bytes << QStringList{"Input past end of file", QString("(line %1)").arg(kept + 1)};
    }
}

void MarkFileTest::refused() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fragments);
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.$IM");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();

    MarkSettings record = exampleMark();
    const SharedFont font = record.Font;
    const MarkSettings before = record;
    ScriptedDialogService dialogs;
    QVERIFY(!LoadMarkFile(path, record, dialogs));

    QCOMPARE(dialogs.messages.size(), size_t(1));
    QCOMPARE(dialogs.messages[0].icon, MessageIcon::Error);
    const QString text = dialogs.messages[0].text;
    if (fragments.first() == InvalidFileStructure)
        QCOMPARE(text, fragments.first());
    for (const QString &fragment : fragments)
        QVERIFY2(text.contains(fragment), qPrintable(text));
    QVERIFY(record.Font == font);
    compareMarks(record, before);
    QCOMPARE(font->font.family(), QString("Arial"));
}

void MarkFileTest::weightDecidesBoldness_data() {
    QTest::addColumn<bool>("bold");
    QTest::addColumn<int>("weight");
    QTest::addColumn<int>("expected");

    QTest::newRow("bold flag, normal weight") << true << 400 << 400;
    QTest::newRow("no bold flag, bold weight") << false << 700 << 700;
    QTest::newRow("weight kept exactly") << false << 550 << 550;
    QTest::newRow("don't care is normal") << true << 0 << 400;
    QTest::newRow("beyond the heaviest") << false << 1200 << 1000;
}

void MarkFileTest::weightDecidesBoldness() {
    QFETCH(bool, bold);
    QFETCH(int, weight);
    QFETCH(int, expected);
    QStringList lines = exampleLines();
    lines[3] = bold ? "#TRUE#" : "#FALSE#";
    lines[10] = QString::number(weight);
    MarkSettings loaded;
    QVERIFY(decodeMarkFile(fileOf(lines), loaded, nullptr));
    QCOMPARE(loaded.Font->font.weight(), expected);
    QCOMPARE(loaded.Font->font.bold(), expected > QFont::Medium);
    QCOMPARE(QString(encodeMarkFile(loaded, nullptr)).split("\r\n").at(10),
             QString::number(expected));
}

void MarkFileTest::readingRules_data() {
    QTest::addColumn<QByteArray>("bytes");

    QStringList spaced = exampleLines();
    for (QString &line : spaced)
        line = "  \t" + line + (line.startsWith('"') ? "  " : "");
    QTest::newRow("spaces around values") << fileOf(spaced);
    QTest::newRow("line feeds only") << exampleLines().join("\n").toUtf8();
    QTest::newRow("no final line end") << exampleLines().join("\r\n").toUtf8();
    QTest::newRow("commas between values")
        << (exampleLines().mid(0, 10).join(",") + "\r\n" + exampleLines().mid(10).join(","))
               .toUtf8();
    QTest::newRow("lines after the twentieth") << fileOf(exampleLines() + QStringList{"junk"});
    QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + fileOf(exampleLines());
}

void MarkFileTest::readingRules() {
    QFETCH(QByteArray, bytes);
    MarkSettings loaded;
    QString error;
    QVERIFY2(decodeMarkFile(bytes, loaded, &error), qPrintable(error));
    compareMarks(loaded, exampleMark());
}

void MarkFileTest::encoding_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("singleByte");

    QTest::newRow("ascii") << "Sample" << true;
    QTest::newRow("cyrillic") << "Привет, мир" << true;
    QTest::newRow("euro sign is in the code page") << "5 €" << true;
    QTest::newRow("polish letter") << "Łódź" << false;
    QTest::newRow("chinese") << "水印" << false;
    // These bytes in the code page happen to be valid UTF-8 and would be read as such.
    QTest::newRow("code page bytes that look like UTF-8") << "Сё" << false;
}

void MarkFileTest::encoding() {
    QFETCH(QString, text);
    QFETCH(bool, singleByte);
    MarkSettings mark = exampleMark();
    mark.Text = text;
    const QByteArray bytes = encodeMarkFile(mark, nullptr);

    QByteArray expectedText;
    QVERIFY(toWindows1251(text, &expectedText) || !singleByte);
    if (singleByte)
        QVERIFY(bytes.contains('"' + expectedText + '"'));
    else
        QVERIFY(bytes.contains('"' + text.toUtf8() + '"'));
    if (singleByte && text != "Sample")
        QVERIFY(!isValidUtf8(bytes));

    MarkSettings loaded;
    QVERIFY(decodeMarkFile(bytes, loaded, nullptr));
    QCOMPARE(loaded.Text, text);
}

void MarkFileTest::codePageTableMatchesToolkit() {
    QStringDecoder toolkit("windows-1251");
    if (!toolkit.isValid())
        QSKIP("this Qt build has no Windows-1251 codec");
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    const QString decoded = fromWindows1251(all);
    QCOMPARE(decoded, QString(toolkit.decode(all)));
    QByteArray back;
    QVERIFY(toWindows1251(decoded, &back));
    QCOMPARE(back, all);
}

void MarkFileTest::saveReplacesWholeFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("mark.$IM");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x'));
    old.close();

    QVERIFY(writeMarkFile(path, exampleMark(), nullptr));
    QCOMPARE(readAll(path), fileOf(exampleLines()));

    // A mark that never had a font still saves, and loads with one.
    MarkSettings noFont = exampleMark();
    noFont.Font.reset();
    QString error;
    QVERIFY2(writeMarkFile(path, noFont, &error), qPrintable(error));
    MarkSettings loaded;
    QVERIFY(readMarkFile(path, loaded, &error));
    QVERIFY(loaded.Font);
    QCOMPARE(loaded.Font->font.family(), QFont().family());
}

void MarkFileTest::failedSaveKeepsOldFile_data() {
    QTest::addColumn<QString>("failure");
    QTest::newRow("double quote in text") << "quote";
    QTest::newRow("file size limit hit while writing") << "limit";
    QTest::newRow("folder is a file") << "folder";
}

void MarkFileTest::failedSaveKeepsOldFile() {
    QFETCH(QString, failure);
    QTemporaryDir dir;
    QString path = dir.filePath("mark.$IM");
    const QByteArray oldBytes = fileOf(exampleLines()) + QByteArray(100, 'z');
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(oldBytes);
    old.close();

    MarkSettings mark = exampleMark();
    mark.Text = "a longer text so the file outgrows the limit";
    rlimit saved{};
    if (failure == "quote")
        mark.Text = "say \"hi\"";
    if (failure == "folder")
        path += "/inner.$IM";
    if (failure == "limit") {
        // Works for every user, unlike taking away folder permissions.
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 64;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ScriptedDialogService dialogs;
    const bool ok = SaveMarkFile(path, mark, dialogs);
    if (failure == "limit")
        setrlimit(RLIMIT_FSIZE, &saved);

    QVERIFY(!ok);
    QCOMPARE(dialogs.messages.size(), size_t(1));
    QCOMPARE(dialogs.messages[0].icon, MessageIcon::Error);
    const QString text = dialogs.messages[0].text;
    QVERIFY2(!text.isEmpty() && !text.contains("Unknown error"), qPrintable(text));
    if (failure == "quote")
        QVERIFY2(text.contains("double quote"), qPrintable(text));
    QCOMPARE(readAll(dir.filePath("mark.$IM")), oldBytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

QTEST_MAIN(MarkFileTest)
#include "tst_markfile.moc"
