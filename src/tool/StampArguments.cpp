#include "StampArguments.h"

#include "platform/Numeric.h"

#include <QThread>
#include <algorithm>
#include <iterator>

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

} // namespace

ParsedArguments parseStampArguments(const QStringList &arguments) {
    ParsedArguments parsed;
    StampOptions &o = parsed.options;
    const auto fail = [&parsed](const QString &why) {
        // The first mistake is the one worth reading; --help may still come later.
        if (parsed.error.isEmpty())
            parsed.error = why;
    };

    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (optionsEnded || !arg.startsWith(u'-') || arg == u"-") {
            o.pictures << arg;
            continue;
        }
        if (arg == u"--") {
            optionsEnded = true;
            continue;
        }
        if (arg == u"-h" || arg == u"--help") {
            parsed.help = true;
            continue;
        }
        if (arg == u"--overwrite") {
            o.overwrite = true;
            continue;
        }
        if (arg == u"--reencode") {
            o.reencode = true;
            continue;
        }

        // Every other option takes a value, as "--name value" or "--name=value".
        QString name = arg;
        QString value;
        bool hasValue = false;
        const qsizetype equals = arg.indexOf(u'=');
        if (arg.startsWith(u"--") && equals > 0) {
            name = arg.left(equals);
            value = arg.mid(equals + 1);
            hasValue = true;
        }
        static const char *const valued[] = {"--mark", "--at", "--anchor", "--quality",
                                             "--jobs", "-o",   "--out-dir"};
        if (std::none_of(std::begin(valued), std::end(valued),
                         [&name](const char *v) { return name == QLatin1String(v); })) {
            fail(QStringLiteral("unknown option %1").arg(name));
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= arguments.size()) {
                fail(QStringLiteral("%1 needs a value").arg(name));
                continue;
            }
            value = arguments[++i];
        }

        if (name == u"--mark") {
            o.markPath = value;
        } else if (name == u"--at") {
            if (!parsePoint(value, o.at))
                fail(QStringLiteral("--at wants two whole numbers X,Y, not \"%1\"").arg(value));
        } else if (name == u"--anchor") {
            if (!parseAnchor(value, o.anchor))
                fail(QStringLiteral("--anchor wants top-left, top-right, bottom-left, "
                                    "bottom-right or centre, not \"%1\"")
                         .arg(value));
        } else if (name == u"--quality") {
            if (int quality = 0; parseRange(value, 1, 100, quality))
                o.quality = quality;
            else
                fail(QStringLiteral("--quality wants a number from 1 to 100, not \"%1\"")
                         .arg(value));
        } else if (name == u"--jobs") {
            if (!parseRange(value, 1, MaxJobs, o.jobs))
                fail(QStringLiteral("--jobs wants a number from 1 to %1, not \"%2\"")
                         .arg(MaxJobs)
                         .arg(value));
        } else if (name == u"-o") {
            o.output = value;
        } else {
            o.outDir = value;
        }
    }

    if (o.markPath.isEmpty())
        fail(QStringLiteral("no mark file: give one with --mark"));
    if (!o.output.isEmpty() && !o.outDir.isEmpty())
        fail(QStringLiteral("give either -o or --out-dir, not both"));
    else if (o.output.isEmpty() && o.outDir.isEmpty())
        fail(QStringLiteral("no output: give -o OUTPUT for one picture or --out-dir DIR"));
    if (o.pictures.isEmpty())
        fail(QStringLiteral("no picture to stamp"));
    else if (!o.output.isEmpty() && o.pictures.size() > 1)
        fail(QStringLiteral("-o takes one picture; use --out-dir for several"));
    return parsed;
}

