#include "MarkFile.h"

#include "Version.h"
#include "platform/Numeric.h"
#include "platform/ScreenUnits.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace imprimata {

namespace {

// What each value is, for messages: twenty in version 1.1, a twenty-first in 1.2.
constexpr std::array<const char *, 21> ValueNames{
    QT_TRANSLATE_NOOP("imprimata", "file header"),
    QT_TRANSLATE_NOOP("imprimata", "mark name"),
    QT_TRANSLATE_NOOP("imprimata", "image transparency"),
    QT_TRANSLATE_NOOP("imprimata", "font bold"),
    QT_TRANSLATE_NOOP("imprimata", "font character set"),
    QT_TRANSLATE_NOOP("imprimata", "font italic"),
    QT_TRANSLATE_NOOP("imprimata", "font name"),
    QT_TRANSLATE_NOOP("imprimata", "font size"),
    QT_TRANSLATE_NOOP("imprimata", "font strikethrough"),
    QT_TRANSLATE_NOOP("imprimata", "font underline"),
    QT_TRANSLATE_NOOP("imprimata", "font weight"),
    QT_TRANSLATE_NOOP("imprimata", "colour"),
    QT_TRANSLATE_NOOP("imprimata", "mark height"),
    QT_TRANSLATE_NOOP("imprimata", "image path"),
    QT_TRANSLATE_NOOP("imprimata", "print mode"),
    QT_TRANSLATE_NOOP("imprimata", "level"),
    QT_TRANSLATE_NOOP("imprimata", "raster operation"),
    QT_TRANSLATE_NOOP("imprimata", "mark text"),
    QT_TRANSLATE_NOOP("imprimata", "mark type"),
    QT_TRANSLATE_NOOP("imprimata", "mark width"),
    QT_TRANSLATE_NOOP("imprimata", "smooth edges")};

// Nothing a mark editor produces comes near this; it keeps a wrong pick (a picture, a device)
// from being read whole into memory.
constexpr qint64 MaxMarkFileBytes = 1 << 20;

// A mark is at most 32767 twips tall, 20 twips to the point, and a font's line is at least
// its size: no larger font can make a mark.
constexpr double LargestFontSize = 32767.0 / 20.0;

// Currency values keep four decimals.
constexpr double CurrencyScale = 10000.0;
constexpr double CurrencyLimit = 922337203685477.5807;

// Stateless, so a high surrogate at the end of the text is refused rather than held back
// for more input.
constexpr auto Windows1251 = "windows-1251";
constexpr auto WholeText = QStringConverter::Flag::Stateless;

// UTF-8 when the bytes are valid UTF-8 (an initial byte-order mark is dropped), else Windows-1251.
constexpr char Utf8Mark[] = "\xEF\xBB\xBF";

// Our UTF-8 files start with a byte-order mark, as code-page bytes can also be valid UTF-8.
// Without one a file is in the code page, unless it is valid UTF-8 holding what the code page
// cannot: a file written before the mark was.
QString decodeText(const QByteArray &bytes) {
    if (bytes.startsWith(Utf8Mark))
        return QString::fromUtf8(bytes.sliced(3));
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (QByteArray codePage; !utf8.hasError() && !toWindows1251(text, &codePage))
        return text;
    return fromWindows1251(bytes);
}

QString quoted(const QString &s) {
    return u'"' + s + u'"';
}
QString boolean(bool b) {
    return b ? QStringLiteral("#TRUE#") : QStringLiteral("#FALSE#");
}

// 18, 9.75, 10.5: at most four decimals, no trailing zeros, always a point.
QString currency(double value) {
    const long long scaled = roundHalfEven(value * CurrencyScale);
    const unsigned long long magnitude =
        scaled < 0 ? 0ull - static_cast<unsigned long long>(scaled) : scaled;
    QString text = QString::number(magnitude / 10000);
    if (const unsigned long long fraction = magnitude % 10000; fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(4, u'0');
        while (digits.endsWith(u'0'))
            digits.chop(1);
        text += u'.' + digits;
    }
    return scaled < 0 ? u'-' + text : text;
}

// The stored weight is the font's own 1..1000 scale; "don't care" (0) means normal.
QFont::Weight weightFromFile(int value) {
    return value == 0 ? QFont::Normal : static_cast<QFont::Weight>(value);
}

// 0, 1 or 2: the option index of every level, print mode and transparency.
bool isOptionIndex(int value) {
    return value >= 0 && value <= 2;
}

bool isMarkColour(ColourValue c) {
    return (c >= 0 && c <= White) || isSystemColour(c);
}

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t';
}
bool isDelimiter(QChar c) {
    return c == u',' || c == u'\r' || c == u'\n';
}

