#include "PictureWriter.h"

#include <QImageWriter>
#include <QSaveFile>

namespace imprimata {

bool isBitmapName(const QString &path) { return path.right(4).toUpper() == QLatin1String(".BMP"); }

bool writePicture(const QImage &image, const QString &path, QString *error, int jpegQuality) {
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    QImageWriter writer(&file, isBitmapName(path) ? "bmp" : "jpeg");
    if (!isBitmapName(path))
        writer.setQuality(jpegQuality);
    if (!writer.write(image)) {
        // A failing device (a full disk) says more than the encoder's "device error".
        const QString why =
            file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

} // namespace imprimata
