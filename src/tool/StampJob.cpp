#include "StampJob.h"

#include "placement/MarkFile.h"
#include "render/PictureLoader.h"

#include <QDir>
#include <QFileInfo>
#include <exception>
#include <memory>

namespace imprimata {

namespace {

// The reader's messages name the mark file when they concern the file itself.
QString aboutMark(const QString &path, const QString &message) {
    const QString shown = QDir::toNativeSeparators(path);
    return message.startsWith(shown) ? message : QStringLiteral("%1: %2").arg(shown, message);
}

} // namespace

Result<void> PreparedMark::load(const QString &path) {
    const auto fail = [&](const QString &why) { return Failure{aboutMark(path, why)}; };
    const Result<MarkSettings> read = readMarkFile(path);
    if (!read)
        return fail(read.error());
    const MarkSettings &mark = read.value();
    if (mark.MarkType == TextMark && mark.Text.isEmpty())
        return fail(QStringLiteral("the mark has no text"));
    if (mark.MarkType == ImageMark && mark.ImagePath.isEmpty())
        return fail(QStringLiteral("the mark has no image"));
    if (mark.MarkType != TextMark && mark.MarkType != ImageMark)
        return fail(QStringLiteral("the mark is neither a text nor an image mark"));
    // A view of two pixels or less is all rim: it could never be stamped.
    const QSize view = markViewSize(mark);
    if (view.width() <= 2 || view.height() <= 2)
        return fail(QStringLiteral("the mark has no size"));
    mark_ = mark;
    view_ = view;
    drawn_ = false;
    // The program would stamp an empty view over the picture; refuse instead.
    if (mark.MarkType == ImageMark) {
        if (const Result<void> prepared = surfaces_.prepare(mark); !prepared)
            return fail(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(mark.ImagePath),
                                                     prepared.error()));
        drawn_ = true;
    }
    return {};
}

void PreparedMark::finish() {
    // Only an image mark can fail to draw, and load() has drawn it already.
    if (!drawn_)
        (void)surfaces_.prepare(mark_);
    drawn_ = true;
}

bool PreparedMark::stampInto(Surface &picture, QPoint at) const {
    ScreenRect target, source;
    overlapAt(picture.image().size(), view_, at, target, source);
    if (isRectEmpty(target))
        return false;
    // Stamping draws into the work pictures: each call gets copies, and a font object of its
    // own for the text it prints.
    MarkSurfaces work = surfaces_;
    MarkSettings mark = mark_;
    if (mark.Font)
        mark.Font = std::make_shared<FontSpec>(*mark.Font);
    const PlacementSurfaces s = work.surfaces();
    for (Surface *surface : {&s.view, &s.backgroundBuffer, &s.textBuffer, &s.compositeBuffer})
        surface->setFont(mark.Font);
    stampMark(picture, s, mark, steps_, target, source);
    return true;
}

Result<PictureWritten> saveStamped(const QImage &image, const PictureTask &task,
                                   const StampOptions &options) {
    return writePicture(image, task.output, options.quality, task.input,
                        options.overwrite ? ExistingFile::Replace : ExistingFile::Keep);
}

Result<PictureWritten> stampPicture(const std::function<const PreparedMark &()> &waitForMark,
                                    const PictureTask &task, const StampOptions &options,
                                    MemoryBudget &budget) {
    const auto fail = [](const QString &why) { return Failure{why}; };
    if (!task.refusal.isEmpty())
        return fail(task.refusal);
    const auto exists = [&task] { return QFileInfo(task.output).exists(); };
    const QString existsText = QStringLiteral("%1 already exists (--overwrite replaces it)")
                                   .arg(QDir::toNativeSeparators(task.output));
    if (!options.overwrite && exists())
        return fail(existsText);

    try {
        const MemoryBudget::Claim room = budget.claim(pictureDecodeBytes(task.input));
        Result<QImage> read = readPicture(task.input);
        if (!read)
            return fail(read.error());

        // The picture goes into the surface unshared, so stamping copies no pixels. The
        // surface's resolution is set beforehand, which would otherwise detach it.
        QImage image = std::move(read).value();
        const QImage reference = makeSurfaceImage(0, 0, White);
        image.setDotsPerMeterX(reference.dotsPerMeterX());
        image.setDotsPerMeterY(reference.dotsPerMeterY());
        Surface picture;
        picture.setImage(image);
        image = QImage();

        const PreparedMark &mark = waitForMark();
        const QPoint at =
            markPosition(picture.image().size(), mark.viewSize(), options.at, options.anchor);
        if (!mark.stampInto(picture, at))
            return fail(QStringLiteral("the mark does not overlap the picture"));

        Result<PictureWritten> written = saveStamped(picture.image(), task, options);
        // Another run may have claimed the name while we were stamping.
        if (!written && !options.overwrite && exists())
            return fail(existsText);
        if (!written)
            return fail(QStringLiteral("%1 cannot be written: %2")
                            .arg(QDir::toNativeSeparators(task.output), written.error()));
        return written;
    } catch (const std::bad_alloc &) {
        return fail(QStringLiteral("not enough memory"));
    } catch (const std::exception &e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace imprimata
