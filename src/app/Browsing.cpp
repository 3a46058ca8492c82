// Choosing a folder and a picture, the thumbnail, showing the picture and scrolling it.
#include "MainWindow.h"
#include "Overview.h"
#include "Settings.h"
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
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <utility>

namespace imprimata {

QStringList pictureFileNames(const QDir &folder) {
    // QDir matches name filters without regard to letter case: IMG_0001.JPG is listed.
    static const QStringList patterns{
        QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.jpe"),
        QStringLiteral("*.bmp"), QStringLiteral("*.gif"),  QStringLiteral("*.png"),
        QStringLiteral("*.tif"), QStringLiteral("*.tiff"), QStringLiteral("*.webp")};
    QStringList names = folder.entryList(patterns, QDir::Files | QDir::Readable);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = naturalCompare(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

int naturalCompare(QStringView a, QStringView b) {
    // As people count: IMG_2 before IMG_10, img_3 between them, whatever the locale.
    const auto run = [](QStringView s, qsizetype from) {
        const bool digits = s[from].isDigit();
        qsizetype end = from;
        while (end < s.size() && s[end].isDigit() == digits)
            ++end;
        return s.mid(from, end - from);
    };
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const QStringView x = run(a, i), y = run(b, j);
        i += x.size();
        j += y.size();
        int c = 0;
        if (x[0].isDigit() && y[0].isDigit()) {
            // Without leading zeros, the longer number is the larger.
            const auto significant = [](QStringView n) {
                qsizetype k = 0;
                while (k + 1 < n.size() && n[k] == u'0')
                    ++k;
                return n.mid(k);
            };
            const QStringView p = significant(x), q = significant(y);
            c = p.size() != q.size() ? (p.size() < q.size() ? -1 : 1) : p.compare(q);
        } else {
            c = x.compare(y, Qt::CaseInsensitive);
        }
        if (c != 0)
            return c < 0 ? -1 : 1;
    }
    return (a.size() - i > 0) - (b.size() - j > 0);
}

QString aboutFile(const QString &path, const QString &error) {
    const QString name = QFileInfo(path).fileName();
    return error.contains(name) ? error : QStringLiteral("%1: %2").arg(name, error);
}

void MainWindow::selectStartFolder() {
    const QString start = startFolder();
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
        dialogs_.message(tr("%1 does not exist.").arg(QDir::toNativeSeparators(path)));
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
        dialogs_.message(tr("%1 is not a picture Imprimata shows: it lists JPEG, "
                            "BMP, GIF, PNG, TIFF and WebP files.")
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
        fileList->addItems(pictureFileNames(dir));
        settings_.setValue(SettingKeys::Folder, folder);
        statusBar()->clearMessage();
    } else {
        folderTree->expand(folderTree->currentIndex());
        if (!folder.isEmpty())
            statusBar()->showMessage(tr("%1 cannot be read: no pictures are listed.")
                                         .arg(QDir::toNativeSeparators(folder)));
    }
    fileList->blockSignals(false);

    preview->clear();
    preview->clearView();
    clearShownPicture();
    menuItem(FileMenu::Show)->setEnabled(false);
    menuItem(FileMenu::SaveAs)->setEnabled(false);
    menuItem(MarkMenu::Insert)->setEnabled(false);
    menuItem(MarkMenu::UndoInsert)->setEnabled(false);
    menuItem(MarkMenu::SaveAs)->setEnabled(false);
    // A defined mark enables Edit, and Stamp folder wants pictures besides.
    menuItem(MarkMenu::StampFolder)
        ->setEnabled(menuItem(MarkMenu::Edit)->isEnabled() && fileList->count() > 0);
    if (fileList->count() == 0)
        fileList->setToolTip(QString());
    state_.CurrentPicturePath.clear();
    lastListPath.clear();
    lastListFileName.clear();
    pictureShown = false;
    picturesChanged();
}

void MainWindow::revertFolderSelection() {
    const auto *folders = static_cast<QFileSystemModel *>(folderTree->model());
    revertingFolder_ = true;
    folderTree->setCurrentIndex(folders->index(fileListFolder_));
    revertingFolder_ = false;
}

void MainWindow::clearShownPicture() {
    stampSteps.clear();
    savedStamps = 0;
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
    Result<PictureLayers> read = PictureLayers{};
    QRect thumb;
    QImage thumbnail;
    runBusy(tr("Reading %1 ...").arg(name),
            [&, path = state_.CurrentPicturePath, frame = thumbnailFrame->size(),
             twips = QPointF(twipsPerPixelX(), twipsPerPixelY())] {
                read = readPictureLayers(path);
                if (!read)
                    return;
                thumb = thumbnailRect(read->colours.size(), frame, twips.x(), twips.y());
                thumbnail = thumbnailImage(read->colours, thumb.size());
            });
    if (!read)
        dialogs_.message(aboutFile(state_.CurrentPicturePath, read.error()), MessageIcon::None);
    preview->clear();
    preview->clearView();
    if (!read)
        return;
    Image1 = std::move(read->colours);
    image1Alpha = std::move(read->alpha);
    image1Deep = read->deep;
    pictureWidth = Image1.width();
    pictureHeight = Image1.height();
    image1Path = state_.CurrentPicturePath;
    image1Version = fileVersion(image1Path);
    menuItem(FileMenu::Show)->setEnabled(true);
    fileList->setToolTip(tr("Show - DoubleClick"));
    preview->setGeometry(thumb);
    preview->setPixmap(QPixmap::fromImage(thumbnail));
    showOverview();
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
    shownImagePath = image1Path;
    shownAlpha = image1Alpha;
    shownDeep = image1Deep;
    shownVersion = image1Version;
    stampSteps.clear();
    savedStamps = 0;
    Pic->showPicture(Image1);
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
    picturesChanged();
    PicFrame->setFocus(); // the keys scroll it at once
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
    showOverview();
}

} // namespace imprimata
