#pragma once

#include "platform/PictureWriter.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace imprimata {

// The corner (or the centre) of the picture that --at is measured from.
enum class Anchor { TopLeft, TopRight, BottomLeft, BottomRight, Centre };

struct StampOptions {
    QString markPath;
    QPoint at{0, 0};
    Anchor anchor = Anchor::TopLeft;
    // A JPEG stamped into a JPEG has only the blocks the mark touches encoded again, unless a
    // quality is asked for or reencode is set: then the whole picture is, at that quality or
    // DefaultJpegQuality.
    std::optional<int> quality;
    bool reencode = false;
    bool overwrite = false;
    int jobs = 0;   // 0: one per core
    QString output; // -o: the single picture's output file
    QString outDir; // --out-dir: outputs keep their inputs' file names
    QStringList pictures;
};

struct ParsedArguments {
    StampOptions options;
    bool help = false;
    QString error; // empty when the arguments are usable
    bool ok() const { return error.isEmpty(); }
};

// Reads the command line (without the program name). --help wins over any mistake.
ParsedArguments parseStampArguments(const QStringList &arguments);

// What --help prints.
QString stampUsage();

// The picture pixel where the mark view's top-left pixel goes. `offset` runs inward from the
// anchor corner of the picture to the same corner of the view; for the centre, from centre to
// centre, x to the right and y down. Positions far off the picture are pulled in to just
// outside it, which misses it the same way and keeps the arithmetic in range.
QPoint markPosition(QSize picture, QSize view, QPoint offset, Anchor anchor);

} // namespace imprimata