// Takes one value at a time: spaces before it are skipped, a quoted value runs to the next
// quote, any other value to the next comma or line end, and the delimiter is consumed.
class ValueReader {
public:
    enum Outcome { Value, End, TextAfterQuote, Unclosed };

    explicit ValueReader(const QString &text) : text_(text) {}

    Outcome next(QString *value) {
        const qsizetype size = text_.size();
        while (pos_ < size && isSpace(text_[pos_]))
            ++pos_;
        valueLine_ = line_;
        if (pos_ >= size)
            return End;
        if (text_[pos_] == u'"') {
            const qsizetype close = text_.indexOf(u'"', pos_ + 1);
            const qsizetype end = close < 0 ? size : close;
            *value = text_.mid(pos_ + 1, end - pos_ - 1);
            if (close < 0) {
                pos_ = size;
                return Unclosed;
            }
            countLines(*value);
            pos_ = close + 1;
            while (pos_ < size && isSpace(text_[pos_]))
                ++pos_;
            // Unescaped quotes inside a string leave text here; taking it would damage the value.
            if (pos_ < size && !isDelimiter(text_[pos_]))
                return TextAfterQuote;
        } else {
            const qsizetype start = pos_;
            while (pos_ < size && !isDelimiter(text_[pos_]))
                ++pos_;
            qsizetype end = pos_;
            while (end > start && isSpace(text_[end - 1]))
                --end;
            *value = text_.mid(start, end - start);
        }
        consumeDelimiter();
        return Value;
    }

    int valueLine() const { return valueLine_; }

    // Nothing but spaces left.
    bool atEnd() const {
        qsizetype at = pos_;
        while (at < text_.size() && isSpace(text_[at]))
            ++at;
        return at >= text_.size();
    }

private:
    void consumeDelimiter() {
        if (pos_ >= text_.size())
            return;
        const QChar c = text_[pos_++];
        if (c == u'\r') {
            if (pos_ < text_.size() && text_[pos_] == u'\n')
                ++pos_;
            ++line_;
        } else if (c == u'\n') {
            ++line_;
        }
    }

    void countLines(const QString &s) {
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (s[i] == u'\n' || (s[i] == u'\r' && (i + 1 == s.size() || s[i + 1] != u'\n')))
                ++line_;
        }
    }

    const QString text_;
    qsizetype pos_ = 0;
    int line_ = 1;
    int valueLine_ = 1;
};

// Reads the values in order, each converted to its field's type, with a description
// of the first fault.
class FieldReader {
public:
    explicit FieldReader(const QString &text) : values_(text) {}

    const QString &error() const { return error_; }

    bool readString(QString &out) { return next(&out); }

    bool readBoolean(bool &out) {
        QString value;
        if (!next(&value))
            return false;
        if (value == u"#TRUE#" || value == u"#FALSE#") {
            out = value == u"#TRUE#";
            return true;
        }
        double number = 0;
        if (!toNumber(value, &number)) {
            fail(QCoreApplication::translate(
                     "imprimata", "Type mismatch on line %1: the %2 must be #TRUE# or #FALSE#, "
                                  "not \"%3\".")
                     .arg(line())
                     .arg(name(), value));
            return false;
        }
        out = number != 0;
        return true;
    }

