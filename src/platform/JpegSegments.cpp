#include "JpegSegments.h"

#include <cstring>

namespace imprimata {

namespace {

bool isRestart(uchar marker) {
    return marker >= 0xD0 && marker <= 0xD7;
}

// The first 0xFF from `from` on; -1 when there is none.
qint64 nextFF(const uchar *p, qint64 n, qint64 from) {
    const void *ff =
        from < n ? std::memchr(p + from, 0xFF, static_cast<std::size_t>(n - from)) : nullptr;
    return ff ? static_cast<const uchar *>(ff) - p : -1;
}

} // namespace

JpegRead readJpegSegment(const uchar *p, qint64 n, qint64 at, JpegSegment &segment) {
    qint64 m = at + 1;
    while (m < n && p[m] == 0xFF)
        ++m;
    if (m >= n)
        return JpegRead::Truncated;
    segment.marker = p[m];
    segment.offset = m - 1;
    if (segment.marker == 0x00 || segment.marker == 0x01 || isRestart(segment.marker) ||
        segment.marker == JpegEoi) {
        segment.size = 2;
        return JpegRead::Segment;
    }
    if (m + 3 > n)
        return JpegRead::Truncated;
    const qint64 length = (qint64(p[m + 1]) << 8) | p[m + 2];
    if (length < 2)
        return JpegRead::Invalid;
    if (m + 1 + length > n)
        return JpegRead::Truncated;
    segment.size = 2 + length;
    return JpegRead::Segment;
}

std::optional<qint64> jpegScanDataEnd(const uchar *p, qint64 n, qint64 from) {
    for (qint64 i = from;;) {
        const qint64 at = nextFF(p, n, i);
        if (at < 0)
            return std::nullopt;
        qint64 j = at + 1;
        while (j < n && p[j] == 0xFF)
            ++j;
        if (j >= n)
            return std::nullopt;
        if (p[j] != 0x00 && !isRestart(p[j]))
            return at;
        i = j + 1;
    }
}

JpegHeadSegments readJpegHeadSegments(const uchar *p, qint64 n) {
    JpegHeadSegments head;
    if (n < 2 || p[0] != 0xFF || p[1] != JpegSoi) {
        head.stop = n < 2 ? JpegHeadSegments::Short : JpegHeadSegments::Broken;
        return head;
    }
    for (qint64 i = 2;;) {
        if (i >= n) {
            head.stop = JpegHeadSegments::Short;
            return head;
        }
        if (p[i] != 0xFF)
            return head;
        JpegSegment s;
        const JpegRead read = readJpegSegment(p, n, i, s);
        if (read == JpegRead::Truncated)
            head.stop = JpegHeadSegments::Short;
        // A marker that stands alone, or a second SOI, has no place before the scan.
        if (read != JpegRead::Segment || s.size == 2 || s.marker == JpegSoi)
            return head;
        head.segments.append(s);
        i = s.end();
        if (s.marker == JpegSos) {
            head.stop = JpegHeadSegments::Scan;
            head.end = i;
            return head;
        }
    }
}

std::optional<int> jpegScanCount(const uchar *p, qint64 n) {
    if (n < 4 || p[0] != 0xFF || p[1] != JpegSoi)
        return std::nullopt;
    int scans = 0;
    for (qint64 i = 2;;) {
        const qint64 at = nextFF(p, n, i);
        JpegSegment s;
        if (at < 0 || readJpegSegment(p, n, at, s) != JpegRead::Segment)
            return std::nullopt;
        if (s.marker == JpegEoi)
            return scans;
        i = s.end();
        if (s.marker != JpegSos)
            continue;
        ++scans;
        const std::optional<qint64> dataEnd = jpegScanDataEnd(p, n, i);
        if (!dataEnd)
            return std::nullopt;
        i = *dataEnd;
    }
}

} // namespace imprimata
