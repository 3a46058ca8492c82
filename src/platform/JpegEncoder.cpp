#include "JpegEncoder.h"

#include "JpegTrap.h"

#include <QColorSpace>
#include <QCoreApplication>

#include <cmath>

namespace imprimata {

JpegExtras JpegExtras::of(const QImage &picture) {
    JpegExtras extras;
    // The comments as the decoder reads them back: a description alone, any other text after
    // its key and ": ".
    for (const QString &key : picture.textKeys()) {
        const QString value = picture.text(key);
        extras.comments.append(
            key == u"Description" ? value.toUtf8() : (key + QStringLiteral(": ") + value).toUtf8());
    }
    if (picture.colorSpace().isValid())
        extras.profile = picture.colorSpace().iccProfile();
    extras.dotsPerMeterX = picture.dotsPerMeterX();
    extras.dotsPerMeterY = picture.dotsPerMeterY();
    return extras;
}

void startJpeg(Compressor &c, QSize size, const JpegEncoding &encoding, const JpegExtras &extras) {
    c.takeInput(size);
    jpeg_set_defaults(&c.info);
    jpeg_set_quality(&c.info, encoding.quality, TRUE);
    c.info.comp_info[0].h_samp_factor = encoding.lumaSampling.width();
    c.info.comp_info[0].v_samp_factor = encoding.lumaSampling.height();
    if (extras.dotsPerMeterX > 0 && extras.dotsPerMeterY > 0) {
        c.info.density_unit = 1; // dots an inch
        c.info.X_density = UINT16(std::lround(extras.dotsPerMeterX * 0.0254));
        c.info.Y_density = UINT16(std::lround(extras.dotsPerMeterY * 0.0254));
    }
    jpeg_start_compress(&c.info, TRUE);
    for (const QByteArray &comment : extras.comments)
        jpeg_write_marker(&c.info, JPEG_COM, reinterpret_cast<const JOCTET *>(comment.constData()),
                          unsigned(comment.size()));
    if (!extras.profile.isEmpty())
        jpeg_write_icc_profile(&c.info,
                               reinterpret_cast<const JOCTET *>(extras.profile.constData()),
                               unsigned(extras.profile.size()));
}

namespace {

bool encode(JpegTrap &trap, const QImage &rgb, const JpegEncoding &encoding,
            const JpegExtras &extras, Compressor &c) {
    if (setjmp(trap.jump))
        return false;
    c.create(trap, size_t(rgb.width()) * size_t(rgb.height()) / 4);
    startJpeg(c, rgb.size(), encoding, extras);
    c.writeRows(rgb);
    jpeg_finish_compress(&c.info);
    return true;
}

} // namespace

Result<QByteArray> encodeJpeg(const QImage &image, const JpegEncoding &encoding) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull())
        return Failure{QCoreApplication::translate("imprimata", "there is no picture to write")};
    const JpegExtras extras = JpegExtras::of(rgb);
    JpegTrap trap;
    Compressor c;
    if (!encode(trap, rgb, encoding, extras, c))
        return Failure{QString::fromLocal8Bit(trap.message)};
    return c.bytes();
}

} // namespace imprimata
