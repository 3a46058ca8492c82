#include "StampJob.h"

#include "placement/MarkFile.h"
#include "render/PictureLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <optional>

namespace imprimata {

namespace {

// The reader's messages name the mark file when they concern the file itself.
QString aboutMark(const QString &path, const QString &message) {
    const QString shown = QDir::toNativeSeparators(path);
    return message.startsWith(shown) ? message : QStringLiteral("%1: %2").arg(shown, message);
}

ExistingFile existingFile(const StampOptions &options) {
    return options.overwrite ? ExistingFile::Replace : ExistingFile::Keep;
}

// Puts the picture into the surface unshared, so stamping copies no pixels. The surface's
// resolution, which text sizes follow, is set beforehand, as setting it later would detach it.
void putInto(Surface &surface, QImage &image) {
    const QImage reference = makeSurfaceImage(0, 0, White);
    image.setDotsPerMeterX(reference.dotsPerMeterX());
    image.setDotsPerMeterY(reference.dotsPerMeterY());
    surface.setImage(image);
    image = QImage();
}

} // namespace

Result<void> PreparedMark::load(const QString &path) {
    const Result<MarkSettings> read = readMarkFile(path);
    if (!read)
        return Failure{aboutMark(path, read.error())};
    if (const Result<void> used = use(read.value()); !used)
        return Failure{aboutMark(path, used.error())};
    return {};
}

Result<void> PreparedMark::use(const MarkSettings &mark) {
    if (mark.MarkType == TextMark && mark.Text.isEmpty())
        return Failure{QCoreApplication::translate("imprimata", "the mark has no text")};
    if (mark.MarkType == ImageMark && mark.ImagePath.isEmpty())
        return Failure{QCoreApplication::translate("imprimata", "the mark has no image")};
    if (mark.MarkType != TextMark && mark.MarkType != ImageMark)
        return Failure{QCoreApplication::translate("imprimata",
                                                   "the mark is neither a text nor an image mark")};
    // A view of two pixels or less is all rim: it could never be stamped.
    const QSize view = markViewSize(mark);
    if (view.width() <= 2 || view.height() <= 2)
        return Failure{QCoreApplication::translate("imprimata", "the mark has no size")};
    mark_ = mark;
    // The caller's font may change while the pictures are stamped; the batch keeps its own.
    if (mark_.Font)
        mark_.Font = std::make_shared<FontSpec>(*mark_.Font);
    view_ = view;
    drawn_ = false;
    // The program would stamp an empty view over the picture; refuse instead.
    if (mark.MarkType == ImageMark) {
        if (const Result<void> prepared = surfaces_.prepare(mark_); !prepared)
            return Failure{QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(mark.ImagePath),
                                                        prepared.error())};
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

Result<PreparedMark> PreparedMark::sizedFor(int pictureWidth, double percent) const {
    const double width = std::max(1.0, std::round(pictureWidth * percent / 100));
    const double scale = width / (view_.width() - 2);
    PreparedMark sized;
    sized.mark_ = withScaledFont(mark_, scale);
    sized.view_ = markViewSize(mark_, scale);
    sized.steps_ = steps_;
    // Four work pictures of the view's size are held per picture being stamped.
    if (qint64(sized.view_.width()) * sized.view_.height() > MaxMarkPicturePixels)
        return Failure{QCoreApplication::translate(
                           "imprimata", "the mark would be too large at that size (%1 × %2 "
                                        "pixels)")
                           .arg(sized.view_.width() - 2)
                           .arg(sized.view_.height() - 2)};
    if (const Result<void> prepared = sized.surfaces_.prepare(sized.mark_, scale); !prepared)
        return Failure{QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(mark_.ImagePath),
                                                    prepared.error())};
    sized.drawn_ = true;
    return sized;
}

QRect PreparedMark::areaAt(QSize picture, QPoint at) const {
    ScreenRect target, source;
    overlapAt(picture, view_, at, target, source);
    if (isRectEmpty(target))
        return {};
    return QRect(target.left, target.top, target.width(), target.height());
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
    return writePicture(image, task.output, jpegEncodingFor(task.input, options.quality),
                        MetadataChoice{task.input, options.strip}, existingFile(options));
}

Result<PictureWritten> stampPicture(const PreparedMark &batchMark,
                                    const std::function<void()> &untilDrawn,
                                    const PictureTask &task, const StampOptions &options,
                                    MemoryBudget &budget) {
    const auto fail = [](const QString &why) { return Failure{why}; };
    if (!task.refusal.isEmpty())
        return fail(task.refusal);
    const auto exists = [&task] { return QFileInfo(task.output).exists(); };
    const QString existsText =
        QCoreApplication::translate("imprimata", "%1 already exists (--overwrite replaces it)")
            .arg(QDir::toNativeSeparators(task.output));
    if (!options.overwrite && exists())
        return fail(existsText);

    const QString missed =
        QCoreApplication::translate("imprimata", "the mark does not overlap the picture");
    const auto saved = [&](Result<PictureWritten> written) -> Result<PictureWritten> {
        // Another run may have claimed the name while we were stamping.
        if (!written && !options.overwrite && exists())
            return fail(existsText);
        if (!written)
            return fail(QCoreApplication::translate("imprimata", "%1 cannot be written: %2")
                            .arg(QDir::toNativeSeparators(task.output), written.error()));
        return written;
    };

    try {
        const MemoryBudget::Claim room = budget.claim(pictureDecodeBytes(task.input));
        const Result<QSize> size = pictureSize(task.input);
        // With --size each picture gets the mark drawn at its share of the picture's width.
        std::optional<PreparedMark> sized;
        if (options.sizePercent && size) {
            untilDrawn(); // the fonts are loaded by then
            Result<PreparedMark> scaled = batchMark.sizedFor(size->width(), *options.sizePercent);
            if (!scaled)
                return fail(scaled.error());
            sized = std::move(scaled).value();
        }
        const PreparedMark &mark = sized ? *sized : batchMark;
        if (size && pictureFormatFor(task.output) == PictureFormat::Jpeg) {
            // A JPEG written from a JPEG is never decoded whole: only its stamped blocks are
            // encoded again, or, when the whole picture is to be, its rows stream through. A
            // file refused here is read whole below, which says what is wrong with it.
            const QPoint at = markPosition(*size, mark.viewSize(), options.at, options.anchor);
            const QRect area = mark.areaAt(*size, at);
            if (area.isEmpty())
                return fail(missed);
            const PixelChange stamp = [&](QImage &pixels, QPoint origin) {
                untilDrawn();
                Surface part;
                putInto(part, pixels);
                mark.stampInto(part, at - origin);
                pixels = part.image();
            };
            Result<QByteArray> jpeg = Failure{QString()};
            if (!options.reencode && !options.quality)
                jpeg = changeJpegFile(task.input, {area}, stamp);
            if (!jpeg)
                jpeg = recodeJpegFile(task.input, jpegEncodingFor(task.input, options.quality),
                                      area, stamp);
            if (jpeg)
                return saved(writeEncodedJpeg(std::move(jpeg).value(), task.output,
                                              MetadataChoice{task.input, options.strip},
                                              existingFile(options)));
        }

        Result<PictureLayers> read = readPictureLayers(task.input);
        if (!read)
            return fail(read.error());
        Surface picture;
        putInto(picture, read->colours);

        untilDrawn();
        const QPoint at =
            markPosition(picture.image().size(), mark.viewSize(), options.at, options.anchor);
        if (!mark.stampInto(picture, at))
            return fail(missed);
        // Stamps change colours only: the alpha channel goes back as it was read.
        QImage stamped = picture.image();
        picture = Surface();
        return saved(saveStamped(withAlpha(std::move(stamped), read->alpha), task, options));
    } catch (const std::bad_alloc &) {
        return fail(QCoreApplication::translate("imprimata", "not enough memory"));
    } catch (const std::exception &e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace imprimata
