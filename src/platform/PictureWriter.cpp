#include "PictureWriter.h"

#include "Metadata.h"

#include <QFile>
#include <QFileInfo>
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
    return Failure{errno == EEXIST ? QStringLiteral("the file already exists")
                                   : systemError(errno)};
}

// A whole JPEG file, with the metadata of the file at metadataSource carried over.
Result<PictureWritten> writeJpeg(QByteArray &jpeg, const QString &metadataSource,
                                 PixelOrientation orientation, DescriptorDevice &device) {
    PictureWritten written;
    if (!metadataSource.isEmpty()) {
        if (const Result<void> kept = copyMetadata(metadataSource, jpeg, orientation); !kept)
            written.warning = kept.error();
    }
    if (device.write(jpeg) != jpeg.size())
        return Failure{device.errorString()};
    return written;
}

// The bytes of the picture: a bitmap straight to the device, a JPEG through memory so the
// metadata goes in before the file is written once.
Result<PictureWritten> encode(const QImage &image, bool bitmap, const JpegEncoding &encoding,
                              const QString &metadataSource, DescriptorDevice &device) {
    if (bitmap) {
        QImageWriter writer(&device, "bmp");
        if (writer.write(image))
            return PictureWritten{};
        // A failing device (a full disk) says more than the encoder's "device error".
        return Failure{device.failure() != 0 ? device.errorString() : writer.errorString()};
    }
    Result<QByteArray> jpeg = encodeJpeg(image, encoding);
    if (!jpeg)
        return Failure{jpeg.error()};
    return writeJpeg(*jpeg, metadataSource, PixelOrientation::Upright, device);
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
        return Failure{QStringLiteral("the file already exists")};

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
    return path.right(4).toUpper() == QLatin1String(".BMP");
}

Result<PictureWritten> writePicture(const QImage &image, const QString &path,
                                    const JpegEncoding &encoding, const QString &metadataSource,
                                    ExistingFile existing) {
    if (image.isNull())
        return Failure{QStringLiteral("there is no picture to write")};
    return writeThroughTemporary(path, existing, [&](DescriptorDevice &device) {
        return encode(image, isBitmapName(path), encoding, metadataSource, device);
    });
}

Result<PictureWritten> writeEncodedJpeg(QByteArray jpeg, const QString &path,
                                        const QString &metadataSource, ExistingFile existing) {
    return writeThroughTemporary(path, existing, [&](DescriptorDevice &device) {
        return writeJpeg(jpeg, metadataSource, PixelOrientation::AsStored, device);
    });
}

} // namespace imprimata