    template <typename T> bool readInteger(T &out) {
        QString value;
        double number = 0;
        if (!next(&value) || !numberOrMismatch(value, &number))
            return false;
        // Fractions go to the nearest whole number, halves to even, before the range check.
        const double whole = std::nearbyint(number);
        constexpr auto low = std::numeric_limits<T>::min();
        constexpr auto high = std::numeric_limits<T>::max();
        if (whole < double(low) || whole > double(high)) {
            fail(QCoreApplication::translate(
                     "imprimata", "Overflow on line %1: the %2 must lie between %3 and %4, not %5.")
                     .arg(line())
                     .arg(name())
                     .arg(qlonglong(low))
                     .arg(qlonglong(high))
                     .arg(value));
            return false;
        }
        out = static_cast<T>(whole);
        return true;
    }

    bool readCurrency(double &out) {
        QString value;
        double number = 0;
        if (!next(&value) || !numberOrMismatch(value, &number))
            return false;
        if (std::fabs(number) > CurrencyLimit) {
            fail(QCoreApplication::translate("imprimata",
                                             "Overflow on line %1: the %2 %3 is too large.")
                     .arg(line())
                     .arg(name(), value));
            return false;
        }
        out = std::nearbyint(number * CurrencyScale) / CurrencyScale;
        return true;
    }

    // For a value that fits its type but that no mark holds.
    bool invalid(const QString &why) {
        fail(QCoreApplication::translate("imprimata", "%1 on line %2: %3")
                 .arg(QCoreApplication::translate("imprimata", InvalidFileStructure))
                 .arg(line())
                 .arg(why));
        return false;
    }

    bool atEnd() const { return values_.atEnd(); }

    // True when the last value read had an opening quote and no closing one.
    bool unclosed() const { return unclosed_; }
    // The last value as the file has it.
    const QString &value() const { return value_; }

    int line() const { return values_.valueLine(); }
    QString name() const {
        return QCoreApplication::translate("imprimata", ValueNames[index_ - 1]);
    }

private:
    bool next(QString *value) {
        ++index_;
        switch (values_.next(value)) {
        case ValueReader::Value:
            value_ = *value;
            return true;
        case ValueReader::End:
            fail(QCoreApplication::translate(
                     "imprimata", "Input past end of file: the file ends before the %1 (line %2).")
                     .arg(name())
                     .arg(line()));
            return false;
        case ValueReader::TextAfterQuote:
            fail(QCoreApplication::translate(
                     "imprimata", "Bad file format on line %1: the %2 is followed by text after "
                                  "its closing quote.")
                     .arg(line())
                     .arg(name()));
            return false;
        case ValueReader::Unclosed:
            // Named by the line it starts on: the rest of the file went into it.
            unclosed_ = true;
            fail(QCoreApplication::translate(
                     "imprimata", "Input past end of file: the quote that opens the %1 on line %2 "
                                  "is never closed.")
                     .arg(name())
                     .arg(line()));
            return false;
        }
        return false;
    }

    static bool toNumber(const QString &value, double *number) {
        static const QRegularExpression pattern(
            QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
        if (!pattern.match(value).hasMatch())
            return false;
        bool ok = false;
        *number = QLocale::c().toDouble(value, &ok);
        // A number too large for a double is still a number, just out of every range.
        if (!ok || !std::isfinite(*number))
            *number = std::numeric_limits<double>::max();
        return true;
    }

    bool numberOrMismatch(const QString &value, double *number) {
        if (toNumber(value, number))
            return true;
        fail(QCoreApplication::translate(
                 "imprimata", "Type mismatch on line %1: the %2 must be a number, not \"%3\".")
                 .arg(line())
                 .arg(name(), value));
        return false;
    }

    void fail(const QString &text) { error_ = text; }

    ValueReader values_;
    int index_ = 0;
    bool unclosed_ = false;
    QString value_;
    QString error_;
};

// Qt's text for an error it has no description of, looked up as Qt's own translation has it
// (a variable, so that it is not taken among the program's texts).
constexpr char QtUnknownError[] = "Unknown error";

// The file system's own description, with the file it is about.
QString fileError(const QString &path, const QFileDevice &file, const QString &fallback) {
    QString why = file.errorString();
    if (why.isEmpty() || why == QIODevice::tr(QtUnknownError))
        why = fallback;
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why);
}

