// The mark menu's Stamp folder: the current mark into many pictures through the batch engine.
#include "FolderStamping.h"

#include "MainWindow.h"
#include "StampFolderDialog.h"
#include "batch/StampRunner.h"
#include "placement/Insert.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <atomic>
#include <thread>

namespace imprimata {

namespace {

QString timeLeft(qint64 milliseconds) {
    const qint64 seconds = (milliseconds + 999) / 1000;
    if (seconds < 60)
        return StampResultsDialog::tr("about %1 s left").arg(seconds);
    return StampResultsDialog::tr("about %1 min %2 s left").arg(seconds / 60).arg(seconds % 60);
}

} // namespace

QString FolderStampSummary::text() const {
    QString line = StampResultsDialog::tr("%1 stamped, %2 failed, %3 skipped")
                       .arg(stamped)
                       .arg(failed)
                       .arg(skipped);
    if (notBegun > 0)
        line += u'\n' + (notBegun == 1
                             ? StampResultsDialog::tr("Cancelled: 1 picture was not begun.")
                             : StampResultsDialog::tr("Cancelled: %n pictures were not begun.", "",
                                                      notBegun));
    return line;
}

FolderStampSummary stampWithProgress(const StampOptions &options, QWidget *parent) {
    FolderStampSummary summary;
    summary.outDir = options.outDir;
    const int count = int(options.pictures.size());

    QProgressDialog progress(parent);
    progress.setWindowTitle(StampResultsDialog::tr("Stamp folder"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setRange(0, count);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumWidth(420);
    // Cancel only stops the run from beginning more; the dialog stays until the rest is done.
    QObject::disconnect(&progress, &QProgressDialog::canceled, &progress, &QProgressDialog::cancel);
    std::atomic_bool stop = false;
    QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&] {
        stop = true;
        progress.setLabelText(
            StampResultsDialog::tr("Stopping: the pictures being stamped are finished ..."));
    });

    QElapsedTimer clock;
    clock.start();
    QString current;
    const auto showState = [&] {
        if (stop)
            return;
        const int done = summary.stamped + summary.failed + summary.skipped;
        const QString left = done > 0 ? timeLeft(clock.elapsed() * (count - done) / done)
                                      : StampResultsDialog::tr("estimating the time left");
        progress.setLabelText(StampResultsDialog::tr("Stamping %1\n%2 of %3, %4")
                                  .arg(current)
                                  .arg(done)
                                  .arg(count)
                                  .arg(left));
        progress.setValue(done);
    };

    // The engine's threads report through the event loop, so only this thread touches the
    // dialog and the summary.
    RunWatch watch;
    watch.stop = &stop;
    watch.pictureBegun = [&](const PictureTask &task) {
        QMetaObject::invokeMethod(
            &progress,
            [&, name = QFileInfo(task.input).fileName()] {
                current = name;
                showState();
            },
            Qt::QueuedConnection);
    };
    watch.pictureDone = [&](const PictureOutcome &outcome) {
        QMetaObject::invokeMethod(
            &progress,
            [&, outcome] {
                switch (outcome.status) {
                case PictureStatus::Stamped:
                    ++summary.stamped;
                    break;
                case PictureStatus::Failed:
                    ++summary.failed;
                    summary.failures << QStringLiteral("%1: %2").arg(
                        QFileInfo(outcome.task.input).fileName(), outcome.message);
                    break;
                case PictureStatus::Skipped:
                    ++summary.skipped;
                    break;
                }
                showState();
            },
            Qt::QueuedConnection);
    };
    QString refusal;
    watch.refused = [&refusal](const QString &why) { refusal = why; };

    showState();
    progress.show();
    QEventLoop loop;
    std::thread runner([&] {
        runStamping(
            options, [](const QString &) {}, {}, watch);
        // Queued after every report of the run, so the loop has seen them all when it ends.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    runner.join();

    summary.refusal = refusal;
    if (refusal.isEmpty())
        summary.notBegun = count - summary.stamped - summary.failed - summary.skipped;
    return summary;
}

StampResultsDialog::StampResultsDialog(const FolderStampSummary &summary, QWidget *parent)
    : QDialog(parent) {
    setWindowTitle(tr("Stamp folder"));
    summaryLine = new QLabel(summary.text());
    auto *whereLine = new QLabel(
        tr("The stamped pictures are in %1").arg(QDir::toNativeSeparators(summary.outDir)));
    whereLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    failureList = new QPlainTextEdit(summary.failures.join(u'\n'));
    failureList->setReadOnly(true);
    failureList->setVisible(!summary.failures.isEmpty());
    failureList->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    openFolderButton = buttons->addButton(tr("&Open folder"), QDialogButtonBox::ActionRole);
    openFolderButton->setEnabled(QFileInfo(summary.outDir).isDir());
    connect(openFolderButton, &QPushButton::clicked, this,
            [outDir = summary.outDir] { QDesktopServices::openUrl(QUrl::fromLocalFile(outDir)); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summaryLine);
    layout->addWidget(whereLine);
    if (!summary.failures.isEmpty())
        layout->addWidget(new QLabel(tr("These pictures failed:")));
    layout->addWidget(failureList);
    layout->addWidget(buttons);
    resize(560, summary.failures.isEmpty() ? 0 : 320);
}

std::optional<MarkPlace> MainWindow::placeOnShownPicture() {
    if (!pictureShown || !placementWindow_)
        return std::nullopt;
    const QWidget &view = placementWindow().PicIM(0);
    const QRect onPicture(Pic->mapFromGlobal(view.mapToGlobal(QPoint(0, 0))),
                          markViewSize(state_.CurrentMark));
    // The rim is never stamped: the mark lies on the picture only when its inside does.
    if (!onPicture.adjusted(1, 1, -1, -1).intersects(QRect(0, 0, pictureWidth, pictureHeight)))
        return std::nullopt;
    return nearestCornerPlace({pictureWidth, pictureHeight}, onPicture);
}

void MainWindow::StampFolder() {
    if (const QString why = incompleteMarkReason(state_.CurrentMark); !why.isEmpty()) {
        dialogs_.message(why, MessageIcon::Warning);
        return;
    }
    const QList<QListWidgetItem *> selected = fileList->selectedItems();
    const FolderStampContext context{fileListFolder_, fileList->count(), int(selected.size()),
                                     placeOnShownPicture()};
    StampFolderDialog dialog(context, rememberedStampChoice(settings_, fileListFolder_), this);
    {
        const DialogService::ModalScope modal(dialogs_);
        if (dialog.exec() != QDialog::Accepted)
            return;
    }
    const FolderStampChoice choice = dialog.choice();
    rememberStampChoice(settings_, choice, fileListFolder_);

    StampOptions options;
    options.mark = state_.CurrentMark;
    const MarkPlace place = choice.asPlaced && context.placed ? *context.placed : choice.place;
    options.anchor = place.anchor;
    options.at = place.offset;
    options.quality = choice.quality;
    options.strip = choice.removeLocation ? MetadataKept::NoLocation : MetadataKept::All;
    options.overwrite = choice.overwrite;
    options.skipExisting = !choice.overwrite;
    options.outDir = choice.outDir;
    const QDir folder(fileListFolder_);
    if (choice.selectedOnly) {
        for (int row = 0; row < fileList->count(); ++row) // in the list's order
            if (fileList->item(row)->isSelected())
                options.pictures << folder.filePath(fileList->item(row)->text());
    } else {
        for (const QString &name : pictureFileNames(folder))
            options.pictures << folder.filePath(name);
    }
    if (options.pictures.isEmpty()) {
        dialogs_.message(tr("There are no pictures to stamp."), MessageIcon::Warning);
        return;
    }

    const DialogService::ModalScope modal(dialogs_);
    const FolderStampSummary summary = stampWithProgress(options, this);
    if (!summary.refusal.isEmpty()) {
        dialogs_.message(tr("Nothing was stamped: %1").arg(summary.refusal), MessageIcon::Warning);
        return;
    }
    StampResultsDialog results(summary, this);
    results.exec();
}

} // namespace imprimata
