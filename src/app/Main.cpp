#include "Main.h"

#include "Version.h"
#include "placement/AboutBox.h"
#include "placement/ApplicationIcon.h"
#include "placement/Insert.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileSystemModel>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QTreeView>
#include <exception>

namespace imprimata {

Main::Main(SharedState &state, DialogService &dialogs)
    : state_(state), dialogs_(dialogs), startFolder_(QDir::currentPath()) {
    setWindowTitle(QStringLiteral("Imprimata Print"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setWindowIcon(applicationIcon());
    buildControls();
    buildMenus();
    selectStartFolder();

    state_.PlacementCloseBlocked = true;
    state_.StepTable = {15, 30, 50};
    state_.CurrentMark.MarkName.clear();
    resize(DesignWidth, DesignHeight + menuBar()->sizeHint().height());
}

Main::~Main() = default;

void Main::buildControls() {
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->installEventFilter(this);
    setCentralWidget(client);

    Frame1 = new QFrame(client);
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setGeometry(8, 0, 169, 121);
    preview = new QLabel(Frame1);
    preview->setGeometry(8, 16, 153, 97);
    preview->setScaledContents(true);

    explorer = new QTreeView(client);
    explorer->setGeometry(8, 128, 169, 473);
    auto *folders = new QFileSystemModel(explorer);
    folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folders->setRootPath(QString());
    explorer->setModel(folders);
    for (int column = 1; column < folders->columnCount(); ++column)
        explorer->hideColumn(column);
    explorer->header()->hide();

    connect(explorer->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, folders](const QModelIndex &current) {
                if (!revertingFolder_)
                    explorer_Change(folders->filePath(current));
            });

    FileList = new QListWidget(client);
    FileList->setGeometry(184, 5, 153, 591);
    connect(FileList, &QListWidget::currentRowChanged, this, [this] { FileList_Click(); });
    connect(FileList, &QListWidget::itemDoubleClicked, this, [this] { mnu_file_Click(0); });

    PicFrame = new QWidget(client);
    PicFrame->setObjectName(QStringLiteral("PicFrame"));
    PicFrame->setGeometry(342, 5, 640, 593);
    PicFrame->setAutoFillBackground(true);
    Pic = new PictureBox(PicFrame, resolveColour(SystemWindow));
    Pic->setGeometry(0, 0, PicFrame->width(), PicFrame->height());
}

void Main::buildMenus() {
    const auto add = [this](QMenu *menu, const QString &caption, const QKeySequence &keys,
                            bool enabled, auto slot, int index) {
        QAction *action = menu->addAction(caption);
        action->setShortcut(keys);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [this, slot, index] { (this->*slot)(index); });
        return action;
    };
    QMenu *file = menuBar()->addMenu(QStringLiteral("File"));
    mnu[0] = file->menuAction();
    mnu_file[0] = add(file, QStringLiteral("Show"), {}, false, &Main::mnu_file_Click, 0);
    mnu_file[1] = add(file, QStringLiteral("Save as ..."), QKeySequence(Qt::CTRL | Qt::Key_A),
                      false, &Main::mnu_file_Click, 1);
    mnu_file[2] = file->addSeparator();
    mnu_file[3] = add(file, QStringLiteral("Exit"), {}, true, &Main::mnu_file_Click, 3);

    QMenu *mark = menuBar()->addMenu(QString::fromLatin1(ApplicationTitle));
    mnu[1] = mark->menuAction();
    const struct {
        const char *caption;
        QKeySequence keys;
        bool enabled;
    } items[] = {
        {"New", QKeySequence(Qt::CTRL | Qt::Key_N), true},
        {"Edit", QKeySequence(Qt::CTRL | Qt::Key_E), false},
        {"Insert", QKeySequence(Qt::SHIFT | Qt::Key_Insert), false},
        {"Undo Insert", QKeySequence(Qt::CTRL | Qt::Key_U), false},
        {"Load", QKeySequence(Qt::CTRL | Qt::Key_L), true},
        {"Save as ...", QKeySequence(Qt::CTRL | Qt::Key_S), false},
    };
    for (int i = 0; i < 6; ++i)
        mnu_IM[static_cast<std::size_t>(i)] =
            add(mark, QString::fromLatin1(items[i].caption), items[i].keys, items[i].enabled,
                &Main::mnu_IM_Click, i);

    mnu[2] = menuBar()->addAction(QStringLiteral("About"));
    connect(mnu[2], &QAction::triggered, this, [this] { mnu_Click(2); });
}

Imprim &Main::imprim() {
    if (!imprim_) {
        imprim_ = std::make_unique<Imprim>(state_, *this, dialogs_);
        imprim_->setWindowIcon(windowIcon());
    }
    return *imprim_;
}

void Main::layoutPass(int clientWidth, int clientHeight) {
    const int oldTreeHeight = explorer->height();
    explorer->resize(explorer->width(), clientHeight - explorer->y() - 6);
    const int treeShrink = oldTreeHeight - explorer->height();
    // The file list's bottom edge moves with the tree's.
    FileList->resize(FileList->width(), FileList->height() - treeShrink);

    const int widthGrowth = clientWidth - lastWindowWidth;
    lastWindowWidth = clientWidth;
    PicFrame->resize(PicFrame->width() + widthGrowth, clientHeight - PicFrame->y() - 6);
    // A shown picture keeps its own size; only the empty surface follows the viewport.
    if (!pictureShown)
        Pic->resize(PicFrame->size());

    Imprim &placement = imprim();
    placement.keepOnTop();
    state_.PlacementBaseWidth = placement.PicIM(0).width();
    state_.PlacementBaseHeight = placement.PicIM(0).height();
}

QRect Main::picFrameGeometry() const {
    return PicFrame->geometry();
}

ScreenRect Main::pictureWindowRect() const {
    return windowRect(Pic);
}

ScreenRect Main::placementWindowRect() const {
    return windowRect(imprim_.get());
}

QSize Main::placementWorkSize() const {
    return imprim_->PicIM(1).size();
}

void Main::setPlacementWorkSize(QSize size) {
    imprim().PicIM(1).resize(size);
}

ScreenRect Main::placementWorkRect(QSize size) const {
    const QPoint origin = imprim_->PicIM(1).mapToGlobal(QPoint(0, 0));
    return {origin.x(), origin.y(), origin.x() + size.width(), origin.y() + size.height()};
}

bool Main::CaptureBackground(Surface &destination, const ScreenRect &picture,
                             const ScreenRect &placement, bool warnIfOutside) {
    return imprimata::CaptureBackground(destination, *Pic, picture, placement, warnIfOutside,
                                        dialogs_);
}

bool Main::menuEnabled(Menu menu, int index) const {
    const QAction *action = menu == Menu::File ? mnu_file.at(static_cast<std::size_t>(index))
                                               : mnu_IM.at(static_cast<std::size_t>(index));
    return action->isEnabled();
}

void Main::guarded(const std::function<void()> &command) {
    try {
        command();
    } catch (const std::exception &failure) {
        dialogs_.message(QString::fromLocal8Bit(failure.what()));
    } catch (...) {
        dialogs_.message(QStringLiteral("The command failed unexpectedly."));
    }
}

void Main::mnu_Click(int index) {
    if (index != 2)
        return;
    guarded([this] {
        AboutBox about(this);
        about.setWindowIcon(windowIcon());
        about.exec();
    });
}

void Main::mnu_file_Click(int index) {
    guarded([this, index] {
        switch (index) {
        case 0:
            Show();
            break;
        case 1:
            SaveAs();
            break;
        case 3:
            close();
            break;
        default:
            break;
        }
    });
}

bool Main::eventFilter(QObject *watched, QEvent *event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        const QWidget *client = centralWidget();
        layoutPass(client->width(), client->height());
    }
    return QMainWindow::eventFilter(watched, event);
}

void Main::paintEvent(QPaintEvent *event) {
    QMainWindow::paintEvent(event);
    if (imprim_)
        imprim_->keepOnTop();
}

void Main::closeEvent(QCloseEvent *event) {
    bool mayClose = false;
    guarded([this, &mayClose] { mayClose = mayDiscardStamps(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    mFlatSB.DetachFlatScrollBars(PicFrame);
    state_.PlacementCloseBlocked = false;
    if (imprim_)
        imprim_->close();
    event->accept();
}

} // namespace imprimata
