// The mark menu: Insert, Undo Insert, Load and Save as.
#include "Main.h"

#include "mark/MarkEditor.h"
#include "placement/Insert.h"
#include "placement/MarkFile.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace imprimata {

namespace {
const QString MarkFileFilter = QStringLiteral("Imprimata files (*.$IM)|*.$IM|");
}

void Main::mnu_IM_Click(int index) {
    guarded([this, index] {
        switch (index) {
        case 0:
            NewMark();
            break;
        case 1:
            EditMark();
            break;
        case 2:
            Insert();
            break;
        case 3:
            UndoInsert();
            break;
        case 4:
            LoadMark();
            break;
        case 5:
            SaveMarkAs();
            break;
        default:
            return;
        }
    });
}

bool Main::runEditor() {
    MarkEditor editor(state_, *this, dialogs_, this);
    editor.exec();
    return state_.MarkAccepted;
}

void Main::NewMark() {
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
    imprim().RefreshPlacement();
    mnu_IM[1]->setEnabled(true);
    mnu_IM[2]->setEnabled(pictureShown);
    mnu_IM[5]->setEnabled(true);
}

void Main::EditMark() {
    if (!runEditor())
        return;
    imprim().RefreshPlacement();
    mnu_IM[2]->setEnabled(pictureShown);
    mnu_IM[5]->setEnabled(true);
}

void Main::Insert() {
    // A mark that cannot be drawn stamps nothing: an empty view would burn a white box in.
    if (const QString why = incompleteMarkReason(state_.CurrentMark); !why.isEmpty()) {
        dialogs_.message(why, MessageIcon::Warning);
        return;
    }
    QString unreadable;
    if (!imprim().RefreshPlacement(&unreadable)) {
        dialogs_.message(
            QStringLiteral("Nothing was inserted: the mark's picture %1 cannot be read.\n%2")
                .arg(QDir::toNativeSeparators(state_.CurrentMark.ImagePath), unreadable));
        return;
    }
    if (InsertMarkAtPlacement(*Pic, imprim(), *PicFrame, state_, dialogs_)) {
        mnu_IM[3]->setEnabled(true);
        stampsUnsaved = true;
    }
    mnu_IM[5]->setEnabled(true);
}

void Main::UndoInsert() {
    // Back to the shown file's pixels, whatever file was clicked since.
    Pic->showPicture(shownImage);
    stampsUnsaved = false;
    mnu_IM[3]->setEnabled(false);
    mnu_IM[5]->setEnabled(true);
}

void Main::LoadMark() {
    FileDialogRequest request;
    request.title = QStringLiteral("Load Imprimata ...");
    request.filter = MarkFileFilter;
    const QString path = dialogs_.openFile(request);
    if (path.isEmpty())
        return;
    MarkSettings record;
    if (!LoadMarkFile(path, record, dialogs_))
        return;
    state_.CurrentMark = record;
    imprim().RefreshPlacement();
    mnu_IM[1]->setEnabled(true);
    mnu_IM[2]->setEnabled(pictureShown);
    mnu_IM[5]->setEnabled(true);
}

void Main::SaveMarkAs() {
    FileDialogRequest request;
    request.title = QStringLiteral("Save Imprimata as ...");
    request.filter = MarkFileFilter;
    request.initialFolder = startFolder_;
    const QString path = dialogs_.saveFile(request);
    if (!path.isEmpty()) {
        // The file carries its own name; the mark takes it only once the file exists.
        MarkSettings named = state_.CurrentMark;
        named.MarkName = QFileInfo(path).fileName();
        if (SaveMarkFile(path, named, dialogs_))
            state_.CurrentMark.MarkName = named.MarkName;
    }
    mnu_IM[5]->setEnabled(true);
}

} // namespace imprimata
