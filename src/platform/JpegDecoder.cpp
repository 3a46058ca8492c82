#include "JpegDecoder.h"

#include "JpegEncoder.h"
#include "JpegSegments.h"
#include "JpegTrap.h"

#include <QColorSpace>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace imprimata {

bool Decoder::readHeader(bool keepMarkers) {
    trap.attach(reinterpret_cast<j_common_ptr>(&info));
    if (setjmp(trap.jump))
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data_, static_cast<unsigned long>(size_));
    if (keepMarkers) {
        jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
        jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
    }
    jpeg_read_header(&info, TRUE);
    return true;
}

bool Decoder::startRgb() {
    trap.stage = JpegStage::Scans;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    // Straight into the picture's rows, the fourth byte set to opaque as Format_RGB32 wants.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
#else
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_ARGB;
#endif
    jpeg_start_decompress(&info);
    return !cmyk;
}

void Decoder::readRgbRows(QImage &rows) {
    JSAMPROW pointers[16];
    for (int done = 0; done < rows.height();) {
        const int count = std::min({16, int(info.rec_outbuf_height), rows.height() - done});
        for (int i = 0; i < count; ++i)
            pointers[i] = rows.scanLine(done + i);
        done += int(jpeg_read_scanlines(&info, pointers, JDIMENSION(count)));
    }
}

bool Decoder::decodeInto(QImage &image) {
    uchar *const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    if (setjmp(trap.jump))
        return false;
    const bool cmyk = !startRgb();
    if (info.output_width != JDIMENSION(image.width()) ||
        info.output_height != JDIMENSION(image.height()) || info.output_components != 4)
        return false;
    if (cmyk) {
        JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info),
                                                   JPOOL_IMAGE, info.output_width * 4, 1);
        while (info.output_scanline < info.output_height) {
            QRgb *out = reinterpret_cast<QRgb *>(bits + info.output_scanline * stride);
            jpeg_read_scanlines(&info, row, 1);
            // Adobe's inverted CMYK, converted as Qt's reader does.
            const JSAMPLE *in = row[0];
            for (JDIMENSION x = 0; x < info.output_width; ++x, in += 4) {
                const int k = in[3];
                out[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
            }
        }
    } else {
        readRgbRows(image);
    }
    jpeg_finish_decompress(&info);
    return true;
}

// A profile split over several segments is put together by their sequence numbers, whatever
// their sizes.
void copyMarkers(const jpeg_decompress_struct &info, QImage &image) {
    constexpr unsigned IccHead = 14; // "ICC_PROFILE\0", the sequence number and the count
    std::map<int, QByteArray> iccParts;
    int iccCount = 0;
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
        const char *data = reinterpret_cast<const char *>(m->data);
        if (m->marker == JPEG_COM) {
            const QString s = QString::fromUtf8(data, m->data_length);
            const qsizetype colon = s.indexOf(QLatin1String(": "));
            if (colon == -1 || s.indexOf(QLatin1Char(' ')) < colon)
                image.setText(QStringLiteral("Description"), s);
            else
                image.setText(s.left(colon), s.mid(colon + 2));
        } else if (m->marker == JPEG_APP0 + 2 && m->data_length > IccHead &&
                   std::memcmp(data, "ICC_PROFILE", 12) == 0) {
            iccCount = uchar(data[13]);
            iccParts[uchar(data[12])] = QByteArray(data + IccHead, m->data_length - IccHead);
        }
    }
    // Every part from 1 to the count, or no profile.
    QByteArray icc;
    if (iccCount > 0 && int(iccParts.size()) == iccCount && iccParts.begin()->first == 1 &&
        iccParts.rbegin()->first == iccCount) {
        for (const auto &part : iccParts)
            icc.append(part.second);
    }
    if (!icc.isEmpty())
        image.setColorSpace(QColorSpace::fromIccProfile(icc));
    if (info.density_unit == 1) {
        image.setDotsPerMeterX(int(100. * info.X_density / 2.54));
        image.setDotsPerMeterY(int(100. * info.Y_density / 2.54));
    } else if (info.density_unit == 2) {
        image.setDotsPerMeterX(int(100. * info.X_density));
        image.setDotsPerMeterY(int(100. * info.Y_density));
    }
}

namespace {

// The quality whose scaling of the standard luminance table comes nearest this table, the
// higher one of two as near.
int estimatedQuality(const JQUANT_TBL *table) {
    static constexpr int Standard[DCTSIZE2] = {
        16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
        14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
        18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
        49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    if (!table)
        return DefaultJpegQuality;
    int best = DefaultJpegQuality;
    long nearest = -1;
    for (int quality = 1; quality <= 100; ++quality) {
        const long scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
        long distance = 0;
        for (int i = 0; i < DCTSIZE2; ++i)
            distance += std::abs(std::clamp((Standard[i] * scale + 50) / 100, 1L, 255L) -
                                 long(table->quantval[i]));
        if (nearest < 0 || distance <= nearest) {
            nearest = distance;
            best = quality;
        }
    }
    return best;
}

} // namespace

std::optional<JpegHeader> readJpegHeader(const uchar *data, qint64 size) {
    Decoder decoder(data, size);
    if (size <= 0 || !decoder.readHeader(false))
        return std::nullopt;
    const jpeg_decompress_struct &info = decoder.info;
    JpegHeader header;
    header.width = static_cast<int>(info.image_width);
    header.height = static_cast<int>(info.image_height);
    if (info.num_components == 3)
        header.lumaSampling =
            QSize(info.comp_info[0].h_samp_factor / info.comp_info[1].h_samp_factor,
                  info.comp_info[0].v_samp_factor / info.comp_info[1].v_samp_factor);
    header.quality = estimatedQuality(info.quant_tbl_ptrs[0]);
    if (info.progressive_mode || info.comps_in_scan < info.num_components) {
        // Every block of every component, 64 coefficients of two bytes.
        for (int c = 0; c < info.num_components; ++c) {
            const jpeg_component_info &comp = info.comp_info[c];
            const qint64 across = (qint64(comp.width_in_blocks) + comp.h_samp_factor - 1) /
                                  comp.h_samp_factor * comp.h_samp_factor;
            const qint64 down = (qint64(comp.height_in_blocks) + comp.v_samp_factor - 1) /
                                comp.v_samp_factor * comp.v_samp_factor;
            header.workBytes += across * down * DCTSIZE2 * qint64(sizeof(JCOEF));
        }
    } else {
        // Two block rows of samples per component, and the colour conversion's rows.
        header.workBytes =
            qint64(info.image_width) * info.num_components * 2 * info.max_v_samp_factor * DCTSIZE +
            qint64(info.image_width) * 4 * 16;
    }
    return header;
}

Result<QImage, JpegFault> decodeJpeg(const uchar *data, qint64 size) {
    constexpr Failure damaged{JpegFault::Damaged};
    const std::optional<int> scans = jpegScanCount(data, size);
    if (!scans || *scans > MaxJpegScans)
        return damaged;
    Decoder decoder(data, size);
    if (size <= 0 || !decoder.readHeader(true))
        return damaged;
    QImage image(int(decoder.info.image_width), int(decoder.info.image_height),
                 QImage::Format_RGB32);
    if (image.isNull())
        return Failure{JpegFault::TooLarge};
    copyMarkers(decoder.info, image);
    if (!decoder.decodeInto(image))
        return damaged;
    return image;
}

} // namespace imprimata
