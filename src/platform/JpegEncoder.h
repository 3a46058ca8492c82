#pragma once

#include "Result.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace imprimata {

inline constexpr int DefaultJpegQuality = 90;

// How a JPEG is encoded: its quality, and how its colour is sampled against its brightness
// (the first component's sampling factors, the others' being 1 x 1: 2 x 2 is 4:2:0, 2 x 1
// 4:2:2, 1 x 1 4:4:4).
struct JpegEncoding {
    int quality = DefaultJpegQuality;
    QSize lumaSampling{2, 2};
    friend bool operator==(const JpegEncoding &, const JpegEncoding &) = default;
};

// Encodes a picture in colour as a baseline JPEG, keeping what Qt's writer keeps: its texts as
// comments, its colour space as an ICC profile, its resolution as the JFIF density.
Result<QByteArray> encodeJpeg(const QImage &image, const JpegEncoding &encoding);

} // namespace imprimata
