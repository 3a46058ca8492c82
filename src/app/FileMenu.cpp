// File menu: saving the shown picture, stamps included.
#include "MainWindow.h"

#include "render/PictureLoader.h"

#include <QFileInfo>

namespace imprimata {

FileVersion fileVersion(const QString &path) {
    const QFileInfo info(path);
    return {info.exists() ? info.size() : -1, info.lastModified()};
}

Result<PictureWritten> MainWindow::saveShownPicture(const QString &path) {
    const QImage &picture = Pic->surface().image();
    // A JPEG from a JPEG: the blocks the stamps did not touch are copied, not encoded again,
    // while the file still holds the pixels shown.
    if (!isBitmapName(path) && fileVersion(shownImagePath) == shownVersion) {
        Result<QByteArray> jpeg =
            changeJpegFile(shownImagePath, stampedAreas, [&](QImage &pixels, QPoint origin) {
                pixels = picture.copy(QRect(origin, pixels.size()));
            });
        if (jpeg)
            return writeEncodedJpeg(std::move(jpeg).value(), path, shownImagePath);
    }
    return writePicture(picture, path, jpegEncodingFor(shownImagePath), shownImagePath);
}

bool MainWindow::SaveAs() {
    FileDialogRequest request;
    request.title = QStringLiteral("Save file as ...");
    request.filter = QStringLiteral("Bitmaps (*.bmp)|*.bmp|JPEG Images (*.jpg)|*.jpg|");
    request.filterIndex = isBitmapName(shownPicturePath) ? 1 : 2;
    request.initialFolder = QFileInfo(shownPicturePath).absolutePath();
    const QString path = dialogs_.saveFile(request);
    if (path.isEmpty())
        return false;
    // A JPEG keeps the camera data of the file the shown pixels came from, never another's;
    // losing it is said, not fatal.
    const Result<PictureWritten> written = saveShownPicture(path);
    if (!written) {
        dialogs_.message(written.error());
        return false;
    }
    if (!written->warning.isEmpty())
        dialogs_.message(written->warning);
    stampsUnsaved = false;
    return true;
}

bool MainWindow::mayDiscardStamps() {
    if (!stampsUnsaved)
        return true;
    const QString detail =
        QStringLiteral("The marks inserted into %1 are lost unless you save them.")
            .arg(QFileInfo(shownImagePath).fileName());
    switch (dialogs_.askToSave(QStringLiteral("Save the marked picture?"), detail)) {
    case SaveAnswer::Save:
        return SaveAs(); // a cancelled or failed save keeps everything
    case SaveAnswer::Discard:
        return true;
    case SaveAnswer::Cancel:
        break;
    }
    return false;
}

} // namespace imprimata
