#pragma once

#include "JpegEncoder.h"
#include "Metadata.h"
#include "Result.h"

#include <QImage>
#include <QString>
#include <utility>

namespace imprimata {

// The format follows the name's extension alone, in any letter case: ".bmp", ".png", ".tif"
// or ".tiff", ".webp"; any other name writes a JPEG file under exactly that name.
enum class PictureFormat { Jpeg, Bitmap, Png, Tiff, Webp };
PictureFormat pictureFormatFor(const QString &path);
bool isBitmapName(const QString &path);

// Whether a file already under the name may be replaced. Refused, the name is claimed
// atomically at the very end, so two writers racing for one name cannot both win.
enum class ExistingFile { Replace, Keep };

// What a written picture has to tell the user: one line when its metadata could not be kept
// or its source had more than 8 bits a channel, empty otherwise.
struct PictureWritten {
    QString warning;
};

// Whose metadata a written picture takes (none without a source), and how much of it.
struct MetadataChoice {
    // A source's name alone keeps all of its metadata, as the writers always did.
    MetadataChoice(QString from = {}, MetadataKept keep = MetadataKept::All)
        : source(std::move(from)), kept(keep) {}
    QString source;
    MetadataKept kept;
};

// Writes atomically: on any failure (a full disk, a file-size limit, a name already taken
// under ExistingFile::Keep) the file it would replace is untouched, no temporary file is
// left behind and the error is the system's description.
//
// A picture with an alpha channel keeps it in PNG, TIFF and WebP; JPEG and bitmaps drop it.
// WebP is lossy at the encoding's quality, lossless at 100; TIFF is LZW-compressed.
//
// JPEG, PNG, TIFF and WebP take the camera's metadata of the file at metadata.source (the
// picture was read from there and is now upright); a bitmap has no room for it. Metadata never
// costs the picture: when it cannot be kept the picture is still written, with a warning. The
// source may be the very file being replaced.
//
// With metadata.kept other than MetadataKept::All the written file then loses what is not to
// be kept; when that fails, nothing is written.
Result<PictureWritten> writePicture(const QImage &image, const QString &path,
                                    const JpegEncoding &encoding = {},
                                    const MetadataChoice &metadata = {},
                                    ExistingFile existing = ExistingFile::Replace);

// Writes a whole JPEG file already encoded with its pixels as the file at metadata.source
// stores them (not turned), atomically as writePicture does; the metadata goes over with the
// orientation it had.
Result<PictureWritten> writeEncodedJpeg(QByteArray jpeg, const QString &path,
                                        const MetadataChoice &metadata,
                                        ExistingFile existing = ExistingFile::Replace);

} // namespace imprimata
