#pragma once

#include "StampArguments.h"
#include "mark/MarkSettings.h"
#include "placement/MarkStamping.h"

#include <QImage>
#include <QString>
#include <array>

namespace imprimata {

// A mark read from its file and drawn once into its mark view, ready for any number of
// pictures.
class PreparedMark {
public:
    // False, with the reason, for a mark file that cannot be used: unreadable, bad header
    // ("Invalid file structure"), a mark with nothing to stamp or an image that cannot be read.
    bool load(const QString &path, QString *error);

    const MarkSettings &settings() const { return mark_; }
    QSize viewSize() const { return surfaces_.size(); }

    // Stamps the mark into the picture with the view's top-left pixel at `at`, as Insert
    // does. False when the mark misses the picture; nothing is drawn then. Each call works on
    // surfaces of its own, so several threads may stamp at once.
    bool stampInto(Surface &picture, QPoint at) const;

private:
    MarkSettings mark_;
    MarkSurfaces surfaces_;
    std::array<int, 3> steps_ = SharedState().StepTable;
};

struct PictureTask {
    QString input;
    QString output;
    QString refusal; // set when the output may not be written at all
};

struct StampResult {
    bool ok = false;
    QString reason;  // why it failed
    QString warning; // what a stamped picture lost on the way (its metadata)
};

// Reads, stamps and writes one picture. On failure nothing is written.
StampResult stampPicture(const PreparedMark &mark, const PictureTask &task,
                         const StampOptions &options);

// The one place a stamped picture is written. A JPEG keeps the input's metadata; when it
// cannot, the picture is written all the same and *warning says what was lost.
bool saveStamped(const QImage &image, const PictureTask &task, int quality, QString *error,
                 QString *warning);

} // namespace imprimata
