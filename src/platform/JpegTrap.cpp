#include "JpegTrap.h"

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <jerror.h>
}

namespace imprimata {

namespace {

// Warnings about the headers, not the compressed pixels.
bool isHarmless(int code, JpegStage stage) {
    switch (code) {
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_ICC:
        return true;
    case JWRN_EXTRANEOUS_DATA:
        return stage == JpegStage::Header;
    default:
        return false;
    }
}

extern "C" {

static void fail(j_common_ptr cinfo) {
    auto *trap = static_cast<JpegTrap *>(cinfo->client_data);
    (*cinfo->err->format_message)(cinfo, trap->message);
    std::longjmp(trap->jump, 1);
}

static void onMessage(j_common_ptr cinfo, int level) {
    // Levels 0 and up are traces; below 0 the library carries on past bad data.
    if (level < 0 &&
        !isHarmless(cinfo->err->msg_code, static_cast<JpegTrap *>(cinfo->client_data)->stage))
        fail(cinfo);
}

static void staySilent(j_common_ptr) {}

} // extern "C"

MemoryDestination &destinationOf(j_compress_ptr cinfo) {
    return *reinterpret_cast<MemoryDestination *>(cinfo->dest);
}

void grow(j_compress_ptr cinfo, size_t capacity) {
    MemoryDestination &d = destinationOf(cinfo);
    auto *bigger = static_cast<JOCTET *>(std::realloc(d.data, capacity));
    if (!bigger)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    d.data = bigger;
    d.capacity = capacity;
    d.manager.next_output_byte = d.data + d.used;
    d.manager.free_in_buffer = d.capacity - d.used;
}

extern "C" {

static void startOutput(j_compress_ptr cinfo) {
    destinationOf(cinfo).used = 0;
    grow(cinfo, std::max<size_t>(destinationOf(cinfo).capacity, 1 << 16));
}

static boolean emptyOutput(j_compress_ptr cinfo) {
    // Called with the whole buffer full.
    MemoryDestination &d = destinationOf(cinfo);
    d.used = d.capacity;
    grow(cinfo, d.capacity * 2);
    return TRUE;
}

static void endOutput(j_compress_ptr cinfo) {
    MemoryDestination &d = destinationOf(cinfo);
    d.used = d.capacity - d.manager.free_in_buffer;
}

} // extern "C"

} // namespace

MemoryDestination::~MemoryDestination() {
    std::free(data);
}

void Compressor::create(JpegTrap &trap, size_t expected) {
    trap.attach(reinterpret_cast<j_common_ptr>(&info));
    jpeg_create_compress(&info);
    out.manager.init_destination = startOutput;
    out.manager.empty_output_buffer = emptyOutput;
    out.manager.term_destination = endOutput;
    info.dest = &out.manager;
    if (expected > 0)
        grow(&info, expected);
}

void Compressor::takeInput(QSize picture) {
    info.image_width = JDIMENSION(picture.width());
    info.image_height = JDIMENSION(picture.height());
    info.input_components = 4;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    info.in_color_space = JCS_EXT_BGRX;
#else
    info.in_color_space = JCS_EXT_XRGB;
#endif
}

void Compressor::writeRows(const QImage &rows) {
    for (int y = 0; y < rows.height(); ++y) {
        auto row = const_cast<JSAMPROW>(rows.constScanLine(y));
        jpeg_write_scanlines(&info, &row, 1);
    }
}

QByteArray Compressor::bytes() const {
    return QByteArray(reinterpret_cast<const char *>(out.data), qsizetype(out.used));
}

void JpegTrap::attach(j_common_ptr object) {
    object->err = jpeg_std_error(&errors);
    errors.error_exit = fail;
    errors.emit_message = onMessage;
    errors.output_message = staySilent;
    object->client_data = this;
}

} // namespace imprimata
