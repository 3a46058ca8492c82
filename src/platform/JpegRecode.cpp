#include "JpegRecode.h"

#include "JpegDecoder.h"
#include "JpegSegments.h"
#include "JpegTrap.h"

#include <QCoreApplication>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace imprimata {

namespace {

// Enough rows that handing them over costs nothing beside coding them, few enough that the
// rows in flight stay a few megabytes.
constexpr int ChunkRows = 64;
constexpr size_t ChunksInFlight = 3;

// The rows on their way from the decoding thread to the encoding one. The decoder closes it
// when its rows are all in or it failed; the encoder gives up on it when it failed itself.
class RowQueue {
public:
    // False once the encoder has given up.
    bool push(QImage rows) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return chunks_.size() < ChunksInFlight || abandoned_; });
        if (abandoned_)
            return false;
        chunks_.push_back(std::move(rows));
        changed_.notify_all();
        return true;
    }
    // False when no more rows will come.
    bool pop(QImage &rows) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !chunks_.empty() || closed_; });
        if (chunks_.empty())
            return false;
        rows = std::move(chunks_.front());
        chunks_.pop_front();
        changed_.notify_all();
        return true;
    }
    void close(bool complete) {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        complete_ = complete;
        changed_.notify_all();
    }
    void abandon() {
        const std::lock_guard lock(mutex_);
        abandoned_ = true;
        changed_.notify_all();
    }
    bool complete() {
        const std::lock_guard lock(mutex_);
        return complete_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<QImage> chunks_;
    bool closed_ = false, complete_ = false, abandoned_ = false;
};

// The encoding thread's state, kept outside its setjmp frame.
struct Encoding {
    JpegTrap trap;
    Compressor c;
    QImage rows;
};

bool encodeRows(Encoding &e, QSize size, size_t expected, const JpegEncoding &encoding,
                const JpegExtras &extras, RowQueue &queue) {
    if (setjmp(e.trap.jump))
        return false;
    e.c.create(e.trap, expected);
    startJpeg(e.c, size, encoding, extras);
    while (queue.pop(e.rows))
        e.c.writeRows(e.rows);
    if (!queue.complete())
        return false;
    jpeg_finish_compress(&e.c.info);
    return true;
}

// Decodes the rows in chunks, the band as one, and hands them on.
bool decodeRows(Decoder &d, const QRect &band, const PixelChange &change, RowQueue &queue,
                QImage &rows) {
    if (setjmp(d.trap.jump))
        return false;
    if (!d.startRgb() || d.info.output_components != 4)
        return false;
    const int width = int(d.info.output_width), height = int(d.info.output_height);
    while (int(d.info.output_scanline) < height) {
        const int top = int(d.info.output_scanline);
        int bottom = std::min(top + ChunkRows, height);
        if (top == band.top())
            bottom = std::min(band.bottom() + 1, height);
        else if (top < band.top())
            bottom = std::min(bottom, band.top());
        rows = QImage(width, bottom - top, QImage::Format_RGB32);
        if (rows.isNull())
            return false;
        d.readRgbRows(rows);
        if (top == band.top())
            change(rows, QPoint(0, top));
        if (!queue.push(std::move(rows)))
            return false;
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

} // namespace

Result<QByteArray> recodeJpeg(const uchar *data, qint64 size, const JpegEncoding &encoding,
                              const QRect &band, const PixelChange &change) {
    const QString damaged = QCoreApplication::translate("imprimata", "the JPEG data is damaged");
    const std::optional<int> scans = jpegScanCount(data, size);
    if (!scans || *scans > MaxJpegScans)
        return Failure{damaged};
    Decoder decoder(data, size);
    if (size <= 0 || !decoder.readHeader(true))
        return Failure{damaged};
    if (decoder.info.jpeg_color_space == JCS_CMYK || decoder.info.jpeg_color_space == JCS_YCCK)
        return Failure{QCoreApplication::translate("imprimata", "a CMYK picture is decoded whole")};
    QImage markers(1, 1, QImage::Format_RGB32);
    copyMarkers(decoder.info, markers);
    const JpegExtras extras = JpegExtras::of(markers);
    const QSize picture(int(decoder.info.image_width), int(decoder.info.image_height));

    RowQueue queue;
    Encoding encoded;
    bool encodedWell = false;
    std::thread encoder([&] {
        encodedWell = encodeRows(encoded, picture, size_t(size), encoding, extras, queue);
        if (!encodedWell)
            queue.abandon();
    });
    bool decodedWell = false;
    QImage rows;
    try {
        decodedWell = decodeRows(decoder, band, change, queue, rows);
    } catch (...) {
        queue.close(false);
        encoder.join();
        throw;
    }
    queue.close(decodedWell);
    encoder.join();
    // An encoder that stopped for want of rows has nothing to say.
    if (!encodedWell && encoded.trap.message[0])
        return Failure{QString::fromLocal8Bit(encoded.trap.message)};
    if (!decodedWell)
        return Failure{decoder.trap.message[0] ? QString::fromLocal8Bit(decoder.trap.message)
                                               : damaged};
    return encoded.c.bytes();
}

} // namespace imprimata
