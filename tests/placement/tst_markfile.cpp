#include "placement/MarkFile.h"
#include "render/Stamp.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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
    return {TextMark, "Sample", "logo.$IM", "",  font, 255, optionIndex(PrintMode::Solid),
            1,        0,        SrcCopy,    555, 1800};
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
    void onlyRegularFiles_data();
    void onlyRegularFiles();
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
    m.Text = QString::fromUtf8("Привет \xF0\x9F\x98\x80");
    QTest::newRow("beyond 16 bits needs UTF-8") << m << 18 << ('"' + m.Text.toUtf8() + '"');

    // Empty strings, a nameless font of a fractional size and the extreme values a mark holds.
    SharedFont font = makeFont("", 9.75, false, 0);
    const QString path = "/home/user/pictures/logo, big.bmp";
    m = {ImageMark, "", "", path,   font, SystemWindowText, optionIndex(PrintMode::Colouring),
         2,         2,  0,  -32768, 32767};
    m.Font->font.setWeight(static_cast<QFont::Weight>(350));
    QTest::newRow("image mark, empty strings, limits") << m << 8 << QByteArray("9.75");
    font = makeFont("DejaVu Sans", 1638.35, false, 255);
    font->font.setWeight(static_cast<QFont::Weight>(1000));
    m = {TextMark, "Big", "big.$IM",  "", font, White, optionIndex(PrintMode::Outline),
         2,        0,     MergePaint, 1,  1};
    QTest::newRow("largest font, white, heaviest") << m << 8 << QByteArray("1638.35");
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

    // Values that fit their type but that no mark holds, and the edges of what one does.
    const struct {
        int line;
        const char *value;
        bool accepted;
    } values[] = {{3, "2", true},         {3, "3", false},         {3, "255", false},
                  {5, "255", true},       {5, "256", false},       {5, "-1", false},
                  {8, "0.0001", true},    {8, "1638.35", true},    {8, "1638.36", false},
                  {8, "9e14", false},     {8, "0", false},         {8, "-2", false},
                  {11, "1000", true},     {11, "1001", false},     {11, "-1", false},
                  {12, "16777215", true}, {12, "16777216", false}, {12, "-2147483640", true},
                  {12, "-1", false},      {15, "2", true},         {15, "3", false},
                  {15, "255", false},     {16, "2", true},         {16, "255", false},
                  {17, "0", true},        {17, "15597702", true},  {17, "13369377", false},
                  {17, "-1", false},      {17, "1", false}};
    for (const auto &v : values) {
        if (!v.accepted) {
            QTest::addRow("%s on line %d", v.value, v.line)
                << exampleWith(v.line, v.value) << none
                << QString("^Invalid file structure on line %1: .*%2")
                       .arg(v.line)
                       .arg(QRegularExpression::escape(v.value));
            continue;
        }
        MarkSettings m = exampleMark();
        m.Font->font.setPointSizeF(v.line == 8 ? QString(v.value).toDouble() : 24);
        m.Font->charSet = v.line == 5 ? QString(v.value).toInt() : 204;
        m.Font->font.setWeight(static_cast<QFont::Weight>(v.line == 11 ? 1000 : 700));
        const int n = QString(v.value).toInt();
        if (v.line == 3)
            m.ImageTransparency = static_cast<std::uint8_t>(n);
        else if (v.line == 12)
            m.Colour = n;
        else if (v.line == 15)
            m.PrintMode = static_cast<std::uint8_t>(n);
        else if (v.line == 16)
            m.Level = static_cast<std::uint8_t>(n);
        else if (v.line == 17)
            m.RasterOp = n;
        QTest::addRow("%s on line %d", v.value, v.line) << exampleWith(v.line, v.value) << m << "";
    }
    MarkSettings normal = exampleMark();
    normal.Font->font.setWeight(QFont::Normal);
    QTest::newRow("weight 0 is normal") << exampleWith(11, "0") << normal << "";

    // A quote left open swallows the rest of the file; the fault is where it opens.
    QTest::newRow("open quote on line 18")
        << exampleWith(18, R"("Sample)") << none
        << "^Input past end of file: .*mark text on line 18 is never closed";
    QTest::newRow("open quote on line 2, closed by the next value's")
        << exampleWith(2, R"("logo.$IM)") << none << "^Bad file format on line 2";
    QTest::newRow("header alone, its quote open")
        << QByteArray(R"("Imprimata, version 1.1)") << none << "^Invalid file structure$";
    // A closed quote may span lines; later lines keep their numbers.
    QTest::newRow("text over two lines, then a bad type")
        << exampleWith(18, "\"Sam\r\nple\"").replace("\r\n0\r\n1800", "\r\nx\r\n1800") << none
        << "^Type mismatch on line 20";
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

void MarkFileTest::onlyRegularFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("error"); // a pattern; empty when the file is accepted

    QTest::newRow("FIFO") << "fifo"
                          << "fifo is not a regular file\\.$";
    QTest::newRow("link to a FIFO") << "link to fifo"
                                    << "link is not a regular file\\.$";
    QTest::newRow("folder") << "folder"
                            << "folder is not a regular file\\.$";
    QTest::newRow("device") << "/dev/null"
                            << "^/dev/null is not a regular file\\.$";
    QTest::newRow("missing") << "missing"
                             << "missing: No such file or directory$";
    QTest::newRow("link to a mark file") << "link to file"
                                         << "";
    QTest::newRow("over a megabyte") << "large"
                                     << "large: The file is too large";
}

// Each refused at once, with nothing read; a FIFO in particular must not block.
void MarkFileTest::onlyRegularFiles() {
    QFETCH(QString, kind);
    QFETCH(QString, error);
    QTemporaryDir here;
    const QString file = here.filePath("mark.$IM"), fifo = here.filePath("fifo");
    QVERIFY(writeAll(file, fileOf(exampleLines())));
    const QString target = kind.startsWith('/') ? kind : here.filePath(kind.section(' ', 0, 0));
    if (kind == "fifo" || kind == "link to fifo")
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    if (kind == "folder")
        QVERIFY(QDir(here.path()).mkdir("folder"));
    if (kind.startsWith("link"))
        QVERIFY(QFile::link(kind.endsWith("fifo") ? fifo : file, target));
    if (kind == "large")
        QVERIFY(writeAll(target, fileOf(exampleLines()) + QByteArray(1 << 20, ' ')));

    // Should the reader wait on the FIFO, a writer comes after a second, so the test ends.
    std::atomic<bool> done{false};
    std::thread unblock([&] {
        QElapsedTimer waited;
        waited.start();
        while (!done && kind.contains("fifo")) {
            if (waited.elapsed() > 1000) {
                const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0)
                    ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    MarkSettings record;
    ScriptedDialogService dialogs;
    QElapsedTimer timer;
    timer.start();
    const bool loaded = LoadMarkFile(target, record, dialogs);
    const qint64 took = timer.elapsed();
    done = true;
    unblock.join();

    QCOMPARE(loaded, error.isEmpty());
    QVERIFY2(took < 500, qPrintable(QString::number(took)));
    if (loaded) {
        QCOMPARE(fields(record), fields(exampleMark()));
        return;
    }
    QVERIFY2(dialogs.lastMessage().contains(QRegularExpression(error)),
             qPrintable(dialogs.lastMessage()));
    QVERIFY(!record.Font);
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
