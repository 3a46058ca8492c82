#include "PictureWriter.h"

#include "Metadata.h"

#include <QBuffer>
#include <QColorSpace>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace imprimata {

namespace {

QString systemError(int code) {
    return qt_error_string(code);
}

// Writes straight to a file descriptor, without a buffer that could fail later where nobody
// looks, and keeps the system's reason for the first failure.
class DescriptorDevice : public QIODevice {
public:
    explicit DescriptorDevice(int fd) : fd_(fd) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    int failure() const { return failure_; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override {
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd_, data + done, static_cast<size_t>(size - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                // A short write that makes no progress is a full disk by another name.
                failure_ = n < 0 ? errno : ENOSPC;
                setErrorString(systemError(failure_));
                return -1;
            }
            done += n;
        }
        return done;
    }

private:
    int fd_;
    int failure_ = 0;
};

// A new file beside the target, so the final rename stays within one file system. Created
// with the usual permissions (the umask applies), or the replaced file's own.
struct Temporary {
    QByteArray path;
    int fd = -1;
};

Result<Temporary> createTemporary(const QByteArray &target) {
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(target)).path());
    const QByteArray name = QFile::encodeName(QFileInfo(QFile::decodeName(target)).fileName());
    struct stat existing {};
    const bool replacing = ::stat(target.constData(), &existing) == 0 && S_ISREG(existing.st_mode);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray path = folder + "/." + name + '.' +
                                QByteArray::number(QRandomGenerator::global()->generate(), 16) +
                                ".part";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (replacing)
                (void)::fchmod(fd, existing.st_mode & 07777);
            return Temporary{path, fd};
        }
        if (errno != EEXIST)
            return Failure{systemError(errno)};
    }
    return Failure{systemError(EEXIST)};
}

// Puts the finished file under its name. Kept, the name is claimed only if it is still free.
Result<void> moveIntoPlace(const QByteArray &from, const QByteArray &to, ExistingFile existing) {
    if (existing == ExistingFile::Replace) {
        if (::rename(from.constData(), to.constData()) == 0)
            return {};
        return Failure{systemError(errno)};
    }
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno == EINVAL || errno == ENOSYS) {
        // A file system without the exclusive rename: a hard link claims the name as surely.
        if (::link(from.constData(), to.constData()) == 0) {
            ::unlink(from.constData());
            return {};
        }
    }
    return Failure{errno == EEXIST
                       ? QCoreApplication::translate("imprimata", "the file already exists")
                       : systemError(errno)};
}

// Carries the metadata of the file at metadata.source into a whole file in memory, then removes
// what is not to be kept. A failure to keep metadata is a warning; a failure to remove it fails
// the picture, which must not go out with what the user asked to take away.
Result<PictureWritten> takeMetadata(QByteArray &file, const MetadataChoice &metadata,
                                    PixelOrientation orientation) {
    PictureWritten written;
    if (!metadata.source.isEmpty()) {
        const Result<void> kept = copyMetadata(metadata.source, file, orientation);
        // Of what is about to be removed, nothing is missed.
        if (!kept && metadata.kept != MetadataKept::ColourProfile)
            written.warning = kept.error();
    }
    if (const Result<void> stripped = stripMetadata(file, metadata.kept); !stripped)
        return Failure{stripped.error()};
    return written;
}

// A whole JPEG file, with the metadata of the file at metadata.source carried over.
Result<PictureWritten> writeJpeg(QByteArray &jpeg, const MetadataChoice &metadata,
                                 PixelOrientation orientation, DescriptorDevice &device) {
    Result<PictureWritten> written = takeMetadata(jpeg, metadata, orientation);
    if (written && device.write(jpeg) != jpeg.size())
        return Failure{device.errorString()};
    return written;
}

// PNG, TIFF or WebP through Qt's plugins, into memory: the TIFF writer needs to seek, and
// the metadata goes in before the file is written once.
Result<PictureWritten> encodeWithPlugin(const QImage &image, PictureFormat format,
                                        const JpegEncoding &encoding,
                                        const MetadataChoice &metadata, DescriptorDevice &device) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const char *name = format == PictureFormat::Png    ? "png"
                       : format == PictureFormat::Tiff ? "tiff"
                                                       : "webp";
    QImageWriter writer(&buffer, name);
    if (format == PictureFormat::Webp) // 100 is lossless
        writer.setQuality(encoding.quality);
    if (format == PictureFormat::Tiff)
        writer.setCompression(1); // LZW: lossless, and what cameras' TIFF readers all know
    // The plugins write the text the picture was read with (a PNG's own text chunks): with
    // nothing but the profile to keep, the pixels go without it. They write the profile of the
    // picture's colour space, which is the source's when the picture has none of its own (the
    // library cannot add one to a WebP). Either way the pixels are not copied.
    QImage bare;
    const QColorSpace sourceSpace =
        image.colorSpace().isValid() || metadata.source.isEmpty()
            ? QColorSpace()
            : QColorSpace::fromIccProfile(colourProfileOf(metadata.source));
    if (metadata.kept == MetadataKept::ColourProfile || sourceSpace.isValid()) {
        bare = QImage(image.constBits(), image.width(), image.height(), image.bytesPerLine(),
                      image.format());
        bare.setDotsPerMeterX(image.dotsPerMeterX());
        bare.setDotsPerMeterY(image.dotsPerMeterY());
        bare.setColorSpace(sourceSpace.isValid() ? sourceSpace : image.colorSpace());
        if (metadata.kept != MetadataKept::ColourProfile)
            for (const QString &key : image.textKeys())
                bare.setText(key, image.text(key));
    }
    if (!writer.write(bare.isNull() ? image : bare))
        return Failure{writer.errorString()};
    buffer.close();
    // With the profile alone to keep, the plugin has written all there is.
    Result<PictureWritten> written = metadata.kept == MetadataKept::ColourProfile
                                         ? PictureWritten{}
                                         : takeMetadata(bytes, metadata, PixelOrientation::Upright);
    if (written && device.write(bytes) != bytes.size())
        return Failure{device.errorString()};
    return written;
}