// Reads a whole mark file of at most MaxMarkFileBytes. Only a regular file (or a link to one)
// is opened: a FIFO would block the open and a device might never end. It is checked before
// opening and again on what was opened, in case the name changed in between.
Result<QByteArray> readRegularFile(const QString &path) {
    const QString shown = QDir::toNativeSeparators(path);
    const auto notRegular = [&] {
        return Failure{
            QCoreApplication::translate("imprimata", "%1 is not a regular file.").arg(shown)};
    };
    const auto systemError = [&] {
        return Failure{QStringLiteral("%1: %2").arg(shown, qt_error_string(errno))};
    };
    if (const QFileInfo info(path); info.exists() && !info.isFile())
        return notRegular();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return systemError();
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return systemError();
    if (!S_ISREG(st.st_mode))
        return notRegular();

    QByteArray data;
    char chunk[16384];
    while (data.size() <= MaxMarkFileBytes) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return systemError();
        if (n == 0)
            break;
        data.append(chunk, n);
    }
    if (data.size() > MaxMarkFileBytes)
        return Failure{
            QCoreApplication::translate("imprimata", "%1: The file is too large to be a mark file.")
                .arg(shown)};
    return data;
}

} // namespace

QString fromWindows1251(const QByteArray &bytes) {
    QStringDecoder decoder(Windows1251, WholeText);
    return decoder.decode(bytes);
}

bool toWindows1251(const QString &text, QByteArray *bytes) {
    QStringEncoder encoder(Windows1251, WholeText);
    QByteArray out = encoder.encode(text);
    if (!encoder.isValid() || encoder.hasError())
        return false;
    *bytes = std::move(out);
    return true;
}

QString markFileHeader(MarkFileVersion version) {
    // The format's own version, which need not follow the program's.
    return QStringLiteral("%1, version 1.%2")
        .arg(QString::fromUtf8(ApplicationTitle))
        .arg(version == MarkFileVersion::V1_2 ? 2 : 1);
}

MarkFileVersion markFileVersionFor(const MarkSettings &mark) {
    return mark.RasterOp == AlphaBlendRasterOp || mark.SmoothEdges ? MarkFileVersion::V1_2
                                                                   : MarkFileVersion::V1_1;
}

