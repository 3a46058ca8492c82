#pragma once

// For platform's own use: libjpeg's error handling made safe for a library that must not
// exit, and strict about damaged data.

#include <csetjmp>
#include <cstdio> // jpeglib.h uses FILE without including it

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

} // namespace imprimata
