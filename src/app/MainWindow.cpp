#include "MainWindow.h"
#include "Overview.h"
#include "Settings.h"

#include "Version.h"
#include "placement/AboutBox.h"
#include "placement/ApplicationIcon.h"
#include "placement/Insert.h"
#include "platform/WindowRect.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileSystemModel>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMoveEvent>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTreeView>
#include <exception>

namespace imprimata {

MainWindow::MainWindow(SharedState &state, DialogService &dialogs, QSettings &settings)
    : state_(state), dialogs_(dialogs), settings_(settings), startFolder_(QDir::currentPath()) {
    setWindowTitle(tr("Imprimata Print"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setWindowIcon(applicationIcon());
    buildControls();
    buildMenus();
    selectStartFolder();

    state_.PlacementCloseBlocked = true;
    state_.StepTable = {15, 30, 50};
    state_.CurrentMark.MarkName.clear();
    resize(DesignWidth,
           DesignHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->installEventFilter(this);
    setCentralWidget(client);

    thumbnailFrame = new QFrame(client);
    thumbnailFrame->setFrameShape(QFrame::StyledPanel);
    thumbnailFrame->setGeometry(8, 0, 169, 121);
    preview = new PictureOverview(thumbnailFrame);
    preview->setGeometry(8, 16, 153, 97);
    connect(preview, &PictureOverview::centreRequested, this, &MainWindow::centreViewOn);

    folderTree = new QTreeView(client);
    folderTree->setGeometry(8, 128, 169, 473);
    auto *folders = new QFileSystemModel(folderTree);
    folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folders->setRootPath(QString());
    folderTree->setModel(folders);
    for (int column = 1; column < folders->columnCount(); ++column)
        folderTree->hideColumn(column);
    folderTree->header()->hide();

    connect(folderTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, folders](const QModelIndex &current) {
                if (!revertingFolder_)
                    onFolderChanged(folders->filePath(current));
            });

    fileList = new QListWidget(client);
    fileList->setGeometry(184, 5, 153, 591);
    fileList->setSelectionMode(QAbstractItemView::ExtendedSelection); // for Stamp folder
    connect(fileList, &QListWidget::currentRowChanged, this, [this] { onFileClicked(); });
    connect(fileList, &QListWidget::itemDoubleClicked, this,
            [this] { runCommand(FileMenu::Show); });
    fileList->installEventFilter(this); // Enter shows the selected picture

    PicFrame = new QWidget(client);
    PicFrame->setObjectName(QStringLiteral("PicFrame"));
    PicFrame->setGeometry(342, 5, 640, 593);
    PicFrame->setAutoFillBackground(true);
    Pic = new PictureBox(PicFrame, resolveColour(SystemWindow));
    Pic->setGeometry(0, 0, PicFrame->width(), PicFrame->height());

    for (QLabel *&field : statusFields) {
        field = new QLabel(this);
        statusBar()->addPermanentWidget(field);
    }
}

void MainWindow::buildMenus() {
    const auto add = [this](QMenu *menu, const QString &caption, auto command, bool enabled) {
        QAction *action = menu->addAction(caption);
        action->setShortcut(shortcutFor(command));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
        return action;
    };
    // The ampersands mark the Alt keys; the captions read as before.
    QMenu *file = menuBar()->addMenu(tr("&File"));
    menuBarItems[0] = file->menuAction();
    fileMenuItems[0] = add(file, tr("&Show"), FileMenu::Show, false);
    fileMenuItems[1] = add(file, tr("Save &as ..."), FileMenu::SaveAs, false);
    fileMenuItems[2] = file->addSeparator();
    fileMenuItems[3] = add(file, tr("E&xit"), FileMenu::Exit, true);
    QList<QKeySequence> exitKeys =
        fileMenuItems[3]->shortcuts() + QKeySequence::keyBindings(QKeySequence::Quit);
    exitKeys.removeAll(QKeySequence());
    fileMenuItems[3]->setShortcuts(exitKeys);

    QMenu *mark = menuBar()->addMenu(u'&' + QString::fromLatin1(ApplicationTitle));
    menuBarItems[1] = mark->menuAction();
    const struct {
        const char *caption;
        MarkMenu command;
        bool enabled;
    } items[] = {
        {QT_TR_NOOP("&New"), MarkMenu::New, true},
        {QT_TR_NOOP("&Edit"), MarkMenu::Edit, false},
        {QT_TR_NOOP("&Insert"), MarkMenu::Insert, false},
        {QT_TR_NOOP("&Undo Insert"), MarkMenu::UndoInsert, false},
        {QT_TR_NOOP("&Load"), MarkMenu::Load, true},
        {QT_TR_NOOP("&Save as ..."), MarkMenu::SaveAs, false},
    };
    for (const auto &item : items)
        markMenuItems[static_cast<std::size_t>(item.command)] =
            add(mark, tr(item.caption), item.command, item.enabled);
    mark->addSeparator();
    markMenuItems[static_cast<std::size_t>(MarkMenu::StampFolder)] =
        add(mark, tr("Stamp &folder ..."), MarkMenu::StampFolder, false);

    menuBarItems[2] = menuBar()->addAction(tr("&About"));
    connect(menuBarItems[2], &QAction::triggered, this, &MainWindow::onAbout);
}

PlacementWindow &MainWindow::placementWindow() {
    if (!placementWindow_) {
        placementWindow_ = std::make_unique<PlacementWindow>(state_, *this);
        placementWindow_->setWindowIcon(windowIcon());
        dialogs_.setModalWatcher(placementWindow_.get());
        placementWindow_->installEventFilter(this); // its moves show in the overview
    }
    return *placementWindow_;
}

void MainWindow::layoutPass(int clientWidth, int clientHeight) {
    const int oldTreeHeight = folderTree->height();
    folderTree->resize(folderTree->width(), clientHeight - folderTree->y() - 6);
    const int treeShrink = oldTreeHeight - folderTree->height();
    // The file list's bottom edge moves with the tree's.
    fileList->resize(fileList->width(), fileList->height() - treeShrink);

    const int widthGrowth = clientWidth - lastWindowWidth;
    lastWindowWidth = clientWidth;
    PicFrame->resize(PicFrame->width() + widthGrowth, clientHeight - PicFrame->y() - 6);
    // A shown picture keeps its own size; only the empty surface follows the viewport.
    if (!pictureShown)
        Pic->resize(PicFrame->size());

    PlacementWindow &placement = placementWindow();
    placement.keepOnTop();
    state_.PlacementBaseWidth = placement.PicIM(0).width();
    state_.PlacementBaseHeight = placement.PicIM(0).height();
}

QRect MainWindow::viewportOnScreen() const {
    return {PicFrame->mapToGlobal(QPoint(0, 0)), PicFrame->size()};
}

ScreenRect MainWindow::pictureWindowRect() const {
    return windowRect(Pic);
}

ScreenRect MainWindow::placementWindowRect() const {
    return windowRect(placementWindow_.get());
}

QSize MainWindow::placementWorkSize() const {
    return placementWindow_->PicIM(1).size();
}

void MainWindow::setPlacementWorkSize(QSize size) {
    placementWindow().PicIM(1).resize(size);
}

ScreenRect MainWindow::placementWorkRect(QSize size) const {
    const QPoint origin = placementWindow_->PicIM(1).mapToGlobal(QPoint(0, 0));
    return {origin.x(), origin.y(), origin.x() + size.width(), origin.y() + size.height()};
}

bool MainWindow::CaptureBackground(Surface &destination, const ScreenRect &picture,
                                   const ScreenRect &placement) {
    return imprimata::CaptureBackground(destination, *Pic, picture, placement);
}

bool MainWindow::menuEnabled(FileMenu command) const {
    return menuItem(command)->isEnabled();
}

bool MainWindow::menuEnabled(MarkMenu command) const {
    return menuItem(command)->isEnabled();
}

void MainWindow::guarded(const std::function<void()> &command) {
    try {
        command();
    } catch (const std::exception &failure) {
        dialogs_.message(QString::fromLocal8Bit(failure.what()));
    } catch (...) {
        dialogs_.message(tr("The command failed unexpectedly."));
    }
}

void MainWindow::onAbout() {
    guarded([this] {
        AboutBox about(this);
        about.setWindowIcon(windowIcon());
        about.exec();
    });
}

void MainWindow::runCommand(FileMenu command) {
    guarded([this, command] {
        switch (command) {
        case FileMenu::Show:
            Show();
            break;
        case FileMenu::SaveAs:
            SaveAs();
            break;
        case FileMenu::Exit:
            close();
            break;
        }
    });
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        const QWidget *client = centralWidget();
        layoutPass(client->width(), client->height());
    }
    if (watched == placementWindow_.get() && event->type() == QEvent::Move)
        showOverview();
    if (watched == fileList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
            menuItem(FileMenu::Show)->isEnabled()) {
            runCommand(FileMenu::Show);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::moveEvent(QMoveEvent *event) {
    QMainWindow::moveEvent(event);
    // The placement window keeps its place over the picture.
    if (!placementWindow_ || !placementWindow_->isVisible() || event->oldPos() == event->pos())
        return;
    if (placementWindow_->atDefaultPosition())
        placementWindow_->moveToDefaultPosition();
    else
        placementWindow_->move(placementWindow_->pos() + event->pos() - event->oldPos());
}

void MainWindow::paintEvent(QPaintEvent *event) {
    QMainWindow::paintEvent(event);
    if (placementWindow_)
        placementWindow_->keepOnTop();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    bool mayClose = false;
    guarded([this, &mayClose] { mayClose = mayDiscardStamps(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    rememberWindows();
    scrollBars.DetachFlatScrollBars(PicFrame);
    state_.PlacementCloseBlocked = false;
    if (placementWindow_) {
        dialogs_.setModalWatcher(nullptr);
        placementWindow_->close();
    }
    event->accept();
}

} // namespace imprimata