// The bytes of the picture: a bitmap straight to the device, the others through memory so the
// metadata goes in before the file is written once. Only PNG, TIFF and WebP keep alpha.
Result<PictureWritten> encode(const QImage &image, PictureFormat format,
                              const JpegEncoding &encoding, const MetadataChoice &metadata,
                              DescriptorDevice &device) {
    const bool keepsAlpha = format == PictureFormat::Png || format == PictureFormat::Tiff ||
                            format == PictureFormat::Webp;
    if (keepsAlpha)
        return encodeWithPlugin(image, format, encoding, metadata, device);
    const QImage opaque =
        image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_RGB32) : image;
    if (format == PictureFormat::Bitmap) {
        QImageWriter writer(&device, "bmp");
        if (writer.write(opaque))
            return PictureWritten{};
        // A failing device (a full disk) says more than the encoder's "device error".
        return Failure{device.failure() != 0 ? device.errorString() : writer.errorString()};
    }
    Result<QByteArray> jpeg = encodeJpeg(opaque, encoding);
    if (!jpeg)
        return Failure{jpeg.error()};
    return writeJpeg(*jpeg, metadata, PixelOrientation::Upright, device);
}

// Said whatever the output, which has 8 bits a channel. A pipe is never opened to look.
QString depthWarning(const QString &source) {
    if (source.isEmpty() || !QFileInfo(source).isFile())
        return {};
    const QImage::Format format = QImageReader(source).imageFormat();
    const bool deep =
        format == QImage::Format_Grayscale16 ||
        (format != QImage::Format_Invalid && QImage::toPixelFormat(format).bitsPerPixel() > 32);
    return deep ? QCoreApplication::translate("imprimata",
                                              "saved with 8 bits per channel (the source has more)")
                : QString();
}

// Writes the temporary file through `produce`, then puts it under the name.
Result<PictureWritten>
writeThroughTemporary(const QString &path, ExistingFile existing,
                      const std::function<Result<PictureWritten>(DescriptorDevice &)> &produce) {
    // Writing to a link replaces the file it points to, not the link.
    const QFileInfo info(path);
    const QString resolved = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    const QByteArray target = QFile::encodeName(resolved);
    if (existing == ExistingFile::Keep && QFileInfo::exists(resolved))
        return Failure{QCoreApplication::translate("imprimata", "the file already exists")};

    Result<Temporary> created = createTemporary(target);
    if (!created)
        return Failure{created.error()};
    Temporary &temporary = created.value();
    const auto abandon = [&](const QString &reason) {
        if (temporary.fd >= 0)
            ::close(temporary.fd);
        ::unlink(temporary.path.constData());
        return Failure{reason};
    };

    Result<PictureWritten> written = [&] {
        DescriptorDevice device(temporary.fd);
        return produce(device);
    }();
    if (!written)
        return abandon(written.error());
    // The data must be on the disk before the name points at it; close reports late
    // failures of network file systems.
    if (::fsync(temporary.fd) != 0)
        return abandon(systemError(errno));
    const int closed = ::close(temporary.fd);
    temporary.fd = -1;
    if (closed != 0)
        return abandon(systemError(errno));
    if (const Result<void> moved = moveIntoPlace(temporary.path, target, existing); !moved)
        return abandon(moved.error());
    return written;
}

} // namespace

bool isBitmapName(const QString &path) {
    return pictureFormatFor(path) == PictureFormat::Bitmap;
}

PictureFormat pictureFormatFor(const QString &path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"bmp")
        return PictureFormat::Bitmap;
    if (suffix == u"png")
        return PictureFormat::Png;
    if (suffix == u"tif" || suffix == u"tiff")
        return PictureFormat::Tiff;
    if (suffix == u"webp")
        return PictureFormat::Webp;
    return PictureFormat::Jpeg;
}

Result<PictureWritten> writePicture(const QImage &image, const QString &path,
                                    const JpegEncoding &encoding, const MetadataChoice &metadata,
                                    ExistingFile existing) {
    if (image.isNull())
        return Failure{QCoreApplication::translate("imprimata", "there is no picture to write")};
    // Looked at first: the source may be the very file being replaced.
    const QString depth = depthWarning(metadata.source);
    Result<PictureWritten> written =
        writeThroughTemporary(path, existing, [&](DescriptorDevice &device) {
            return encode(image, pictureFormatFor(path), encoding, metadata, device);
        });
    if (written && !depth.isEmpty())
        written->warning =
            written->warning.isEmpty() ? depth : written->warning + QStringLiteral("; ") + depth;
    return written;
}

Result<PictureWritten> writeEncodedJpeg(QByteArray jpeg, const QString &path,
                                        const MetadataChoice &metadata, ExistingFile existing) {
    return writeThroughTemporary(path, existing, [&](DescriptorDevice &device) {
        return writeJpeg(jpeg, metadata, PixelOrientation::AsStored, device);
    });
}

} // namespace imprimata
