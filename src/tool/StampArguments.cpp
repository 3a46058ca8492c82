#include "StampArguments.h"

#include "platform/Numeric.h"

#include "batch/StampRunner.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <limits>

namespace imprimata {

namespace {

constexpr int MaxJobs = 1024;

bool parseAnchor(const QString &name, Anchor &anchor) {
    static const struct {
        const char *name;
        Anchor anchor;
    } names[] = {{"top-left", Anchor::TopLeft},       {"top-right", Anchor::TopRight},
                 {"bottom-left", Anchor::BottomLeft}, {"bottom-right", Anchor::BottomRight},
                 {"centre", Anchor::Centre},          {"center", Anchor::Centre}};
    for (const auto &n : names) {
        if (name == QLatin1String(n.name)) {
            anchor = n.anchor;
            return true;
        }
    }
    return false;
}

bool parsePoint(const QString &text, QPoint &point) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 2)
        return false;
    bool okX = false, okY = false;
    const int x = parts[0].toInt(&okX);
    const int y = parts[1].toInt(&okY);
    if (!okX || !okY)
        return false;
    point = {x, y};
    return true;
}

bool parseRange(const QString &text, int low, int high, int &value) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    value = v;
    return true;
}

// "P%" or "P", P from 1 to 100 with decimals allowed.
bool parsePercent(QString text, std::optional<double> &percent) {
    if (text.endsWith(u'%'))
        text.chop(1);
    bool ok = false;
    const double p = text.toDouble(&ok);
    if (!ok || !(p >= 1 && p <= 100))
        return false;
    percent = p;
    return true;
}

// An option named as a user would have typed it.
QString spelled(const QString &name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

bool parseShard(const QString &text, std::optional<Shard> &shard) {
    const QStringList parts = text.split(u'/');
    Shard parsed;
    if (parts.size() != 2 ||
        !parseRange(parts[1], 1, std::numeric_limits<int>::max(), parsed.count) ||
        !parseRange(parts[0], 0, parsed.count - 1, parsed.index))
        return false;
    shard = parsed;
    return true;
}

// Every option, with the explanation --help gives; the parser and the help text share them.
// Returns the spellings of those that take a value.
QStringList addStampOptions(QCommandLineParser &parser) {
    // "-o" and "-0" are single letters; a longer name after one dash is a mistake, not letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    QStringList valued;
    const auto option = [&parser, &valued](const QStringList &names, const QString &text,
                                           const QString &value = {}) {
        parser.addOption(QCommandLineOption(names, text, value));
        if (!value.isEmpty())
            for (const QString &name : names)
                valued << spelled(name);
    };
    option({"mark"},
           QCoreApplication::translate(
               "imprimata", "the mark file saved by Imprimata (\"Save as ...\" in its mark menu)"),
           QCoreApplication::translate("imprimata", "FILE"));
    option({"at"},
           QCoreApplication::translate(
               "imprimata",
               "where the mark goes, in picture pixels (default 0,0): the pixel under the "
               "top-left pixel of the mark view, which is the mark's size plus a pixel on each "
               "side. Negative values and places past the edges are allowed; only the part that "
               "lies on the picture is stamped."),
           QCoreApplication::translate("imprimata", "X,Y"));
    option({"anchor"},
           QCoreApplication::translate(
               "imprimata",
               "top-left (default), top-right, bottom-left, bottom-right or centre: X and Y then "
               "run inward from that corner of the picture to the same corner of the mark view "
               "(for centre, from centre to centre, X to the right and Y down), so one command "
               "marks portrait and landscape pictures alike."),
           QCoreApplication::translate("imprimata", "CORNER"));
    option({"quality"},
           QCoreApplication::translate(
               "imprimata", "JPEG and WebP quality from 1 to 100 (100 makes a lossless WebP); "
                            "encodes the whole picture again (default: a JPEG's own quality, "
                            "else %1)")
               .arg(DefaultJpegQuality),
           QCoreApplication::translate("imprimata", "N"));
    option({"reencode"},
           QCoreApplication::translate(
               "imprimata",
               "encode the whole picture again even from a JPEG, at its own quality and sampling"));
    option({"size"},
           QCoreApplication::translate(
               "imprimata",
               "make the mark P percent (1 to 100, decimals allowed) of each picture's width, its "
               "height in proportion: a text mark's font is scaled, an image mark's picture "
               "resampled smoothly. --at and --anchor then place the scaled mark."),
           QCoreApplication::translate("imprimata", "P%"));
    option({"strip"},
           QCoreApplication::translate(
               "imprimata",
               "location: remove where the pictures were taken (EXIF GPS data, XMP and IPTC "
               "location fields) from the outputs; all: remove every metadata block but the "
               "colour profile"),
           QCoreApplication::translate("imprimata", "WHAT"));
    option({"overwrite"},
           QCoreApplication::translate("imprimata", "replace output files that already exist"));
    option({"skip-existing"},
           QCoreApplication::translate(
               "imprimata",
               "leave output files that already exist as they are and skip their pictures, which "
               "is no failure: an interrupted run, started again, does only what is left"));
    option({"jobs"},
           QCoreApplication::translate(
               "imprimata", "pictures stamped at the same time (default: one per core, %1 here)")
               .arg(std::max(1, QThread::idealThreadCount())),
           QCoreApplication::translate("imprimata", "N"));
    option({"o"}, QCoreApplication::translate("imprimata", "the output file for a single PICTURE"),
           QCoreApplication::translate("imprimata", "OUTPUT"));
    option({"out-dir"},
           QCoreApplication::translate(
               "imprimata",
               "the folder for the outputs, created when missing; each output keeps its picture's "
               "file name"),
           QCoreApplication::translate("imprimata", "DIR"));
    option({"from-list"},
           QCoreApplication::translate(
               "imprimata",
               "stamp the pictures named in FILE, one a line, besides those named on the command "
               "line; - reads the list from standard input"),
           QCoreApplication::translate("imprimata", "FILE"));
    option({"0", "null"},
           QCoreApplication::translate(
               "imprimata", "the names of the list end in a NUL character, not a line end, as "
                            "find -print0 writes them; names may then hold line ends"));
    option({"shard"},
           QCoreApplication::translate(
               "imprimata",
               "stamp only this run's share of the pictures, when N runs split one batch: those "
               "at positions K, K + N, K + 2N ... (from 0) of all the pictures sorted by name. "
               "Each run gets the same pictures and options and its own K, from 0 up to N minus "
               "1; together they stamp every picture once."),
           QCoreApplication::translate("imprimata", "K/N"));
    option({"report"},
           QCoreApplication::translate(
               "imprimata",
               "json: also write one JSON object a line on standard output for each picture and "
               "one for the whole run (see Report below); progress stays on standard error"),
           QCoreApplication::translate("imprimata", "FORMAT"));
    option({"h", "help"}, QCoreApplication::translate("imprimata", "show this text"));
    option({"version"}, QCoreApplication::translate("imprimata", "show the version"));
    return valued;
}

} // namespace

