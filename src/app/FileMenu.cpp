// File menu: saving the shown picture, stamps included.
#include "MainWindow.h"
#include "Settings.h"

#include "render/PictureLoader.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStatusBar>

namespace imprimata {

FileVersion fileVersion(const QString &path) {
    const QFileInfo info(path);
    return {info.exists() ? info.size() : -1, info.lastModified()};
}

Result<PictureWritten> MainWindow::saveShownPicture(const QString &path, MetadataKept kept,
                                                    bool &onlyMarkedBlocks) {
    onlyMarkedBlocks = false;
    const MetadataChoice metadata(shownImagePath, kept);
    const QImage &picture = Pic->surface().image();
    // A JPEG from a JPEG: the blocks the stamps did not touch are copied, not encoded again,
    // while the file still holds the pixels shown.
    if (pictureFormatFor(path) == PictureFormat::Jpeg &&
        fileVersion(shownImagePath) == shownVersion) {
        Result<QByteArray> jpeg =
            changeJpegFile(shownImagePath, stampedAreas(), [&](QImage &pixels, QPoint origin) {
                pixels = picture.copy(QRect(origin, pixels.size()));
            });
        if (jpeg) {
            onlyMarkedBlocks = true;
            return writeEncodedJpeg(std::move(jpeg).value(), path, metadata);
        }
    }
    return writePicture(withAlpha(picture, shownAlpha), path, jpegEncodingFor(shownImagePath),
                        metadata);
}

namespace {
// The formats Save as offers, in the filter list's order, and the one a name's extension picks.
const char *const PictureFilter =
    QT_TRANSLATE_NOOP("imprimata::MainWindow", "Bitmaps|*.bmp|JPEG Images|*.jpg;*.jpeg|PNG "
                                               "Images|*.png|TIFF Images|*.tif;*.tiff|WebP "
                                               "Images|*.webp|");
int filterIndexFor(const QString &path) {
    switch (pictureFormatFor(path)) {
    case PictureFormat::Bitmap:
        return 1;
    case PictureFormat::Jpeg:
        return 2;
    case PictureFormat::Png:
        return 3;
    case PictureFormat::Tiff:
        return 4;
    case PictureFormat::Webp:
        return 5;
    }
    return 2;
}
} // namespace

bool MainWindow::SaveAs() {
    FileDialogRequest request;
    request.title = tr("Save file as ...");
    request.filter = tr(PictureFilter);
    request.filterIndex = filterIndexFor(shownPicturePath);
    request.initialFolder = QFileInfo(shownPicturePath).absolutePath();
    // Where a photograph was taken often should not go out with it; the choice is kept.
    bool removeLocation = settings_.value(SettingKeys::RemoveLocation, false).toBool();
    request.checkBoxText = tr("Remove location");
    request.checkBox = &removeLocation;
    const QString path = dialogs_.saveFile(request);
    if (path.isEmpty())
        return false;
    settings_.setValue(SettingKeys::RemoveLocation, removeLocation);
    const MetadataKept kept = removeLocation ? MetadataKept::NoLocation : MetadataKept::All;
    // A JPEG keeps the camera data of the file the shown pixels came from, never another's;
    // losing it is said, not fatal.
    Result<PictureWritten> written = PictureWritten{};
    bool onlyMarkedBlocks = false;
    runBusy(tr("Saving %1 ...").arg(QFileInfo(path).fileName()),
            [&] { written = saveShownPicture(path, kept, onlyMarkedBlocks); });
    if (!written) {
        dialogs_.message(aboutFile(path, written.error()));
        return false;
    }
    if (!written->warning.isEmpty())
        dialogs_.message(aboutFile(path, written->warning));
    savedStamps = stampSteps.size();
    picturesChanged();
    const QString saved = QDir::toNativeSeparators(path);
    statusBar()->showMessage(onlyMarkedBlocks
                                 ? tr("Saved %1: only the marked blocks were re-encoded").arg(saved)
                                 : tr("Saved %1").arg(saved));
    return true;
}

bool MainWindow::mayDiscardStamps() {
    if (!stampsUnsaved())
        return true;
    const QString detail = tr("The marks inserted into %1 are lost unless you save them.")
                               .arg(QFileInfo(shownImagePath).fileName());
    switch (dialogs_.askToSave(tr("Save the marked picture?"), detail)) {
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
