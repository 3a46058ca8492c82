// What the window tells and remembers: the status bar and title, the overview in the preview
// box, long work under a busy cursor, and the settings kept between runs.
#include "MainWindow.h"
#include "Overview.h"
#include "Settings.h"
#include "Thumbnail.h"

#include "placement/MarkFile.h"
#include "platform/ScreenUnits.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QThread>
#include <algorithm>
#include <exception>

namespace imprimata {

QList<QRect> MainWindow::stampedAreas() const {
    QList<QRect> areas;
    for (const StampStep &step : stampSteps)
        areas.append(step.area);
    return areas;
}

bool MainWindow::previewShowsShownPicture() const {
    return pictureShown && image1Path == shownImagePath;
}

void MainWindow::picturesChanged() {
    const bool shown = pictureShown && !shownImagePath.isEmpty();
    const QString name = shown ? QFileInfo(shownImagePath).fileName() : QString();
    statusFields[0]->setText(name);
    QString size = tr("%1 \u00d7 %2 pixels").arg(pictureWidth).arg(pictureHeight);
    if (shownDeep)
        size += tr(", stamped and saved with 8 bits per channel (the picture has more)");
    statusFields[1]->setText(shown ? size : QString());
    const qsizetype stamps = stampSteps.size();
    statusFields[2]->setText(!shown        ? QString()
                             : stamps == 1 ? tr("1 stamp")
                                           : tr("%1 stamps").arg(stamps));
    statusFields[3]->setText(stampsUnsaved() ? tr("unsaved") : QString());
    for (QLabel *field : statusFields)
        field->setVisible(!field->text().isEmpty());
    setWindowTitle(shown ? tr("%1[*] — Imprimata Print").arg(name) : tr("Imprimata Print"));
    setWindowModified(stampsUnsaved());

    // The thumbnail of the shown picture shows its stamps too.
    if (previewShowsShownPicture())
        preview->setPixmap(
            QPixmap::fromImage(thumbnailImage(Pic->surface().image(), preview->size())));
    showOverview();
}

void MainWindow::showOverview() {
    if (!previewShowsShownPicture()) {
        preview->clearView();
        return;
    }
    const QRect picture(QPoint(0, 0), Pic->size());
    const QRect visible = QRect(-Pic->pos(), PicFrame->size()) & picture;
    QRect placement;
    if (placementWindow_ && placementWindow_->isVisible()) {
        const PictureBox &view = placementWindow_->PicIM(0);
        placement =
            QRect(Pic->mapFromGlobal(view.mapToGlobal(QPoint(0, 0))), view.size()) & picture;
    }
    preview->setView(picture.size(), visible, placement);
}

void MainWindow::centreViewOn(QPoint picturePixel) {
    if (!pictureShown)
        return;
    const auto scroll = [this](int bar, int frame, int picture, int centre) {
        if (picture <= frame)
            return;
        const int position = std::clamp(centre - frame / 2, scrollBars.GetScrollMin(PicFrame, bar),
                                        scrollBars.GetScrollMax(PicFrame, bar));
        // Through the bar and its notification, as a drag of its thumb goes.
        scrollBars.SetScrollPosition(PicFrame, bar, position);
        FlatSB_Event(ScrollNotification, PicFrame,
                     bar == HorizontalBar ? HorizontalScroll : VerticalScroll, position);
    };
    scroll(HorizontalBar, PicFrame->width(), Pic->width(), picturePixel.x());
    scroll(VerticalBar, PicFrame->height(), Pic->height(), picturePixel.y());
}

void MainWindow::runBusy(const QString &message, const std::function<void()> &work) {
    // The work runs beside the event loop, so the window keeps painting; what the user does
    // meanwhile waits until it is done.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    statusBar()->showMessage(message);
    std::exception_ptr failure;
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create([&work, &failure] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    statusBar()->clearMessage();
    QApplication::restoreOverrideCursor();
    if (failure)
        std::rethrow_exception(failure);
}

QString MainWindow::startFolder() const {
    const QString remembered = settings_.value(SettingKeys::Folder).toString();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    QString start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (start.isEmpty() || !QDir(start).exists())
        start = QDir::homePath();
    return start;
}

void MainWindow::rememberMarkFile(const QString &path) {
    settings_.setValue(SettingKeys::MarkFile, QFileInfo(path).absoluteFilePath());
}

QString MainWindow::markFolder() const {
    const QString last = settings_.value(SettingKeys::MarkFile).toString();
    return last.isEmpty() ? QString() : QFileInfo(last).absolutePath();
}

bool MainWindow::restoreWindowGeometry() {
    const QByteArray geometry = settings_.value(SettingKeys::WindowGeometry).toByteArray();
    if (!geometry.isEmpty() && restoreGeometry(geometry))
        return true;
    // First start: maximised, and a restore gives the designed size within the screen.
    if (const QScreen *on = screen()) {
        const QRect available = on->availableGeometry();
        QRect normal(QPoint(0, 0), size().boundedTo(available.size()));
        normal.moveCenter(available.center());
        setGeometry(normal);
    }
    setWindowState(windowState() | Qt::WindowMaximized);
    return false;
}

void MainWindow::restoreSession() {
    if (const QString markPath = settings_.value(SettingKeys::MarkFile).toString();
        !markPath.isEmpty()) {
        const Result<MarkSettings> read = readMarkFile(markPath);
        if (read) {
            state_.CurrentMark = read.value();
            refreshPlacement();
            markDefined();
        } else {
            statusBar()->showMessage(
                tr("The last mark was not loaded again: %1").arg(read.error()));
        }
    }
    const QVariant offset = settings_.value(SettingKeys::PlacementOffset);
    if (!offset.isValid() || !placementWindow_)
        return;
    // Only where it can be seen and dragged on today's screens.
    const QPoint at = pos() + offset.toPoint();
    const QRect title(at, QSize(placementWindow_->frameGeometry().width(), 20));
    if (const QScreen *on = QGuiApplication::screenAt(title.center());
        on && on->availableGeometry().contains(title))
        placementWindow_->move(at);
}

void MainWindow::rememberWindows() {
    settings_.setValue(SettingKeys::WindowGeometry, saveGeometry());
    if (placementWindow_)
        settings_.setValue(SettingKeys::PlacementOffset, placementWindow_->pos() - pos());
    settings_.sync();
}

} // namespace imprimata
