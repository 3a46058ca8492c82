#include "PictureWriter.h"

#include "Metadata.h"

#include <QBuffer>
#include <QImageWriter>
#include <QSaveFile>

namespace imprimata {

bool isBitmapName(const QString &path) {
    return path.right(4).toUpper() == QLatin1String(".BMP");
}

bool writePicture(const QImage &image, const QString &path, QString *error, int jpegQuality,
                  const QString &metadataSource, QString *warning) {
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (warning)
        warning->clear();
    const bool bitmap = isBitmapName(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());

    QString metadataProblem;
    if (bitmap) {
        QImageWriter writer(&file, "bmp");
        if (!writer.write(image)) {
            // A failing device (a full disk) says more than the encoder's "device error".
            const QString why =
                file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
            file.cancelWriting();
            return fail(why);
        }
    } else {
        // Encoded in memory first, so the metadata goes in before the file is written once.
        QByteArray jpeg;
        {
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "jpeg");
            writer.setQuality(jpegQuality);
            if (!writer.write(image)) {
                file.cancelWriting();
                return fail(writer.errorString());
            }
        }
        if (!metadataSource.isEmpty())
            metadataProblem = copyMetadata(metadataSource, jpeg);
        if (file.write(jpeg) != jpeg.size()) {
            const QString why = file.errorString();
            file.cancelWriting();
            return fail(why);
        }
    }
    if (!file.commit())
        return fail(file.errorString());
    if (warning)
        *warning = metadataProblem;
    return true;
}

} // namespace imprimata