ParsedArguments parseStampArguments(const QStringList &arguments, const ListReader &readList) {
    ParsedArguments parsed;
    StampOptions &o = parsed.options;
    const auto fail = [&parsed](const QString &why) {
        // The first mistake is the one worth reading; --help may still come later.
        if (parsed.error.isEmpty())
            parsed.error = why;
    };

    QCommandLineParser parser;
    const QStringList valued = addStampOptions(parser);
    if (!parser.parse(QStringList{QStringLiteral("imprimata-stamp")} + arguments)) {
        if (!parser.unknownOptionNames().isEmpty())
            fail(QCoreApplication::translate("imprimata", "unknown option %1")
                     .arg(spelled(parser.unknownOptionNames()[0])));
        // Only the last argument can miss its value: an option takes the next one, dash or not.
        else if (const QString last = arguments.value(arguments.size() - 1); valued.contains(last))
            fail(QCoreApplication::translate("imprimata", "%1 needs a value").arg(last));
        else
            fail(parser.errorText());
    }
    parsed.help = parser.isSet(QStringLiteral("help"));
    parsed.version = parser.isSet(QStringLiteral("version"));

    // An option given twice keeps its last value; each is checked.
    const auto each = [&parser](const char *name, const auto &take) {
        for (const QString &value : parser.values(QLatin1String(name)))
            take(value);
    };
    each("mark", [&](const QString &value) { o.markPath = value; });
    each("at", [&](const QString &value) {
        if (!parsePoint(value, o.at))
            fail(QCoreApplication::translate("imprimata",
                                             "--at wants two whole numbers X,Y, not \"%1\"")
                     .arg(value));
    });
    each("anchor", [&](const QString &value) {
        if (!parseAnchor(value, o.anchor))
            fail(QCoreApplication::translate("imprimata",
                                             "--anchor wants top-left, top-right, bottom-left, "
                                             "bottom-right or centre, not \"%1\"")
                     .arg(value));
    });
    each("quality", [&](const QString &value) {
        if (int quality = 0; parseRange(value, 1, 100, quality))
            o.quality = quality;
        else
            fail(QCoreApplication::translate("imprimata",
                                             "--quality wants a number from 1 to 100, not \"%1\"")
                     .arg(value));
    });
    each("size", [&](const QString &value) {
        if (!parsePercent(value, o.sizePercent))
            fail(QCoreApplication::translate(
                     "imprimata", "--size wants a percentage from 1 to 100, like 10% or 12.5%, "
                                  "not \"%1\"")
                     .arg(value));
    });
    each("strip", [&](const QString &value) {
        if (value == u"location")
            o.strip = MetadataKept::NoLocation;
        else if (value == u"all")
            o.strip = MetadataKept::ColourProfile;
        else
            fail(QCoreApplication::translate("imprimata",
                                             "--strip wants location or all, not \"%1\"")
                     .arg(value));
    });
    each("jobs", [&](const QString &value) {
        if (!parseRange(value, 1, MaxJobs, o.jobs))
            fail(QCoreApplication::translate("imprimata",
                                             "--jobs wants a number from 1 to %1, not \"%2\"")
                     .arg(MaxJobs)
                     .arg(value));
    });
    each("shard", [&](const QString &value) {
        if (!parseShard(value, o.shard))
            fail(QCoreApplication::translate(
                     "imprimata", "--shard wants K/N, two whole numbers with 0 <= K < N, "
                                  "not \"%1\"")
                     .arg(value));
    });
    each("report", [&](const QString &value) {
        if (value == u"json")
            o.report = ReportFormat::Json;
        else
            fail(QCoreApplication::translate("imprimata", "--report wants json, not \"%1\"")
                     .arg(value));
    });
    each("o", [&](const QString &value) { o.output = value; });
    each("out-dir", [&](const QString &value) { o.outDir = value; });
    each("from-list", [&](const QString &value) { o.pictureList = value; });
    o.reencode = parser.isSet(QStringLiteral("reencode"));
    o.overwrite = parser.isSet(QStringLiteral("overwrite"));
    o.skipExisting = parser.isSet(QStringLiteral("skip-existing"));
    o.nulSeparated = parser.isSet(QStringLiteral("0"));
    o.pictures = parser.positionalArguments();

    if (o.markPath.isEmpty())
        fail(QCoreApplication::translate("imprimata", "no mark file: give one with --mark"));
    if (o.overwrite && o.skipExisting)
        fail(QCoreApplication::translate("imprimata",
                                         "give either --overwrite or --skip-existing, not both"));
    if (!o.output.isEmpty() && !o.outDir.isEmpty())
        fail(QCoreApplication::translate("imprimata", "give either -o or --out-dir, not both"));
    else if (o.output.isEmpty() && o.outDir.isEmpty())
        fail(QCoreApplication::translate(
            "imprimata", "no output: give -o OUTPUT for one picture or --out-dir DIR"));
    if (o.nulSeparated && o.pictureList.isEmpty())
        fail(QCoreApplication::translate(
            "imprimata", "-0 describes the list of --from-list, and there is none"));
    // Standard input may be a pipe that never ends: nothing is read before it is needed.
    if (!o.pictureList.isEmpty() && parsed.ok() && !parsed.help && !parsed.version) {
        if (const Result<QByteArray> list = readList(o.pictureList))
            o.pictures += splitPictureList(*list, o.nulSeparated);
        else
            fail(list.error());
    }
    if (o.pictures.isEmpty())
        fail(QCoreApplication::translate("imprimata", "no picture to stamp"));
    else if (!o.output.isEmpty() && o.pictures.size() > 1)
        fail(QCoreApplication::translate("imprimata",
                                         "-o takes one picture; use --out-dir for several"));
    return parsed;
}

