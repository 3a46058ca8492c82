// Bytes through the mark-file reader the program and the tool use. Whatever the bytes, a
// record or a reason, never a crash; and whatever is accepted, the writer writes back and
// the reader reads to the very same fields, and writing that again gives the same bytes.
#include "placement/MarkFile.h"

#include <QDebug>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace imprimata;

namespace {

// Every stored field, the font's included.
QString fields(const MarkSettings &m) {
    QString s;
    QDebug(&s) << m.MarkType << m.Text << m.MarkName << m.ImagePath << m.Colour << +m.PrintMode
               << +m.Level << +m.ImageTransparency << m.RasterOp << m.MarkHeight << m.MarkWidth
               << m.SmoothEdges;
    if (m.Font) {
        const QFont &f = m.Font->font;
        QDebug(&s) << m.Font->charSet << f.family() << f.pointSizeF() << f.bold() << f.italic()
                   << f.strikeOut() << f.underline() << f.weight();
    }
    return s;
}

[[noreturn]] void mismatch(const char *what, const QString &detail) {
    std::fprintf(stderr, "mark file round trip: %s\n%s\n", what, qPrintable(detail));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const Result<MarkSettings> decoded = decodeMarkFile(bytes);
    if (!decoded) {
        if (decoded.error().isEmpty())
            mismatch("refused without a reason", {});
        return 0;
    }
    const MarkSettings &first = decoded.value();

    const Result<QByteArray> encoded = encodeMarkFile(first);
    if (!encoded) {
        // A value read without quotes may hold one, which no mark file can store.
        if (!(first.Text + first.MarkName + first.ImagePath + first.Font->font.family())
                 .contains(u'"'))
            mismatch("an accepted mark cannot be written", encoded.error());
        return 0;
    }
    const QByteArray &written = encoded.value();
    const Result<MarkSettings> second = decodeMarkFile(written);
    if (!second) {
        mismatch("what was written is refused",
                 second.error() + u'\n' + QString::fromUtf8(written));
        return 0;
    }
    if (fields(second.value()) != fields(first))
        mismatch("fields differ", fields(first) + u'\n' + fields(second.value()));
    const Result<QByteArray> again = encodeMarkFile(second.value());
    if (!again || again.value() != written)
        mismatch("written twice, the bytes differ", QString::fromUtf8(written));
    return 0;
}
