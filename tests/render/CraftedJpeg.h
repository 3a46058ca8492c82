#pragma once

// JPEGs of kinds Qt's writer does not make (full-resolution colour, CMYK, restart markers,
// scripts of many scans), written with libjpeg itself.

#include <QByteArray>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

struct JpegRecipe {
    int quality = 90;
    int lumaH = 2; // sampling of the first component; the others are 1 x 1
    int lumaV = 2;
    J_COLOR_SPACE stored = JCS_YCbCr; // JCS_GRAYSCALE, JCS_YCbCr, JCS_RGB, JCS_CMYK, JCS_YCCK
    bool progressive = false;
    unsigned restartRows = 0;
    std::vector<jpeg_scan_info> scans; // a scan script of one's own, if not empty
};

inline JpegRecipe sampledJpeg(int lumaH, int lumaV, J_COLOR_SPACE stored = JCS_YCbCr) {
    JpegRecipe recipe;
    recipe.lumaH = lumaH;
    recipe.lumaV = lumaV;
    recipe.stored = stored;
    return recipe;
}

// Encodes the picture's red, green and blue (for CMYK: cyan, magenta, yellow from red, green,
// blue and black from the grey level, so that every channel varies).
inline QByteArray craftJpeg(const QImage &picture, const JpegRecipe &recipe) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors); // a mistake in a test's recipe ends the test
    jpeg_create_compress(&info);
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&info, &out, &outSize);
    const bool cmyk = recipe.stored == JCS_CMYK || recipe.stored == JCS_YCCK;
    const bool grey = recipe.stored == JCS_GRAYSCALE;
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = cmyk ? 4 : grey ? 1 : 3;
    info.in_color_space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, recipe.stored);
    jpeg_set_quality(&info, recipe.quality, TRUE);
    info.comp_info[0].h_samp_factor = recipe.lumaH;
    info.comp_info[0].v_samp_factor = recipe.lumaV;
    for (int c = 1; c < info.num_components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (recipe.progressive)
        jpeg_simple_progression(&info);
    if (!recipe.scans.empty()) {
        info.scan_info = recipe.scans.data();
        info.num_scans = int(recipe.scans.size());
    }
    info.restart_in_rows = int(recipe.restartRows);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(std::size_t(rgb.width()) * 4);
    while (info.next_scanline < info.image_height) {
        const QRgb *in = reinterpret_cast<const QRgb *>(rgb.constScanLine(int(info.next_scanline)));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = in[x];
            JSAMPLE *o = row.data() + std::size_t(x) * std::size_t(info.input_components);
            if (cmyk) {
                o[0] = JSAMPLE(qRed(p));
                o[1] = JSAMPLE(qGreen(p));
                o[2] = JSAMPLE(qBlue(p));
                o[3] = JSAMPLE(255 - qGray(p) / 2);
            } else if (grey) {
                o[0] = JSAMPLE(qGray(p));
            } else {
                o[0] = JSAMPLE(qRed(p));
                o[1] = JSAMPLE(qGreen(p));
                o[2] = JSAMPLE(qBlue(p));
            }
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

// A script of every scan a progressive grey picture can have: the DC and each AC coefficient
// on its own, first at a tenth of their precision and then refined bit by bit.
inline std::vector<jpeg_scan_info> everyGreyScan() {
    std::vector<jpeg_scan_info> scans;
    const int shift = 10; // the most libjpeg allows
    for (int k = 0; k < 64; ++k) {
        for (int al = shift; al >= 0; --al) {
            jpeg_scan_info s{};
            s.comps_in_scan = 1;
            s.component_index[0] = 0;
            s.Ss = k;
            s.Se = k;
            s.Ah = al == shift ? 0 : al + 1;
            s.Al = al;
            scans.push_back(s);
        }
    }
    return scans;
}
