// Choosing a folder and a picture, the thumbnail, showing the picture and scrolling it.
#include "MainWindow.h"
#include "Thumbnail.h"

#include "platform/Numeric.h"
#include "platform/ScreenUnits.h"
#include "render/PictureLoader.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <utility>

namespace imprimata {

namespace {
const QStringList PicturePatterns{QStringLiteral("*.jpg"), QStringLiteral("*.bmp"),
                                  QStringLiteral("*.gif")};
} // namespace

void MainWindow::selectStartFolder() {
    QString start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (start.isEmpty() || !QDir(start).exists())
        start = QDir::homePath();
    const auto *folders = static_cast<QFileSystemModel *>(folderTree->model());
    const QModelIndex node = folders->index(start);
    folderTree->setCurrentIndex(node);
    folderTree->scrollTo(node);
    if (fileListFolder_.isEmpty()) // the tree had it selected already
        onFolderChanged(start);
}

void MainWindow::openPath(const QString &path) {
    const QFileInfo target(path);
    if (!target.exists()) {
        dialogs_.message(QStringLiteral("%1 does not exist.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    const QString folder =
        QDir::cleanPath(target.isDir() ? target.absoluteFilePath() : target.absolutePath());
    const auto *folders = static_cast<QFileSystemModel *>(folderTree->model());
    const QModelIndex node = folders->index(folder);
    folderTree->setCurrentIndex(node);
    folderTree->scrollTo(node);
    // The tree stays where it was when stamps were kept; nothing more may change then.
    if (fileListFolder_ != folder || target.isDir())
        return;
    const auto items = fileList->findItems(target.fileName(), Qt::MatchExactly);
    if (items.isEmpty()) {
        dialogs_.message(QStringLiteral("%1 is not a picture Imprimata shows: it lists files "
                                        "ending in .jpg, .bmp or .gif.")
                             .arg(QDir::toNativeSeparators(path)));
        return;
    }
    fileList->setCurrentItem(items.front());
    // An unreadable picture has been said already, and left Show disabled.
    if (menuItem(FileMenu::Show)->isEnabled())
        runCommand(FileMenu::Show);
}

void MainWindow::onFolderChanged(const QString &folder) {
    if (!mayDiscardStamps()) {
        // Later, not now: a mouse press may still be selecting the node it clicked.
        QTimer::singleShot(0, this, [this] { revertFolderSelection(); });
        return;
    }
    const QDir dir(folder);
    const bool readable = !folder.isEmpty() && dir.exists() && dir.isReadable();
    fileListFolder_ = folder;
    fileList->blockSignals(true);
    fileList->clear();
    if (readable) {
        // QDir matches name filters without regard to letter case: IMG_0001.JPG is listed.
        fileList->addItems(
            dir.entryList(PicturePatterns, QDir::Files | QDir::Readable, QDir::Name));
    } else {
        folderTree->expand(folderTree->currentIndex());
    }
    fileList->blockSignals(false);

    preview->clear();
    clearShownPicture();
    menuItem(FileMenu::Show)->setEnabled(false);
    menuItem(FileMenu::SaveAs)->setEnabled(false);
    menuItem(MarkMenu::Insert)->setEnabled(false);
    menuItem(MarkMenu::UndoInsert)->setEnabled(false);
    menuItem(MarkMenu::SaveAs)->setEnabled(false);
    if (fileList->count() == 0)
        fileList->setToolTip(QString());
    state_.CurrentPicturePath.clear();
    lastListPath.clear();
    lastListFileName.clear();
    pictureShown = false;
}

void MainWindow::revertFolderSelection() {
    const auto *folders = static_cast<QFileSystemModel *>(folderTree->model());
    revertingFolder_ = true;
    folderTree->setCurrentIndex(folders->index(fileListFolder_));
    revertingFolder_ = false;
}

void MainWindow::clearShownPicture() {
    stampedAreas.clear();
    stampsUnsaved = false;
    scrollBars.ShowBar(PicFrame, BothBars, false);
    Pic->showPicture(QImage());
    Pic->setGeometry(0, 0, PicFrame->width(), PicFrame->height());
    Pic->surface().clear();
    Pic->refresh();
}

void MainWindow::onFileClicked() {
    const QListWidgetItem *item = fileList->currentItem();
    if (!item)
        return;
    const QString name = item->text();
    if (name == lastListFileName && fileListFolder_ == lastListPath)
        return;
    lastListFileName = name;
    lastListPath = fileListFolder_;
    state_.CurrentPicturePath = QDir(fileListFolder_).filePath(name);

    // An unreadable file leaves the picture read before it, and its size, as they were.
    Result<QImage> read = readPicture(state_.CurrentPicturePath);
    if (!read)
        dialogs_.message(read.error(), MessageIcon::None);
    preview->clear();
    if (!read)
        return;
    Image1 = std::move(read).value();
    pictureWidth = Image1.width();
    pictureHeight = Image1.height();
    image1Path = state_.CurrentPicturePath;
    image1Version = fileVersion(image1Path);
    menuItem(FileMenu::Show)->setEnabled(true);
    fileList->setToolTip(QStringLiteral("Show - DoubleClick"));
    const QRect thumb =
        thumbnailRect(Image1.size(), thumbnailFrame->size(), twipsPerPixelX(), twipsPerPixelY());
    preview->setGeometry(thumb);
    preview->setPixmap(QPixmap::fromImage(thumbnailImage(Image1, thumb.size())));
    menuItem(MarkMenu::UndoInsert)->setEnabled(false);
}

void MainWindow::Show() {
    if (!mayDiscardStamps())
        return;
    if (pictureWidth == 0 || pictureHeight == 0) {
        Pic->surface().clear();
        Pic->refresh();
        return;
    }
    scrollBars.DetachFlatScrollBars(PicFrame);
    scrollBars.AttachFlatScrollBars(PicFrame);
    scrollBars.SetBarStyle(PicFrame, BothBars, FlatBarStyle);
    scrollBars.SetEventSink(this);
    scrollBars.SetProportionalThumbs(PicFrame, true);
    scrollBars.ShowBar(PicFrame, BothBars, false);

    // The picture is shared with the holder, not copied, until the first stamp.
    shownImage = Image1;
    shownImagePath = image1Path;
    shownVersion = image1Version;
    stampedAreas.clear();
    stampsUnsaved = false;
    Pic->showPicture(shownImage);
    const auto fit = [this](int frame, int picture, int bar) {
        if (frame >= picture)
            return roundToInt((frame - picture) / 2.0);
        scrollBars.ShowBar(PicFrame, bar, true);
        const int arrow = bar == HorizontalBar ? scrollBars.GetScrollCx(PicFrame, bar)
                                               : scrollBars.GetScrollCy(PicFrame, bar);
        const int max = picture - frame + arrow;
        scrollBars.SetScrollPosition(PicFrame, bar, 0);
        scrollBars.SetScrollMax(PicFrame, bar, max);
        if (bar == HorizontalBar)
            scrollBars.SetHorizontalLargeChange(PicFrame, largeChange(max));
        else
            scrollBars.SetVerticalLargeChange(PicFrame, largeChange(max));
        return 0;
    };
    const int left = fit(PicFrame->width(), pictureWidth, HorizontalBar);
    const int top = fit(PicFrame->height(), pictureHeight, VerticalBar);
    Pic->move(left, top);

    menuItem(FileMenu::SaveAs)->setEnabled(true);
    pictureShown = true;
    shownPicturePath = state_.CurrentPicturePath;
    menuItem(MarkMenu::Insert)->setEnabled(state_.CurrentMark.isComplete());
    menuItem(MarkMenu::UndoInsert)->setEnabled(false);
}

void MainWindow::FlatSB_Event(int uMsg, QWidget *hWnd, int iType, int currPos) {
    if (hWnd != PicFrame || uMsg != ScrollNotification)
        return;
    // The bar reports one step beyond its ends; the picture stops where the bar does, so no
    // empty band opens beside it.
    const int bar = iType == HorizontalScroll ? HorizontalBar : VerticalBar;
    const int position = std::clamp(currPos, scrollBars.GetScrollMin(PicFrame, bar),
                                    scrollBars.GetScrollMax(PicFrame, bar));
    if (iType == HorizontalScroll)
        Pic->move(-position, Pic->y());
    else if (iType == VerticalScroll)
        Pic->move(Pic->x(), -position);
}

} // namespace imprimata
