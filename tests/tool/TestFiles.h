#pragma once

#include "placement/MarkFile.h"

#include <QDir>
#include <QImage>
#include <QString>
#include <QtGlobal>

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

// The tests' mark: "Mine" in 18-point bold, or the picture at imagePath; at the full width, a
// view of 82 x 32 pixels.
inline imprimata::MarkSettings testMark(int type, const QString &imagePath) {
    imprimata::MarkSettings mark;
    mark.MarkType = static_cast<std::int16_t>(type);
    mark.Text = "Mine";
    mark.ImagePath = imagePath;
    mark.Font = imprimata::makeFont("Liberation Sans", 18, true, 204);
    mark.MarkWidth = 1200;
    mark.MarkHeight = 450;
    return mark;
}

// Writes the mark as mark.$IM in the folder; gives its path.
inline QString saveTestMark(const QDir &folder, const imprimata::MarkSettings &mark) {
    if (!imprimata::writeMarkFile(folder.filePath("mark.$IM"), mark))
        qFatal("the test's mark file cannot be written");
    return folder.filePath("mark.$IM");
}
