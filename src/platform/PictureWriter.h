#pragma once

#include "JpegEncoder.h"
#include "Result.h"

#include <QImage>
#include <QString>

namespace imprimata {

// The format follows the name alone: ".bmp" in any letter case writes a bitmap, any other
// name a JPEG file under exactly that name.
bool isBitmapName(const QString &path);

// Whether a file already under the name may be replaced. Refused, the name is claimed
// atomically at the very end, so two writers racing for one name cannot both win.
enum class ExistingFile { Replace, Keep };

// What a written picture has to tell the user: one line when its metadata could not be kept,
// empty otherwise.
struct PictureWritten {
    QString warning;
};

// Writes atomically: on any failure (a full disk, a file-size limit, a name already taken
// under ExistingFile::Keep) the file it would replace is untouched, no temporary file is
// left behind and the error is the system's description.
//
// A JPEG takes the camera's metadata of the file at metadataSource (the picture was read
// from there and is now upright); a bitmap has no room for it. Metadata never costs the
// picture: when it cannot be kept the picture is still written, with a warning. The source
// may be the very file being replaced.
Result<PictureWritten> writePicture(const QImage &image, const QString &path,
                                    const JpegEncoding &encoding = {},
                                    const QString &metadataSource = {},
                                    ExistingFile existing = ExistingFile::Replace);

// Writes a whole JPEG file already encoded with its pixels as the file at metadataSource
// stores them (not turned), atomically as writePicture does; the metadata goes over with the
// orientation it had.
Result<PictureWritten> writeEncodedJpeg(QByteArray jpeg, const QString &path,
                                        const QString &metadataSource,
                                        ExistingFile existing = ExistingFile::Replace);

} // namespace imprimata
