// Choosing a folder and a picture, the thumbnail, showing the picture and scrolling it.
#include "Main.h"
#include "Thumbnail.h"

#include "platform/Numeric.h"
#include "platform/ScreenUnits.h"
#include "render/PictureLoader.h"

#include <QAction>
#include <QDir>
#include <QFileSystemModel>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

namespace imprimata {

namespace {
const QStringList PicturePatterns{QStringLiteral("*.jpg"), QStringLiteral("*.bmp"),
                                  QStringLiteral("*.gif")};
} // namespace

void Main::selectStartFolder() {
    QString start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (start.isEmpty() || !QDir(start).exists())
        start = QDir::homePath();
    const auto *folders = static_cast<QFileSystemModel *>(explorer->model());
    const QModelIndex node = folders->index(start);
    explorer->setCurrentIndex(node);
    explorer->scrollTo(node);
    if (fileListFolder_.isEmpty()) // the tree had it selected already
        explorer_Change(start);
}

void Main::explorer_Change(const QString &folder) {
    if (!mayDiscardStamps()) {
        // Later, not now: a mouse press may still be selecting the node it clicked.
        QTimer::singleShot(0, this, [this] { revertFolderSelection(); });
        return;
    }
    const QDir dir(folder);
    const bool readable = !folder.isEmpty() && dir.exists() && dir.isReadable();
    fileListFolder_ = folder;
    FileList->blockSignals(true);
    FileList->clear();
    if (readable) {
        // QDir matches name filters without regard to letter case: IMG_0001.JPG is listed.
        FileList->addItems(
            dir.entryList(PicturePatterns, QDir::Files | QDir::Readable, QDir::Name));
    } else {
        explorer->expand(explorer->currentIndex());
    }
    FileList->blockSignals(false);

    preview->clear();
    clearShownPicture();
    mnu_file[0]->setEnabled(false);
    mnu_file[1]->setEnabled(false);
    mnu_IM[2]->setEnabled(false);
    mnu_IM[3]->setEnabled(false);
    mnu_IM[5]->setEnabled(false);
    if (FileList->count() == 0)
        FileList->setToolTip(QString());
    state_.CurrentPicturePath.clear();
    lastListPath.clear();
    lastListFileName.clear();
    pictureShown = false;
}

void Main::revertFolderSelection() {
    const auto *folders = static_cast<QFileSystemModel *>(explorer->model());
    revertingFolder_ = true;
    explorer->setCurrentIndex(folders->index(fileListFolder_));
    revertingFolder_ = false;
}

void Main::clearShownPicture() {
    stampsUnsaved = false;
    mFlatSB.ShowBar(PicFrame, BothBars, false);
    Pic->showPicture(QImage());
    Pic->setGeometry(0, 0, PicFrame->width(), PicFrame->height());
    Pic->surface().clear();
    Pic->refresh();
}

void Main::FileList_Click() {
    const QListWidgetItem *item = FileList->currentItem();
    if (!item)
        return;
    const QString name = item->text();
    if (name == lastListFileName && fileListFolder_ == lastListPath)
        return;
    lastListFileName = name;
    lastListPath = fileListFolder_;
    state_.CurrentPicturePath = QDir(fileListFolder_).filePath(name);

    const bool read =
        LoadPictureSize(state_.CurrentPicturePath, Image1, pictureWidth, pictureHeight, dialogs_);
    preview->clear();
    if (!read)
        return;
    image1Path = state_.CurrentPicturePath;
    mnu_file[0]->setEnabled(true);
    FileList->setToolTip(QStringLiteral("Show - DoubleClick"));
    const QRect thumb =
        thumbnailRect(Image1.size(), Frame1->size(), twipsPerPixelX(), twipsPerPixelY());
    preview->setGeometry(thumb);
    preview->setPixmap(QPixmap::fromImage(thumbnailImage(Image1, thumb.size())));
    mnu_IM[3]->setEnabled(false);
}

void Main::Show() {
    if (!mayDiscardStamps())
        return;
    if (pictureWidth == 0 || pictureHeight == 0) {
        Pic->surface().clear();
        Pic->refresh();
        return;
    }
    mFlatSB.DetachFlatScrollBars(PicFrame);
    mFlatSB.AttachFlatScrollBars(PicFrame);
    mFlatSB.SetBarStyle(PicFrame, BothBars, FlatBarStyle);
    mFlatSB.SetEventSink(this);
    mFlatSB.SetProportionalThumbs(PicFrame, true);
    mFlatSB.ShowBar(PicFrame, BothBars, false);

    // The picture is shared with the holder, not copied, until the first stamp.
    shownImage = Image1;
    shownImagePath = image1Path;
    stampsUnsaved = false;
    Pic->showPicture(shownImage);
    const auto fit = [this](int frame, int picture, int bar) {
        if (frame >= picture)
            return roundToInt((frame - picture) / 2.0);
        mFlatSB.ShowBar(PicFrame, bar, true);
        const int arrow = bar == HorizontalBar ? mFlatSB.GetScrollCx(PicFrame, bar)
                                               : mFlatSB.GetScrollCy(PicFrame, bar);
        const int max = picture - frame + arrow;
        mFlatSB.SetScrollPosition(PicFrame, bar, 0);
        mFlatSB.SetScrollMax(PicFrame, bar, max);
        if (bar == HorizontalBar)
            mFlatSB.SetHorizontalLargeChange(PicFrame, largeChange(max));
        else
            mFlatSB.SetVerticalLargeChange(PicFrame, largeChange(max));
        return 0;
    };
    const int left = fit(PicFrame->width(), pictureWidth, HorizontalBar);
    const int top = fit(PicFrame->height(), pictureHeight, VerticalBar);
    Pic->move(left, top);

    mnu_file[1]->setEnabled(true);
    pictureShown = true;
    shownPicturePath = state_.CurrentPicturePath;
    mnu_IM[2]->setEnabled(state_.CurrentMark.isComplete());
    mnu_IM[3]->setEnabled(false);
}

void Main::FlatSB_Event(int uMsg, QWidget *hWnd, int iType, int currPos) {
    if (hWnd != PicFrame || uMsg != ScrollNotification)
        return;
    // The bar reports one step beyond its ends; the picture stops where the bar does, so no
    // empty band opens beside it.
    const int bar = iType == HorizontalScroll ? HorizontalBar : VerticalBar;
    const int position = std::clamp(currPos, mFlatSB.GetScrollMin(PicFrame, bar),
                                    mFlatSB.GetScrollMax(PicFrame, bar));
    if (iType == HorizontalScroll)
        Pic->move(-position, Pic->y());
    else if (iType == VerticalScroll)
        Pic->move(Pic->x(), -position);
}

} // namespace imprimata
