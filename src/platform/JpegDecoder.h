#pragma once

#include "Result.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace imprimata {

// A real progressive picture has about ten scans; more only make a decode slow (each scan
// passes over the whole picture).
inline constexpr int MaxJpegScans = 100;

// What a JPEG's headers say, read without touching the scan data.
struct JpegHeader {
    int width = 0;
    int height = 0;
    // What the decoder holds beside the picture: the whole coefficient image when the picture
    // comes in several scans (progressive), a few rows of samples otherwise.
    qint64 workBytes = 0;
    // How it was encoded: the first component's sampling against the others' (1 x 1 for
    // grey), and the quality whose scaling of the standard luminance table comes nearest its
    // own (exact for tables made the usual way).
    QSize lumaSampling{1, 1};
    int quality = 0;
};

// Reads the headers up to the first scan; nothing when they are not a JPEG's.
std::optional<JpegHeader> readJpegHeader(const uchar *data, qint64 size);

enum class JpegFault { Damaged, TooLarge };

// Decodes a whole JPEG held in memory into Format_RGB32 as stored (the EXIF orientation is not
// applied), with the comments as texts, the ICC profile as colour space and the density as
// resolution. Unlike Qt's reader it fails on corrupt data that the
// decoder only warns about (a cut or zeroed scan), so that no half-grey picture passes, and
// on more than MaxJpegScans scans.
// Safe to call from several threads at once.
Result<QImage, JpegFault> decodeJpeg(const uchar *data, qint64 size);

} // namespace imprimata
