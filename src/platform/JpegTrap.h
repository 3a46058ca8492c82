#pragma once

// For platform's own use: libjpeg's error handling made safe for a library that must not
// exit, and strict about damaged data; and a compressor writing into memory.

#include <csetjmp>
#include <cstdio> // jpeglib.h uses FILE without including it

#include <QByteArray>
#include <QImage>

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
    // A Format_RGB32 picture as the input: its size and pixel layout, then, once started, its
    // rows.
    void takeInputFrom(const QImage &picture);
    void writeRows(const QImage &picture);
    QByteArray bytes() const;
};

} // namespace imprimata
