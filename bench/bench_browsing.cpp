#include "BenchSections.h"

#include "app/MainWindow.h"

#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QListWidget>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

namespace imprimata::bench {

namespace {

constexpr int Runs = 5;

// Resident memory of this process in MiB.
double residentMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
    return 0;
}

// A photograph-like 24-megapixel JPEG: smooth gradients with fine texture.
QString makePhoto(const QTemporaryDir &dir) {
    QImage photo(6000, 4000, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            const int grain = ((x * 7919 + y * 104729) >> 3) & 15;
            row[x] = qRgb((x / 24 + grain) & 255, (y / 16 + grain) & 255, ((x + y) / 40) & 255);
        }
    }
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    QImageWriter writer(path, "jpeg");
    writer.setQuality(92);
    writer.write(photo);
    return path;
}

} // namespace

void runBrowsingBench() {
    QTemporaryDir dir;
    const QString path = makePhoto(dir);
    const double decode = medianMs(
        Runs, [] {}, [&] { QImageReader(path).read(); });
    const QImage decoded = QImageReader(path).read();
    const QString plainOut = dir.filePath(QStringLiteral("plain.jpg"));
    const double encode = medianMs(
        Runs, [] {},
        [&] {
            QImageWriter writer(plainOut, "jpeg");
            writer.setQuality(90);
            writer.write(decoded);
        });

    SharedState state;
    ScriptedDialogService dialogs;
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    MainWindow main(state, dialogs, settings);
    main.onFolderChanged(dir.path());
    const double before = residentMiB();
    const double click = medianMs(
        Runs, [&] { main.lastListFileName.clear(); },
        [&] { main.fileList->setCurrentRow(-1), main.fileList->setCurrentRow(0); });
    const double show = medianMs(
        Runs, [] {}, [&] { main.Show(); });
    const double shownMiB = residentMiB() - before;
    const QString savedOut = dir.filePath(QStringLiteral("saved.jpg"));
    const double save = medianMs(
        Runs, [&] { dialogs.saveAnswers = {savedOut}; },
        [&] { main.runCommand(FileMenu::SaveAs); });
    // As after an Insert of a 600 x 80 mark: only its blocks are encoded again.
    const QRect stamp(5000, 3800, 600, 80);
    QPainter(&main.Pic->surface().image()).fillRect(stamp, Qt::red);
    main.stampSteps = {{stamp, QImage()}};
    const double saveStamped = medianMs(
        Runs, [&] { dialogs.saveAnswers = {savedOut}; },
        [&] { main.runCommand(FileMenu::SaveAs); });

    const double pictureMiB = 6000.0 * 4000 * 4 / (1024 * 1024);
    std::printf("24 MP JPEG: decode %.0f ms, encode %.0f ms\n", decode, encode);
    std::printf("click (read + thumbnail) %7.0f ms  %.2f x decode  (target <= 1.2)\n", click,
                click / decode);
    std::printf("Show                     %7.1f ms  %.3f x decode  (target <= 0.1)\n", show,
                show / decode);
    std::printf("Save as JPEG, no stamp   %7.0f ms  %.2f x encode  (target <= 1.1)\n", save,
                save / encode);
    std::printf("Save as JPEG, one stamp  %7.0f ms  %.2f x encode  (target <= 0.75)\n", saveStamped,
                saveStamped / encode);
    std::printf(
        "memory while shown: %.0f MiB = %.2f copies of the picture's pixels (target <= 2)\n",
        shownMiB, shownMiB / pictureMiB);

    // Twenty Inserts of a text mark: what Undo Insert keeps of them.
    main.Show();
    state.CurrentMark.MarkType = TextMark;
    state.CurrentMark.Text = QStringLiteral("\u00a9 Imprimata 2026");
    state.CurrentMark.Font = makeFont(QStringLiteral("Liberation Sans"), 28, true, 0);
    state.CurrentMark.MarkWidth = 5400;
    state.CurrentMark.MarkHeight = 750;
    main.refreshPlacement();
    PlacementWindow &placement = main.placementWindow();
    placement.move(main.Pic->mapToGlobal(QPoint(100, 100)));
    const double stampedBefore = residentMiB();
    for (int i = 0; i < 20; ++i)
        main.runCommand(MarkMenu::Insert);
    qint64 undoBytes = 0, coveredPixels = 0;
    for (const MainWindow::StampStep &step : main.stampSteps) {
        undoBytes += step.previous.sizeInBytes();
        coveredPixels += qint64(step.area.width()) * step.area.height();
    }
    std::printf("20 stamps: undo data %.2f MiB for %lld covered pixels (%.1f bytes each), "
                "resident +%.0f MiB (the first stamp copies the shown picture once)\n",
                undoBytes / (1024.0 * 1024.0), static_cast<long long>(coveredPixels),
                coveredPixels ? double(undoBytes) / coveredPixels : 0.0,
                residentMiB() - stampedBefore);
}

} // namespace imprimata::bench
