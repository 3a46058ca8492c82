#pragma once

// Pictures for the reader's tests: files as Qt writes them, headers that claim another size,
// and JPEGs of kinds Qt's writer does not make (full-resolution colour, CMYK, restart
// markers, scan scripts of one's own), written with libjpeg itself.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

inline QByteArray encoded(const QImage &image, const char *format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

// Noise, so that a JPEG's scan data outweighs its headers.
inline QImage noisy(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(99);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, random.generate() | 0xff000000u);
    return image;
}

// A bitmap whose header announces w x h pixels, with a single one behind it.
inline QByteArray bmpClaiming(qint32 w, qint32 h, quint16 bits = 24) {
    QByteArray bytes = encoded(QImage(1, 1, QImage::Format_RGB32), "bmp");
    qToLittleEndian<qint32>(w, bytes.data() + 18);
    qToLittleEndian<qint32>(h, bytes.data() + 22);
    qToLittleEndian<quint16>(bits, bytes.data() + 28);
    return bytes;
}

// A small flat JPEG whose frame header claims w x h.
inline QByteArray jpegClaiming(int w, int h) {
    QImage flat(16, 16, QImage::Format_RGB32);
    flat.fill(Qt::gray);
    QByteArray jpeg = encoded(flat, "jpg");
    const qsizetype sof = jpeg.indexOf("\xff\xc0");
    qToBigEndian<quint16>(quint16(h), jpeg.data() + sof + 5);
    qToBigEndian<quint16>(quint16(w), jpeg.data() + sof + 7);
    return jpeg;
}

// An APP1 block with only the orientation tag, put right after the start marker.
inline QByteArray withOrientation(const QByteArray &jpeg, int orientation) {
    QByteArray exif = QByteArray::fromHex("ffe10022457869660000"         // APP1, "Exif"
                                          "49492a0008000000"             // little-endian TIFF
                                          "0100120103000100000000000000" // orientation
                                          "00000000");
    exif[28] = char(orientation);
    return jpeg.left(2) + exif + jpeg.mid(2);
}

// A JPEG as Qt's writer makes it; -1 for its default quality.
inline QByteArray qtWritten(const QImage &image, int quality, bool progressive = false,
                            bool optimised = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.setOptimizedWrite(optimised);
    if (!writer.write(image))
        qFatal("cannot write a JPEG: %s", qPrintable(writer.errorString()));
    return bytes;
}

inline QString damaged(const QString &name) {
    return QStringLiteral("The picture %1 is damaged or incomplete and was not opened.").arg(name);
}

inline QString tooLarge(const QString &name, int w, int h) {
    return QStringLiteral("The picture %1 is too large to open (%2 \u00d7 %3 pixels).")
        .arg(name)
        .arg(w)
        .arg(h);
}

// Encodes the picture's red, green and blue (for CMYK: cyan, magenta, yellow from red, green,
// blue and black from the grey level, so that every channel varies).
// lumaH x lumaV is the sampling of the first component; the others are 1 x 1.
inline QByteArray craftJpeg(const QImage &picture, int lumaH, int lumaV,
                            J_COLOR_SPACE stored = JCS_YCbCr, bool progressive = false,
                            unsigned restartRows = 0, std::vector<jpeg_scan_info> scans = {}) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors); // a mistake in a test's recipe ends the test
    jpeg_create_compress(&info);
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&info, &out, &outSize);
    const bool cmyk = stored == JCS_CMYK || stored == JCS_YCCK;
    const bool grey = stored == JCS_GRAYSCALE;
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = cmyk ? 4 : grey ? 1 : 3;
    info.in_color_space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, stored);
    jpeg_set_quality(&info, 90, TRUE);
    info.comp_info[0].h_samp_factor = lumaH;
    info.comp_info[0].v_samp_factor = lumaV;
    for (int c = 1; c < info.num_components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (progressive)
        jpeg_simple_progression(&info);
    if (!scans.empty()) {
        info.scan_info = scans.data();
        info.num_scans = int(scans.size());
    }
    info.restart_in_rows = int(restartRows);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(std::size_t(rgb.width()) * 4);
    while (info.next_scanline < info.image_height) {
        const QRgb *in = reinterpret_cast<const QRgb *>(rgb.constScanLine(int(info.next_scanline)));
        for (int x = 0; x < rgb.width(); ++x) {
            JSAMPLE *o = row.data() + std::size_t(x) * std::size_t(info.input_components);
            const QRgb p = in[x];
            const int v[4] = {grey ? qGray(p) : qRed(p), qGreen(p), qBlue(p), 255 - qGray(p) / 2};
            for (int c = 0; c < info.input_components; ++c)
                o[c] = JSAMPLE(v[c]);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(outSize));
    std::free(out);
    return bytes;
}

// A progressive grey picture in `count` scans (64 to 127): the DC, then each AC coefficient
// on its own, the first count - 64 of them in two steps of precision.
inline QByteArray greyJpegOfScans(int count) {
    std::vector<jpeg_scan_info> scans;
    const auto add = [&](int k, int ah, int al) {
        jpeg_scan_info s{};
        s.comps_in_scan = 1;
        s.Ss = s.Se = k;
        s.Ah = ah;
        s.Al = al;
        scans.push_back(s);
    };
    add(0, 0, 0);
    for (int k = 1; k < 64; ++k) {
        const bool twoSteps = k <= count - 64;
        add(k, 0, twoSteps ? 1 : 0);
        if (twoSteps)
            add(k, 1, 0);
    }
    QImage grey(64, 64, QImage::Format_RGB32);
    grey.fill(qRgb(128, 128, 128));
    return craftJpeg(grey, 1, 1, JCS_GRAYSCALE, false, 0, scans);
}

// The blocks written again with other restart markers and, if asked, in Huffman tables made
// to measure, as editors write them.
inline QByteArray transcoded(const QByteArray &jpeg, unsigned restartInterval, bool optimised) {
    jpeg_decompress_struct in{};
    jpeg_compress_struct out{};
    jpeg_error_mgr errors{};
    in.err = out.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&in);
    jpeg_create_compress(&out);
    jpeg_mem_src(&in, reinterpret_cast<const uchar *>(jpeg.constData()), jpeg.size());
    jpeg_read_header(&in, TRUE);
    jvirt_barray_ptr *arrays = jpeg_read_coefficients(&in);
    uchar *bytes = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&out, &bytes, &size);
    jpeg_copy_critical_parameters(&in, &out);
    out.restart_interval = restartInterval;
    out.optimize_coding = optimised;
    jpeg_write_coefficients(&out, arrays);
    jpeg_finish_compress(&out);
    jpeg_destroy_compress(&out);
    jpeg_destroy_decompress(&in);
    QByteArray result(reinterpret_cast<const char *>(bytes), qsizetype(size));
    std::free(bytes);
    return result;
}