QString stampUsage() {
    return QStringLiteral(
               "Usage: imprimata-stamp --mark MARK.$IM [options] -o OUTPUT PICTURE\n"
               "       imprimata-stamp --mark MARK.$IM [options] --out-dir DIR PICTURE...\n"
               "\n"
               "Stamps the mark of an Imprimata mark file into pictures, pixel for pixel as\n"
               "Imprimata's Insert does with the placement window at the same place, and\n"
               "saves the results. No display is needed.\n"
               "\n"
               "  --mark FILE      the mark file saved by Imprimata (\"Save as ...\" in its\n"
               "                   mark menu)\n"
               "  --at X,Y         where the mark goes, in picture pixels (default 0,0): the\n"
               "                   pixel under the top-left pixel of the mark view, which is\n"
               "                   the mark's size plus a pixel on each side. Negative values\n"
               "                   and places past the edges are allowed; only the part that\n"
               "                   lies on the picture is stamped.\n"
               "  --anchor CORNER  top-left (default), top-right, bottom-left, bottom-right or\n"
               "                   centre: X and Y then run inward from that corner of the\n"
               "                   picture to the same corner of the mark view (for centre,\n"
               "                   from centre to centre, X to the right and Y down), so one\n"
               "                   command marks portrait and landscape pictures alike.\n"
               "  --quality N      JPEG quality from 1 to 100; encodes the whole picture\n"
               "                   again (default: a JPEG's own quality, else %1)\n"
               "  --reencode       encode the whole picture again even from a JPEG, at\n"
               "                   its own quality and sampling\n"
               "  --overwrite      replace output files that already exist\n"
               "  --jobs N         pictures stamped at the same time (default: one per core,\n"
               "                   %2 here)\n"
               "  -o OUTPUT        the output file for a single PICTURE\n"
               "  --out-dir DIR    the folder for the outputs, created when missing; each\n"
               "                   output keeps its picture's file name\n"
               "  -h, --help       show this text\n"
               "\n"
               "The output's name decides its format, as in Imprimata: a name ending in .bmp,\n"
               "in any letter case, is written as a bitmap, any other name as JPEG, which\n"
               "keeps the picture's EXIF, IPTC and XMP metadata. A JPEG stamped into a JPEG\n"
               "loses nothing outside the mark: only the blocks of 8 x 8 or 16 x 16 pixels\n"
               "that the mark touches are encoded again, with the picture's own quality.\n"
               "Outputs are written whole or not at all. Nothing is overwritten without\n"
               "--overwrite, and a picture of the batch is never overwritten.\n"
               "\n"
               "A picture that cannot be stamped (unreadable, damaged, too large, missed by\n"
               "the mark, not writable) gets one line on standard error naming it and the\n"
               "reason, and no output; the others go on. With several pictures, each one\n"
               "gets a progress line and a summary closes the run.\n"
               "\n"
               "Exit status: 0 every picture stamped, 1 some pictures failed, 2 bad arguments\n"
               "or a mark file that cannot be used (nothing is stamped then).\n"
               "\n"
               "Example: mark a folder of photographs 40 pixels in from the bottom-right\n"
               "corner, whichever way up they are:\n"
               "  imprimata-stamp --mark 'signature.$IM' --anchor bottom-right --at 40,40 \\\n"
               "                  --out-dir marked holiday/*.jpg\n")
        .arg(DefaultJpegQuality)
        .arg(std::max(1, QThread::idealThreadCount()));
}

QPoint markPosition(QSize picture, QSize view, QPoint offset, Anchor anchor) {
    const qint64 pw = picture.width(), ph = picture.height();
    const qint64 vw = view.width(), vh = view.height();
    qint64 x = offset.x(), y = offset.y();
    switch (anchor) {
    case Anchor::TopLeft:
        break;
    case Anchor::TopRight:
        x = pw - vw - x;
        break;
    case Anchor::BottomLeft:
        y = ph - vh - y;
        break;
    case Anchor::BottomRight:
        x = pw - vw - x;
        y = ph - vh - y;
        break;
    case Anchor::Centre:
        x += roundHalfEven(static_cast<double>(pw - vw) / 2);
        y += roundHalfEven(static_cast<double>(ph - vh) / 2);
        break;
    }
    // Anything beyond one view's size off an edge misses the picture just the same.
    x = std::clamp(x, -vw, pw);
    y = std::clamp(y, -vh, ph);
    return {static_cast<int>(x), static_cast<int>(y)};
}

} // namespace imprimata