Result<QByteArray> readListSource(const QString &source) {
    QFile list(source);
    const bool opened =
        source == u"-" ? list.open(stdin, QIODevice::ReadOnly) : list.open(QIODevice::ReadOnly);
    QByteArray bytes;
    if (opened)
        bytes = list.readAll();
    if (!opened || list.error() != QFileDevice::NoError)
        return Failure{
            QCoreApplication::translate("imprimata", "the picture list %1 cannot be read: %2")
                .arg(source == u"-" ? QCoreApplication::translate("imprimata", "on standard input")
                                    : QDir::toNativeSeparators(source),
                     list.errorString())};
    return bytes;
}

QStringList splitPictureList(const QByteArray &list, bool nulSeparated) {
    QStringList names;
    for (const QByteArray &name : list.split(nulSeparated ? '\0' : '\n'))
        if (!name.isEmpty())
            names << QFile::decodeName(name);
    return names;
}

QString stampUsage() {
    QCommandLineParser parser;
    addStampOptions(parser);
    // Our usage lines stand in for Qt's own.
    const QString options = parser.helpText().section(u'\n', 1);
    return QCoreApplication::translate(
               "imprimata",
               "Usage: imprimata-stamp --mark MARK.$IM [options] -o OUTPUT PICTURE\n"
               "       imprimata-stamp --mark MARK.$IM [options] --out-dir DIR PICTURE...\n"
               "       imprimata-stamp --mark MARK.$IM [options] --out-dir DIR --from-list LIST\n"
               "\n"
               "Stamps the mark of an Imprimata mark file into pictures, pixel for pixel as\n"
               "Imprimata's Insert does with the placement window at the same place, and\n"
               "saves the results. No display is needed.\n") +
           options + u'\n' +
           QCoreApplication::translate(
               "imprimata",
               "The output's name decides its format, as in Imprimata, in any letter case:\n"
               ".bmp is written as a bitmap, .png as PNG, .tif or .tiff as TIFF, .webp as\n"
               "WebP (lossy at --quality, lossless at --quality 100), any other name as\n"
               "JPEG. Pictures are read from JPEG, BMP, GIF, PNG, TIFF and WebP files.\n"
               "JPEG, PNG, TIFF and WebP outputs keep the picture's EXIF, IPTC (not WebP)\n"
               "and XMP metadata and its colour profile, unless --strip removes them; PNG,\n"
               "TIFF and WebP outputs keep its transparency. A picture of 16 bits a channel\n"
               "is saved with 8, and its line says so. A JPEG stamped into a JPEG loses\n"
               "nothing outside the mark: only the blocks of 8 x 8 or 16 x 16 pixels that\n"
               "the mark touches are encoded again, with the picture's own quality.\n"
               "Outputs are written whole or not at all. Nothing is overwritten without\n"
               "--overwrite, and a picture of the batch is never overwritten. With\n"
               "--skip-existing a picture whose output exists is skipped, not failed, so\n"
               "a run that was stopped can be started again as it was.\n") +
           u'\n' +
           QCoreApplication::translate(
               "imprimata",
               "A picture that cannot be stamped (unreadable, damaged, too large, missed by\n"
               "the mark, not writable) gets one line on standard error naming it and the\n"
               "reason, and no output; the others go on. With several pictures, each one\n"
               "gets a progress line and a summary closes the run.\n") +
           u'\n' +
           QCoreApplication::translate(
               "imprimata",
               "Exit status:\n"
               "  0  every picture stamped or skipped (with --shard, of this share)\n"
               "  1  some pictures failed\n"
               "  2  bad arguments, an unreadable list or a mark file that cannot be used\n"
               "     (nothing is stamped then)\n") +
           u'\n' +
           QCoreApplication::translate(
               "imprimata",
               "Report: with --report json, standard output gets a line for each picture\n"
               "of the run as it finishes, then one for the run, each a JSON object:\n"
               "  {\"input\":\"a.jpg\",\"message\":\"\",\"milliseconds\":84,\n"
               "   \"output\":\"marked/a.jpg\",\"status\":\"stamped\",\"type\":\"picture\"}\n"
               "status is stamped, failed or skipped; message says why it failed or was\n"
               "skipped, or what a stamped picture lost, and is empty otherwise. The last\n"
               "line counts the run:\n"
               "  {\"exitStatus\":1,\"failed\":1,\"milliseconds\":5210,\"skipped\":0,\n"
               "   \"stamped\":41,\"type\":\"summary\"}\n"
               "With --shard, a run reports the pictures of its share alone. A run that\n"
               "cannot start (exit status 2) writes nothing there.\n") +
           u'\n' +
           QCoreApplication::translate(
               "imprimata",
               "Examples: mark a folder of photographs 40 pixels in from the bottom-right\n"
               "corner, whichever way up they are:\n"
               "  imprimata-stamp --mark 'signature.$IM' --anchor bottom-right --at 40,40 \\\n"
               "                  --out-dir marked holiday/*.jpg\n"
               "Every JPEG under a folder, the second of three machines' shares:\n"
               "  find photos -name '*.jpg' -print0 |\n"
               "    imprimata-stamp --mark 'signature.$IM' --out-dir marked --from-list - -0 \\\n"
               "                    --shard 1/3\n"
               "The pictures that failed, from the report:\n"
               "  imprimata-stamp --mark 'signature.$IM' --out-dir marked --report json \\\n"
               "                  --skip-existing holiday/*.jpg |\n"
               "    jq -r 'select(.status == \"failed\") | \"\\(.input): \\(.message)\"'\n");
}

} // namespace imprimata
