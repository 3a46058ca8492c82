#pragma once

#include "mark/MarkSettings.h"
#include "platform/Metadata.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace imprimata {

// The corner (or the centre) of the picture that --at is measured from.
enum class Anchor { TopLeft, TopRight, BottomLeft, BottomRight, Centre };

// --shard K/N: this run's share of a batch that N runs split between them.
struct Shard {
    int index = 0; // K, from 0
    int count = 1; // N
    friend bool operator==(const Shard &, const Shard &) = default;
};

// --report: what standard output gets; without it, nothing.
enum class ReportFormat { None, Json };

struct StampOptions {
    QString markPath;
    std::optional<MarkSettings> mark; // the mark itself, for a caller that holds it: no file read
    QPoint at{0, 0};
    Anchor anchor = Anchor::TopLeft;
    // A JPEG stamped into a JPEG has only the blocks the mark touches encoded again, unless a
    // quality is asked for or reencode is set: then the whole picture is, at that quality or
    // DefaultJpegQuality.
    std::optional<int> quality;
    bool reencode = false;
    // --size: the mark's width as a percentage of each picture's width (1 to 100), its height
    // in proportion; without it the mark keeps its own size.
    std::optional<double> sizePercent;
    MetadataKept strip = MetadataKept::All; // --strip location, --strip all
    bool overwrite = false;
    bool skipExisting = false; // an output already there skips its picture
    ReportFormat report = ReportFormat::None;
    int jobs = 0;               // 0: one per core
    QString output;             // -o: the single picture's output file
    QString outDir;             // --out-dir: outputs keep their inputs' file names
    QString pictureList;        // --from-list: a file naming pictures, "-" for standard input
    bool nulSeparated = false;  // -0: the list's names end in NUL, not a line end
    std::optional<Shard> shard; // --shard K/N
    QStringList pictures;       // those of the command line, then those of the list
};

// The picture pixel where the mark view's top-left pixel goes. `offset` runs inward from the
// anchor corner of the picture to the same corner of the view; for the centre, from centre to
// centre, x to the right and y down. Positions far off the picture are pulled in to just
// outside it, which misses it the same way and keeps the arithmetic in range.
QPoint markPosition(QSize picture, QSize view, QPoint offset, Anchor anchor);

// A place on every picture of a batch, given as markPosition takes it.
struct MarkPlace {
    Anchor anchor = Anchor::TopLeft;
    QPoint offset{0, 0};
    friend bool operator==(const MarkPlace &, const MarkPlace &) = default;
};

// The place of a mark view lying at `view` on one picture, measured from the picture's corner
// nearest to the view's centre, so pictures of other sizes and shapes get the mark at the same
// corner and distance.
MarkPlace nearestCornerPlace(QSize picture, const QRect &view);

} // namespace imprimata
