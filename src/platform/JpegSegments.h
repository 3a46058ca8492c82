#pragma once

#include <QList>
#include <QtGlobal>
#include <optional>

namespace imprimata {

inline constexpr uchar JpegSoi = 0xD8, JpegEoi = 0xD9, JpegSos = 0xDA;

// One marker of a JPEG file, with its length field and payload where it has them.
struct JpegSegment {
    uchar marker = 0;
    qint64 offset = 0; // of the 0xFF right before the marker; fill bytes before that are not kept
    qint64 size = 0;   // from that 0xFF to the end of the payload; 2 for a marker without a length

    qint64 payloadOffset() const { return offset + 4; }
    qint64 payloadSize() const { return size - 4; }
    qint64 end() const { return offset + size; }
};

enum class JpegRead { Segment, Truncated, Invalid };

// Reads the segment at `at`, which holds a 0xFF: any number of fill bytes, the marker, and
// its length field and payload. TEM, the restart markers, EOI and a stuffed zero carry no
// length. Truncated when the data ends inside the segment; Invalid when its length is below 2.
JpegRead readJpegSegment(const uchar *data, qint64 size, qint64 at, JpegSegment &segment);

// Where the entropy-coded data starting at `from` ends: the first 0xFF that starts neither a
// stuffed zero nor a restart marker. Nothing when the data ends first.
std::optional<qint64> jpegScanDataEnd(const uchar *data, qint64 size, qint64 from);

// The segments from SOI to the first scan header, walked strictly: a stray byte or a marker
// out of place stops the walk, since these segments are copied as they are.
struct JpegHeadSegments {
    enum Stop { Scan, Short, Broken };
    QList<JpegSegment> segments; // up to and including the first scan header
    Stop stop = Broken;
    qint64 end = 0; // where the first scan's data starts, when stop is Scan
};

JpegHeadSegments readJpegHeadSegments(const uchar *data, qint64 size);

// Walks the markers from SOI to EOI, skipping segments by their lengths and scan data up to
// the next real marker: the number of scans, or nothing when the data ends before EOI.
// Stray bytes between segments are let be, as decoders do; anything after EOI (padding,
// appended data) is fine.
std::optional<int> jpegScanCount(const uchar *data, qint64 size);

} // namespace imprimata