Result<QByteArray> encodeMarkFile(const MarkSettings &mark) {
    const QString family = mark.Font ? mark.Font->font.family() : QString();
    const struct {
        const QString &value;
        const char *what;
    } strings[] = {{mark.MarkName, QT_TRANSLATE_NOOP("imprimata", "mark name")},
                   {family, QT_TRANSLATE_NOOP("imprimata", "font name")},
                   {mark.ImagePath, QT_TRANSLATE_NOOP("imprimata", "image path")},
                   {mark.Text, QT_TRANSLATE_NOOP("imprimata", "mark text")}};
    for (const auto &s : strings) {
        // Strings are stored between quotes with no escape, so a quote would cut the value.
        if (s.value.contains(u'"'))
            return Failure{QCoreApplication::translate(
                               "imprimata", "The %1 contains a double quote (\"), which a "
                                            "mark file cannot store. Nothing was saved.")
                               .arg(QCoreApplication::translate("imprimata", s.what))};
    }

    // A mark that never had a font is saved with the toolkit's default one.
    const FontSpec fallback;
    const FontSpec &markFont = mark.Font ? *mark.Font : fallback;
    const QFont &font = markFont.font;
    double size = font.pointSizeF();
    if (size <= 0)
        size = font.pixelSize() * 72.0 / screenDpi();

    const MarkFileVersion version = markFileVersionFor(mark);
    // In version 1.2 a raster operation of 0 is the Alpha blend, so a new record's 0 (a copy)
    // is written as the copy's own code.
    std::int32_t rasterOp = mark.RasterOp;
    if (version == MarkFileVersion::V1_2)
        rasterOp = rasterOp == AlphaBlendRasterOp ? 0
                   : rasterOp == 0                ? static_cast<std::int32_t>(SrcCopy)
                                                  : rasterOp;
    QStringList lines{quoted(markFileHeader(version)),
                      quoted(mark.MarkName),
                      QString::number(mark.ImageTransparency),
                      boolean(font.bold()),
                      QString::number(markFont.charSet),
                      boolean(font.italic()),
                      quoted(font.family()),
                      currency(size),
                      boolean(font.strikeOut()),
                      boolean(font.underline()),
                      QString::number(font.weight()),
                      QString::number(mark.Colour),
                      QString::number(mark.MarkHeight),
                      quoted(mark.ImagePath),
                      QString::number(mark.PrintMode),
                      QString::number(mark.Level),
                      QString::number(rasterOp),
                      quoted(mark.Text),
                      QString::number(mark.MarkType),
                      QString::number(mark.MarkWidth)};
    if (version == MarkFileVersion::V1_2)
        lines.append(boolean(mark.SmoothEdges));
    const QString text = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");

    // The single-byte code page when it reads back unchanged; otherwise nothing may be lost.
    QByteArray bytes;
    if (toWindows1251(text, &bytes) && decodeText(bytes) == text)
        return bytes;
    return Utf8Mark + text.toUtf8();
}

Result<MarkSettings> decodeMarkFile(const QByteArray &bytes) {
    FieldReader in(decodeText(bytes));
    const auto failed = [&] { return Failure{in.error()}; };
    // Each value is refused, with its line, as soon as it is read.
    const auto refused = [&](const QString &why) {
        in.invalid(why);
        return failed();
    };
    const auto notOption = [&] {
        return refused(QCoreApplication::translate("imprimata", "the %1 must be 0, 1 or 2, not %2.")
                           .arg(in.name(), in.value()));
    };

    // A header without its closing quote is not the header either.
    QString header;
    if (!in.readString(header) && !in.unclosed())
        return failed();
    if (in.unclosed() || (header != markFileHeader(MarkFileVersion::V1_1) &&
                          header != markFileHeader(MarkFileVersion::V1_2)))
        return Failure{QCoreApplication::translate("imprimata", InvalidFileStructure)};
    const bool version12 = header == markFileHeader(MarkFileVersion::V1_2);

    MarkSettings mark;
    auto markFont = std::make_shared<FontSpec>();
    mark.Font = markFont;
    QFont &font = markFont->font;
    bool flag = false;
    QString text;
    double size = 0;
    std::int16_t number = 0;

    if (!in.readString(mark.MarkName) || !in.readInteger(mark.ImageTransparency))
        return failed();
    if (!isOptionIndex(mark.ImageTransparency))
        return notOption();
    if (!in.readBoolean(flag))
        return failed();
    font.setBold(flag);
    if (!in.readInteger(number))
        return failed();
    // Character sets are numbered in a byte.
    if (number < 0 || number > 255)
        return refused(
            QCoreApplication::translate(
                "imprimata", "the font character set must lie between 0 and 255, not %1.")
                .arg(in.value()));
    markFont->charSet = number;
    if (!in.readBoolean(flag))
        return failed();
    font.setItalic(flag);
    if (!in.readString(text))
        return failed();
    font.setFamily(text);
    if (!in.readCurrency(size))
        return failed();
    if (size <= 0 || size > LargestFontSize)
        return refused(QCoreApplication::translate(
                           "imprimata", "the font size must be greater than 0 and at most %1 "
                                        "points, not %2.")
                           .arg(LargestFontSize)
                           .arg(in.value()));
    font.setPointSizeF(size);
    if (!in.readBoolean(flag))
        return failed();
    font.setStrikeOut(flag);
    if (!in.readBoolean(flag))
        return failed();
    font.setUnderline(flag);
    // Set after bold, so the weight decides how heavy the font is.
    if (!in.readInteger(number))
        return failed();
    if (number < 0 || number > 1000)
        return refused(QCoreApplication::translate(
                           "imprimata", "the font weight must lie between 0 and 1000, not %1.")
                           .arg(in.value()));
    font.setWeight(weightFromFile(number));
    if (!in.readInteger(mark.Colour))
        return failed();
    if (!isMarkColour(mark.Colour))
        return refused(QCoreApplication::translate(
                           "imprimata",
                           "the colour %1 is neither a red, green and blue value nor a "
                           "system colour.")
                           .arg(in.value()));
    if (!in.readInteger(mark.MarkHeight) || !in.readString(mark.ImagePath) ||
        !in.readInteger(mark.PrintMode))
        return failed();
    if (!isOptionIndex(mark.PrintMode))
        return notOption();
    if (!in.readInteger(mark.Level))
        return failed();
    if (!isOptionIndex(mark.Level))
        return notOption();
    if (!in.readInteger(mark.RasterOp))
        return failed();
    // 0 is a new mark's value until the editor first stores one of its eight; in version 1.2
    // it is the Alpha blend.
    if (mark.RasterOp == 0 && version12)
        mark.RasterOp = AlphaBlendRasterOp;
    else if (mark.RasterOp != 0 && rasterOpRow(static_cast<std::uint32_t>(mark.RasterOp)) < 0)
        return refused(QCoreApplication::translate(
                           "imprimata", "the raster operation %1 is not one of the editor's eight.")
                           .arg(in.value()));
    // Any type is kept: the commands that use the mark refuse one they cannot stamp.
    if (!in.readString(mark.Text) || !in.readInteger(mark.MarkType) ||
        !in.readInteger(mark.MarkWidth))
        return failed();
    if (!version12)
        return mark;
    // Without its last line the file is not of the version it claims.
    if (in.atEnd())
        return Failure{QCoreApplication::translate("imprimata", InvalidFileStructure)};
    if (!in.readBoolean(mark.SmoothEdges))
        return failed();
    return mark;
}

