#pragma once

#include "BatchOptions.h"
#include "MemoryBudget.h"
#include "mark/MarkSettings.h"
#include "placement/MarkStamping.h"
#include "platform/PictureWriter.h"

#include <QImage>
#include <QString>
#include <array>
#include <functional>

namespace imprimata {

// A mark read from its file and drawn once into its mark view, ready for any number of
// pictures.
class PreparedMark {
public:
    // Reads and checks the mark file. Fails for a mark that cannot be used: unreadable, bad
    // header ("Invalid file structure"), nothing to stamp, or an image mark whose picture
    // cannot be read (an image mark is drawn here).
    Result<void> load(const QString &path);
    // The same checks of a mark the caller holds.
    Result<void> use(const MarkSettings &mark);
    // Draws a text mark's view, which cannot fail. The first text drawn loads the fonts, which
    // takes a while: the runner does it while the first pictures are being read.
    void finish();

    // The mark drawn again with its width `percent` % of a picture's width, its height in
    // proportion (--size). Fails when an image mark's picture can no longer be read, or the
    // mark would be too large to draw.
    Result<PreparedMark> sizedFor(int pictureWidth, double percent) const;

    const MarkSettings &settings() const { return mark_; }
    QSize viewSize() const { return view_; }
    // The pixels that stamping a picture of this size with the view's top-left pixel at `at`
    // changes at most; empty when the mark misses the picture.
    QRect areaAt(QSize picture, QPoint at) const;

    // Stamps the mark into the picture with the view's top-left pixel at `at`, as Insert
    // does. False when the mark misses the picture; nothing is drawn then. Each call works on
    // surfaces of its own, so several threads may stamp at once.
    bool stampInto(Surface &picture, QPoint at) const;

private:
    MarkSettings mark_;
    QSize view_;
    MarkSurfaces surfaces_;
    bool drawn_ = false;
    std::array<int, 3> steps_ = SharedState().StepTable;
};

struct PictureTask {
    QString input;
    QString output;
    QString refusal; // set when the output may not be written at all
};

// Reads, stamps and writes one picture; on failure nothing is written. A stamped picture may
// carry a warning of what it lost on the way (its metadata). A JPEG stamped into a JPEG keeps
// every block the mark does not touch, unless the options say otherwise or its coding does
// not allow it. The mark may still be being drawn meanwhile: untilDrawn, called right before
// stamping, waits for it. The picture's pixels are claimed from the budget before it is read.
Result<PictureWritten> stampPicture(const PreparedMark &mark,
                                    const std::function<void()> &untilDrawn,
                                    const PictureTask &task, const StampOptions &options,
                                    MemoryBudget &budget);

// The one place a stamped picture is written. A JPEG keeps the input's metadata; when it
// cannot, the picture is written all the same with a warning of what was lost. Without
// overwrite the output's name is claimed only if it is still free when the file is complete.
Result<PictureWritten> saveStamped(const QImage &image, const PictureTask &task,
                                   const StampOptions &options);

} // namespace imprimata
