// File menu: saving the shown picture, stamps included.
#include "MainWindow.h"

#include "platform/PictureWriter.h"

#include <QFileInfo>

namespace imprimata {

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
    const Result<PictureWritten> written =
        writePicture(Pic->surface().image(), path, DefaultJpegQuality, shownImagePath);
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
