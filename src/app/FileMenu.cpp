// File menu: saving the shown picture, stamps included.
#include "Main.h"

#include "platform/PictureWriter.h"

#include <QFileInfo>

namespace imprimata {

void Main::SaveAs() {
    FileDialogRequest request;
    request.title = QStringLiteral("Save file as ...");
    request.filter = QStringLiteral("Bitmaps (*.bmp)|*.bmp|JPEG Images (*.jpg)|*.jpg|");
    request.filterIndex = isBitmapName(shownPicturePath) ? 1 : 2;
    request.initialFolder = QFileInfo(shownPicturePath).absolutePath();
    const QString path = dialogs_.saveFile(request);
    if (path.isEmpty())
        return;
    // A JPEG keeps the shown photograph's camera data; losing that is said, not fatal.
    QString error, warning;
    if (!writePicture(Pic->surface().image(), path, &error, DefaultJpegQuality, shownPicturePath,
                      &warning))
        dialogs_.message(error);
    else if (!warning.isEmpty())
        dialogs_.message(warning);
}

} // namespace imprimata
