#include "JpegEncoder.h"

#include "JpegTrap.h"

#include <QColorSpace>

#include <cmath>

namespace imprimata {

namespace {

// The comments as the decoder reads them back: a description alone, any other text after
// its key and ": ".
QList<QByteArray> commentsOf(const QImage &image) {
    QList<QByteArray> comments;
    for (const QString &key : image.textKeys()) {
        const QString value = image.text(key);
        comments.append(key == u"Description" ? value.toUtf8()
                                              : (key + QStringLiteral(": ") + value).toUtf8());
    }
    return comments;
}

bool encode(JpegTrap &trap, const QImage &rgb, const JpegEncoding &encoding,
            const QList<QByteArray> &comments, const QByteArray &profile, Compressor &c) {
    if (setjmp(trap.jump))
        return false;
    c.create(trap, size_t(rgb.width()) * size_t(rgb.height()) / 4);
    c.takeInputFrom(rgb);
    jpeg_set_defaults(&c.info);
    jpeg_set_quality(&c.info, encoding.quality, TRUE);
    c.info.comp_info[0].h_samp_factor = encoding.lumaSampling.width();
    c.info.comp_info[0].v_samp_factor = encoding.lumaSampling.height();
    if (rgb.dotsPerMeterX() > 0 && rgb.dotsPerMeterY() > 0) {
        c.info.density_unit = 1; // dots an inch
        c.info.X_density = UINT16(std::lround(rgb.dotsPerMeterX() * 0.0254));
        c.info.Y_density = UINT16(std::lround(rgb.dotsPerMeterY() * 0.0254));
    }
    jpeg_start_compress(&c.info, TRUE);
    for (const QByteArray &comment : comments)
        jpeg_write_marker(&c.info, JPEG_COM, reinterpret_cast<const JOCTET *>(comment.constData()),
                          unsigned(comment.size()));
    if (!profile.isEmpty())
        jpeg_write_icc_profile(&c.info, reinterpret_cast<const JOCTET *>(profile.constData()),
                               unsigned(profile.size()));
    c.writeRows(rgb);
    jpeg_finish_compress(&c.info);
    return true;
}

} // namespace

Result<QByteArray> encodeJpeg(const QImage &image, const JpegEncoding &encoding) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull())
        return Failure{QStringLiteral("there is no picture to write")};
    const QByteArray profile = rgb.colorSpace().isValid() ? rgb.colorSpace().iccProfile() : "";
    JpegTrap trap;
    Compressor c;
    if (!encode(trap, rgb, encoding, commentsOf(rgb), profile, c))
        return Failure{QString::fromLocal8Bit(trap.message)};
    return c.bytes();
}

} // namespace imprimata
