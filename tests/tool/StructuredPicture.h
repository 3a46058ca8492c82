#pragma once

#include <QDir>
#include <QImage>
#include <QString>

// Saves a picture with some structure, so a misplaced stamp cannot go unnoticed, into the
// folder under the name (whose extension picks the format); gives its path.
inline QString saveStructuredPicture(const QDir &folder, const QString &name,
                                     QSize size = {400, 300}) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(40 + x % 50, 120 + y % 60, 90));
    image.save(folder.filePath(name));
    return folder.filePath(name);
}
