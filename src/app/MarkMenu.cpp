// The mark menu: Insert, Undo Insert, Load and Save as.
#include "MainWindow.h"

#include "mark/MarkEditor.h"
#include "placement/Insert.h"
#include "placement/MarkFile.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>

namespace imprimata {

namespace {
const QString MarkFileExtension = QStringLiteral("$IM");
} // namespace

void MainWindow::runCommand(MarkMenu command) {
    guarded([this, command] {
        switch (command) {
        case MarkMenu::New:
            NewMark();
            break;
        case MarkMenu::Edit:
            EditMark();
            break;
        case MarkMenu::Insert:
            Insert();
            break;
        case MarkMenu::UndoInsert:
            UndoInsert();
            break;
        case MarkMenu::Load:
            LoadMark();
            break;
        case MarkMenu::SaveAs:
            SaveMarkAs();
            break;
        case MarkMenu::StampFolder:
            StampFolder();
            break;
        }
    });
}

bool MainWindow::runEditor() {
    MarkEditor editor(state_, *this, dialogs_, this);
    editor.exec();
    return state_.MarkAccepted;
}

void MainWindow::NewMark() {
    // The editor starts empty; Cancel gives the old text and image back.
    const QString keptText = state_.CurrentMark.Text;
    const QString keptImage = state_.CurrentMark.ImagePath;
    state_.CurrentMark.Text.clear();
    state_.CurrentMark.ImagePath.clear();
    if (!runEditor()) {
        state_.CurrentMark.Text = keptText;
        state_.CurrentMark.ImagePath = keptImage;
        return;
    }
    refreshPlacement();
    markDefined();
}

void MainWindow::refreshPlacement() {
    if (const Result<void> drawn = placementWindow().RefreshPlacement(); !drawn)
        dialogs_.message(drawn.error());
}

void MainWindow::EditMark() {
    if (!runEditor())
        return;
    refreshPlacement();
    markDefined();
}

void MainWindow::Insert() {
    // A mark that cannot be drawn stamps nothing: an empty view would burn a white box in.
    if (const QString why = incompleteMarkReason(state_.CurrentMark); !why.isEmpty()) {
        dialogs_.message(why, MessageIcon::Warning);
        return;
    }
    if (const Result<void> drawn = placementWindow().RefreshPlacement(); !drawn) {
        dialogs_.message(
            tr("Nothing was inserted: the mark's picture %1 cannot be read.\n%2")
                .arg(QDir::toNativeSeparators(state_.CurrentMark.ImagePath), drawn.error()));
        return;
    }
    QImage covered;
    if (const QRect stamped =
            InsertMarkAtPlacement(*Pic, placementWindow(), *PicFrame, state_, dialogs_, &covered);
        !stamped.isEmpty()) {
        // Stamped again after taking back below the saved ones: the saved file is no more.
        if (savedStamps && *savedStamps > stampSteps.size())
            savedStamps.reset();
        stampSteps.append({stamped, std::move(covered)});
        menuItem(MarkMenu::UndoInsert)->setEnabled(true);
        picturesChanged();
    }
    menuItem(MarkMenu::SaveAs)->setEnabled(true);
}

void MainWindow::UndoInsert() {
    if (stampSteps.isEmpty())
        return;
    // The last stamp first: its rectangle gets back the pixels it covered.
    const StampStep last = stampSteps.takeLast();
    blockCopy(Pic->surface().image(), last.area.x(), last.area.y(), last.area.width(),
              last.area.height(), last.previous, 0, 0);
    Pic->refresh();
    menuItem(MarkMenu::UndoInsert)->setEnabled(!stampSteps.isEmpty());
    menuItem(MarkMenu::SaveAs)->setEnabled(true);
    picturesChanged();
}

void MainWindow::LoadMark() {
    FileDialogRequest request;
    request.title = tr("Load Imprimata ...");
    request.filter = tr("Imprimata files|*.$IM|") + tr("All files|*|");
    request.initialFolder = markFolder();
    const QString path = dialogs_.openFile(request);
    if (path.isEmpty())
        return;
    MarkSettings record;
    if (!LoadMarkFile(path, record, dialogs_))
        return;
    state_.CurrentMark = record;
    rememberMarkFile(path);
    refreshPlacement();
    markDefined();
}

void MainWindow::markDefined() {
    menuItem(MarkMenu::Edit)->setEnabled(true);
    menuItem(MarkMenu::Insert)->setEnabled(pictureShown);
    menuItem(MarkMenu::SaveAs)->setEnabled(true);
    menuItem(MarkMenu::StampFolder)->setEnabled(fileList->count() > 0);
}

void MainWindow::SaveMarkAs() {
    FileDialogRequest request;
    request.title = tr("Save Imprimata as ...");
    request.filter = tr("Imprimata files|*.$IM|");
    request.defaultSuffix = MarkFileExtension;
    request.initialFolder = markFolder().isEmpty() ? startFolder_ : markFolder();
    QString path = dialogs_.saveFile(request);
    if (!path.isEmpty()) {
        if (QFileInfo(path).suffix().isEmpty())
            path += u'.' + MarkFileExtension;
        // The file carries its own name; the mark takes it only once the file exists.
        MarkSettings named = state_.CurrentMark;
        named.MarkName = QFileInfo(path).fileName();
        if (SaveMarkFile(path, named, dialogs_)) {
            state_.CurrentMark.MarkName = named.MarkName;
            rememberMarkFile(path);
        }
    }
    menuItem(MarkMenu::SaveAs)->setEnabled(true);
}

} // namespace imprimata
