#include "JpegTrap.h"

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

} // namespace

void JpegTrap::attach(j_common_ptr object) {
    object->err = jpeg_std_error(&errors);
    errors.error_exit = fail;
    errors.emit_message = onMessage;
    errors.output_message = staySilent;
    object->client_data = this;
}

} // namespace imprimata
