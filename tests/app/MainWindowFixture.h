#pragma once

#include "app/MainWindow.h"
#include "placement/MarkFile.h"

#include <QAction>
#include <QFileSystemModel>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <memory>

// A fresh main window for each test, with scripted dialogs and a folder of its own.
class MainWindowFixture {
protected:
    // Shows the window (at `geometry` when given); false when it never appeared.
    bool open(const QRect &geometry = {}) {
        // The last test's settings write when they go, so they go before their folder.
        main.reset();
        settings.reset();
        dir = std::make_unique<QTemporaryDir>();
        settingsDir = std::make_unique<QTemporaryDir>();
        state = std::make_unique<imprimata::SharedState>();
        dialogs = std::make_unique<imprimata::ScriptedDialogService>();
        settings = std::make_unique<QSettings>(settingsPath(), QSettings::IniFormat);
        main = std::make_unique<imprimata::MainWindow>(*state, *dialogs, *settings);
        if (geometry.isValid())
            main->setGeometry(geometry);
        main->show();
        return QTest::qWaitForWindowExposed(main.get());
    }

    // A picture with some structure, so a misplaced stamp cannot go unnoticed; the name's
    // extension decides the format.
    QString makePicture(const QString &name, QSize size = {400, 300}, int red = 10) {
        QImage image(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                image.setPixel(x, y, qRgb(red, (x * 7 + y) & 0xFF, 30));
        image.save(dir->filePath(name));
        return dir->filePath(name);
    }

    // mark.$IM: "Mine" in 18-point bold, or markimage.bmp inverted and blended; a view of
    // 82 x 32 pixels.
    QString makeMarkFile(int markType) {
        imprimata::MarkSettings mark;
        mark.MarkType = static_cast<std::int16_t>(markType);
        mark.Text = "Mine";
        mark.ImagePath = makePicture("markimage.bmp", {60, 20}, 200);
        mark.Font = imprimata::makeFont("Liberation Sans", 18, true, 204);
        mark.Colour = 0x0000FF;
        mark.Level = 1;
        mark.RasterOp = imprimata::SrcInvert;
        mark.ImageTransparency = 1;
        mark.MarkWidth = 1200;
        mark.MarkHeight = 450;
        if (!imprimata::writeMarkFile(dir->filePath("mark.$IM"), mark))
            qFatal("the test's mark file cannot be written");
        return dir->filePath("mark.$IM");
    }

    // Chooses the folder in the tree, as the user does.
    void chooseFolder(const QString &folder) {
        const auto *folders = static_cast<QFileSystemModel *>(main->folderTree->model());
        main->folderTree->setCurrentIndex(folders->index(folder));
        QCoreApplication::processEvents();
    }

    QString treeFolder() const {
        const auto *folders = static_cast<QFileSystemModel *>(main->folderTree->model());
        return folders->filePath(main->folderTree->currentIndex());
    }

    void click(const QString &name) {
        const auto items = main->fileList->findItems(name, Qt::MatchExactly);
        QVERIFY2(!items.isEmpty(), qPrintable(name));
        main->fileList->setCurrentItem(items.front());
    }

    void showPicture(const QString &name) {
        chooseFolder(dir->path());
        click(name);
        main->runCommand(imprimata::FileMenu::Show);
        QVERIFY(main->pictureShown);
    }

    void loadMark(const QString &path) {
        dialogs->openAnswers = {path};
        main->runCommand(imprimata::MarkMenu::Load);
    }

    // Moves the placement window so that its mark view's top-left pixel lies over this
    // pixel of the shown picture.
    void placeViewAt(QPoint picturePixel) {
        imprimata::PlacementWindow &placement = main->placementWindow();
        (void)placement.RefreshPlacement(); // an unreadable picture leaves the view empty
        QCoreApplication::processEvents();
        const QPoint wanted = main->Pic->mapToGlobal(picturePixel);
        // Moved again until it is there: a window manager may frame the window meanwhile.
        const auto arrived = [&] {
            const QPoint now = placement.PicIM(0).mapToGlobal(QPoint(0, 0));
            if (now != wanted)
                placement.move(placement.pos() + wanted - now);
            return now == wanted;
        };
        QTRY_VERIFY(arrived());
    }

    // The mark menu, New to Stamp folder, as 1 (enabled) and 0.
    QString markMenu() const {
        QString s;
        for (const QAction *a : main->markMenuItems)
            s += a->isEnabled() ? u'1' : u'0';
        return s;
    }

    QImage shown() const { return main->Pic->surface().image().copy(); }

    static QImage readBack(const QString &path) {
        return QImage(path).convertToFormat(QImage::Format_RGB32);
    }

    std::unique_ptr<QTemporaryDir> dir;
    // What the window remembers, in a folder of its own so no file list shows it; it outlives
    // the settings, which write when they go.
    std::unique_ptr<QTemporaryDir> settingsDir;
    std::unique_ptr<imprimata::SharedState> state;
    std::unique_ptr<imprimata::ScriptedDialogService> dialogs;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<imprimata::MainWindow> main;

    QString settingsPath() const { return settingsDir->filePath(QStringLiteral("settings.ini")); }
};
