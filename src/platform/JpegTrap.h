#pragma once

// For platform's own use: libjpeg's error handling made safe for a library that must not
// exit, and strict about damaged data; and a compressor writing into memory.

#include <csetjmp>
#include <cstdio> // jpeglib.h uses FILE without including it

#include "JpegEncoder.h"

#include <QByteArray>
#include <QImage>
#include <QList>

extern "C" {
#include <jpeglib.h>
}

namespace imprimata {

// Until the scans begin, stray bytes between header segments are harmless (the marker walk,
// jpegScanCount, allows them too); from then on any warning about the data means lost pixels.
enum class JpegStage { Header, Scans };

// One error manager for the libjpeg objects of one task: a fatal error, or a warning that
// means damage, jumps back to the last setjmp(jump). Each object it is attached to must be
// destroyed by its owner, whose destructor runs outside that jump. Nothing here has a
// destructor of its own for a jump to skip.
struct JpegTrap {
    jpeg_error_mgr errors{};
    std::jmp_buf jump{};
    JpegStage stage = JpegStage::Header;
    char message[JMSG_LENGTH_MAX] = {};

    void attach(j_common_ptr object);
};

// Collects a compressor's output in memory. Grown with realloc, so running out of memory is
// the library's own error and no C++ exception crosses its C frames.
struct MemoryDestination {
    jpeg_destination_mgr manager{};
    JOCTET *data = nullptr;
    size_t capacity = 0;
    size_t used = 0;

    MemoryDestination() = default;
    MemoryDestination(const MemoryDestination &) = delete;
    MemoryDestination &operator=(const MemoryDestination &) = delete;
    ~MemoryDestination();
};

// A compressor that writes into memory.
struct Compressor {
    jpeg_compress_struct info{};
    MemoryDestination out;

    Compressor() = default;
    Compressor(const Compressor &) = delete;
    Compressor &operator=(const Compressor &) = delete;
    ~Compressor() { jpeg_destroy_compress(&info); }

    // After setjmp(trap.jump), before the first use; room for `expected` bytes to begin with.
    void create(JpegTrap &trap, size_t expected = 0);
    // A Format_RGB32 picture of this size as the input; once started, its rows from the next
    // one on, as many as `rows` holds.
    void takeInput(QSize picture);
    void writeRows(const QImage &rows);
    QByteArray bytes() const;
};

// What a JPEG carries of a picture besides its pixels, as Qt's writer keeps it: its texts as
// comments, its colour space as an ICC profile, its resolution as the JFIF density.
struct JpegExtras {
    QList<QByteArray> comments;
    QByteArray profile;
    int dotsPerMeterX = 0;
    int dotsPerMeterY = 0;

    static JpegExtras of(const QImage &picture);
};

// Sets a created compressor up for a picture of `size` (a Format_RGB32 input) encoded as
// `encoding`, starts it and writes the extras; then come the rows.
void startJpeg(Compressor &c, QSize size, const JpegEncoding &encoding, const JpegExtras &extras);

// A decompressor reading from memory.
struct Decoder {
    jpeg_decompress_struct info{};
    JpegTrap trap;

    Decoder(const uchar *data, qint64 size) : data_(data), size_(size) {}
    ~Decoder() { jpeg_destroy_decompress(&info); }
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    // Reads the headers, keeping the comments and ICC segments when asked.
    bool readHeader(bool keepMarkers);
    // Starts decoding in the colours of Format_RGB32: false for CMYK, which decodeInto turns
    // into colour itself.
    bool startRgb();
    // The next rows.height() rows, after startRgb.
    void readRgbRows(QImage &rows);
    // The whole picture, into an image of its size.
    bool decodeInto(QImage &image);

private:
    const uchar *data_;
    qint64 size_;
};

// The kept comments become texts and the ICC profile the colour space, as Qt's reader makes
// them, and the density the resolution.
void copyMarkers(const jpeg_decompress_struct &info, QImage &image);

} // namespace imprimata