Result<void> writeMarkFile(const QString &path, const MarkSettings &mark) {
    const Result<QByteArray> encoded = encodeMarkFile(mark);
    if (!encoded)
        return Failure{encoded.error()};
    const QByteArray &bytes = encoded.value();
    // Written beside the old file and renamed over it only when complete.
    QSaveFile file(path);
    // Unbuffered, so a short write (disk full, size limit) is seen here rather than lost in a
    // flush that reports success.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Failure{fileError(
            path, file, QCoreApplication::translate("imprimata", "The file cannot be created."))};
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            const QString why =
                fileError(path, file,
                          QCoreApplication::translate("imprimata", "The file cannot be written."));
            file.cancelWriting();
            return Failure{why};
        }
        done += n;
    }
    if (!file.commit())
        return Failure{fileError(
            path, file, QCoreApplication::translate("imprimata", "The file cannot be written."))};
    return {};
}

Result<MarkSettings> readMarkFile(const QString &path) {
    const Result<QByteArray> bytes = readRegularFile(path);
    if (!bytes)
        return Failure{bytes.error()};
    return decodeMarkFile(bytes.value());
}

bool SaveMarkFile(const QString &path, const MarkSettings &mark, DialogService &dialogs) {
    if (const Result<void> written = writeMarkFile(path, mark); !written) {
        dialogs.message(written.error(), MessageIcon::Error);
        return false;
    }
    return true;
}

bool LoadMarkFile(const QString &path, MarkSettings &record, DialogService &dialogs) {
    Result<MarkSettings> loaded = readMarkFile(path);
    if (!loaded) {
        dialogs.message(loaded.error(), MessageIcon::Error);
        return false;
    }
    record = std::move(loaded).value();
    return true;
}

} // namespace imprimata
