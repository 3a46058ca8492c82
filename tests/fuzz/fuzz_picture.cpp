// Bytes through the reader the program and the tool use: the completeness checks of every
// format, then the loader itself from a file. Whatever the bytes, a message or a picture,
// never a crash, a hang or a read out of bounds.
#include "render/PictureLoader.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

// Small enough that no input can make the fuzzer run out of memory legitimately.
constexpr qint64 MaxFuzzPixels = 2048LL * 2048;

const QString &scratchFile() {
    static QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("picture"));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // The image plugins are found through the application object.
    static int argc = 1;
    static char name[] = "fuzz_picture";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const auto *bytes = reinterpret_cast<const char *>(data);
    for (const char *format : {"jpeg", "bmp", "gif"})
        (void)imprimata::isPictureComplete(format, bytes, qint64(size));

    QFile file(scratchFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes, qint64(size)) != qint64(size))
        return 0;
    file.close();
    const imprimata::Result<QImage> read = imprimata::readPicture(file.fileName(), MaxFuzzPixels);
    if (read ? read->isNull() : read.error().isEmpty())
        __builtin_trap(); // a picture or a reason

    // A JPEG changed block by block: a file or a reason, and a file that reads back.
    const imprimata::Result<QByteArray> changed = imprimata::changeJpegFile(
        file.fileName(), {QRect(3, 5, 20, 9)}, [](QImage &pixels, QPoint) { pixels.fill(Qt::red); },
        MaxFuzzPixels);
    if (changed ? changed->isEmpty() : changed.error().isEmpty())
        __builtin_trap();
    return 0;
}
