#pragma once

#include "batch/BatchOptions.h"
#include "mark/MarkEditorHost.h"
#include "mark/MarkSettings.h"
#include "placement/PlacementWindow.h"
#include "platform/DialogService.h"
#include "platform/PictureBox.h"
#include "platform/PictureWriter.h"
#include "scrollbars/FlatBar.h"
#include "scrollbars/FlatScrollBars.h"

#include <QDateTime>
#include <QList>
#include <QMainWindow>
#include <QRect>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QDir;
class QFrame;
class QLabel;
class QListWidget;
class QSettings;
class QTreeView;

namespace imprimata {

class PictureOverview;

// A file's size and time of change, to tell whether it changed since it was read.
struct FileVersion {
    qint64 size = -1;
    QDateTime modified;
    friend bool operator==(const FileVersion &, const FileVersion &) = default;
};
FileVersion fileVersion(const QString &path);

// The pictures of a folder that the file list shows, in natural order whatever the case.
QStringList pictureFileNames(const QDir &folder);
// Negative, zero or positive as a sorts before, with or after b: runs of digits by their
// value, the rest without regard to letter case.
int naturalCompare(QStringView a, QStringView b);
// An error about a file, naming the file when it does not already.
QString aboutFile(const QString &path, const QString &error);

// The main window "Imprimata Print": folder tree, file list, thumbnail, the viewport with
// the shown picture, and the File and mark menus that drive the work.
class MainWindow : public QMainWindow,
                   public PlacementHost,
                   public FlatScrollEventSink,
                   public MarkEditorHost {
    Q_OBJECT
public:
    // The designed client area; the layout pass grows the viewport from it.
    static constexpr int DesignWidth = 990;
    static constexpr int DesignHeight = 607;

    // What is remembered between runs is read from and written to settings.
    MainWindow(SharedState &state, DialogService &dialogs, QSettings &settings);
    ~MainWindow() override;

    // Controls, named as the rest of the program refers to them.
    QFrame *thumbnailFrame = nullptr;
    PictureOverview *preview = nullptr;
    QTreeView *folderTree = nullptr;
    QListWidget *fileList = nullptr;
    QWidget *PicFrame = nullptr;
    PictureBox *Pic = nullptr;
    // The status bar's file name, pixel size, number of stamps and "unsaved".
    std::array<QLabel *, 4> statusFields{};
    QImage Image1; // the picture read from the selected file
    // Its transparency (null when opaque), which stamps leave alone and saving keeps, and
    // whether it had more than 8 bits a channel; the same of the shown picture.
    QImage image1Alpha;
    bool image1Deep = false;
    QImage shownAlpha;
    bool shownDeep = false;
    // The files Image1 and the shown picture were read from. A click on an unreadable file names it
    // as the current picture but leaves Image1 as it was, so only these say whose camera data a
    // saved picture may carry.
    QString image1Path;
    QString shownImagePath;
    // The files as they were when read: a JPEG saved from the shown picture takes the blocks
    // of its file only while the file still holds the pixels shown.
    FileVersion image1Version;
    FileVersion shownVersion;
    // Each stamp since the picture was shown, the last at the back, with the pixels it
    // covered: Undo Insert takes them back one at a time.
    struct StampStep {
        QRect area;
        QImage previous;
    };
    QList<StampStep> stampSteps;
    std::array<QAction *, 3> menuBarItems{}; // File, the mark menu, About
    std::array<QAction *, 4> fileMenuItems{};
    std::array<QAction *, 7> markMenuItems{};
    QAction *menuItem(FileMenu command) const {
        return fileMenuItems.at(static_cast<std::size_t>(command));
    }
    QAction *menuItem(MarkMenu command) const {
        return markMenuItems.at(static_cast<std::size_t>(command));
    }

    // Per-window state.
    int pictureWidth = 0;
    int pictureHeight = 0;
    int lastWindowWidth = DesignWidth; // client width in pixels at the last layout pass
    QString shownPicturePath;
    QString lastListPath;
    QString lastListFileName;
    bool pictureShown = false;
    // The number of stamps the last save held: 0 after Show, none once stamps were taken
    // back below it and others put in their place.
    std::optional<qsizetype> savedStamps = 0;
    // Stamps that no saved file holds: there are stamps and they are not what was saved.
    bool stampsUnsaved() const { return !stampSteps.isEmpty() && savedStamps != stampSteps.size(); }
    // Where the stamps went, for saving only their blocks.
    QList<QRect> stampedAreas() const;

    FlatScrollBars scrollBars; // the viewport's scroll bars

    PlacementWindow &placementWindow();
    // Redraws the placement window for the current mark; a picture that cannot be read is
    // said in a message box.
    void refreshPlacement();
    // Arranges the controls for a client area of the given size (runs on every resize).
    void layoutPass(int clientWidth, int clientHeight);

    // The geometry of the last run, or on a first start maximised over a designed-size
    // normal window; true when remembered.
    bool restoreWindowGeometry();
    // Once shown: the mark of the last run loaded again (or why not, in the status bar), and
    // the placement window where it was beside this window.
    void restoreSession();

    // Browsing: the folder shown in the file list, a click on a file, and showing it.
    QString fileListFolder() const { return fileListFolder_; }
    // Opens what the command line or the desktop's "Open with" names: a folder is browsed, a
    // picture's folder browsed with the picture selected and shown. What cannot be opened is
    // said in a message box.
    void openPath(const QString &path);
    void onFolderChanged(const QString &folder);
    void onFileClicked();
    void Show();
    void FlatSB_Event(int uMsg, QWidget *hWnd, int iType, int currPos) override;

    // Scrolls the shown picture so that this picture pixel is at the viewport's centre, as far
    // as the bars go.
    void centreViewOn(QPoint picturePixel);

    // PlacementHost
    QRect viewportOnScreen() const override;
    bool menuEnabled(FileMenu command) const override;
    bool menuEnabled(MarkMenu command) const override;

    // MarkEditorHost
    ScreenRect pictureWindowRect() const override;
    ScreenRect placementWindowRect() const override;
    QSize placementWorkSize() const override;
    void setPlacementWorkSize(QSize size) override;
    ScreenRect placementWorkRect(QSize size) const override;
    bool CaptureBackground(Surface &destination, const ScreenRect &picture,
                           const ScreenRect &placement) override;

public slots:
    void onAbout();
    void runCommand(FileMenu command) override;
    void runCommand(MarkMenu command) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void selectStartFolder();
    // True when the picture was written.
    bool SaveAs();
    // onlyMarkedBlocks tells whether a JPEG kept every block the stamps did not touch.
    Result<PictureWritten> saveShownPicture(const QString &path, MetadataKept kept,
                                            bool &onlyMarkedBlocks);
    // Asks before stamped, unsaved pixels are thrown away; true when the caller may go on
    // (nothing to lose, saved, or the user chose to discard).
    bool mayDiscardStamps();
    // Puts the folder tree back on the folder the file list shows, after a refused change.
    void revertFolderSelection();
    void NewMark();
    void EditMark();
    // Shows the mark editor; true when it was closed with OK.
    bool runEditor();
    void Insert();
    void UndoInsert();
    void LoadMark();
    void SaveMarkAs();
    // The current mark into the browsed folder's pictures, by the batch engine.
    void StampFolder();
    // Where the placement window's mark view lies on the shown picture, from the nearest
    // corner; none when no picture is shown or the mark misses it.
    std::optional<MarkPlace> placeOnShownPicture();
    void clearShownPicture();
    // The menus a defined mark enables.
    void markDefined();

    // After the shown picture, its stamps or its saved state changed: status bar, title and
    // overview follow.
    void picturesChanged();
    bool previewShowsShownPicture() const;
    void showOverview();
    // Runs work off the event loop under a busy cursor and the message; rethrows its failure.
    void runBusy(const QString &message, const std::function<void()> &work);
    // Where browsing starts: the last folder browsed while it exists, else the pictures folder.
    QString startFolder() const;
    void rememberMarkFile(const QString &path);
    // The folder of the last mark file loaded or saved; empty before the first.
    QString markFolder() const;
    void rememberWindows();
    // Runs a command; an unexpected failure becomes a message and the program goes on.
    void guarded(const std::function<void()> &command);

    SharedState &state_;
    DialogService &dialogs_;
    QSettings &settings_;
    std::unique_ptr<PlacementWindow>
        placementWindow_; // created with the first layout pass, lives as long
    QString fileListFolder_;
    bool revertingFolder_ = false;
    QString startFolder_; // where the program was started: mark files are saved there first
};

} // namespace imprimata
