#pragma once

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

class QAction;
class QFrame;
class QLabel;
class QListWidget;
class QTreeView;

namespace imprimata {

// A file's size and time of change, to tell whether it changed since it was read.
struct FileVersion {
    qint64 size = -1;
    QDateTime modified;
    friend bool operator==(const FileVersion &, const FileVersion &) = default;
};
FileVersion fileVersion(const QString &path);

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

    MainWindow(SharedState &state, DialogService &dialogs);
    ~MainWindow() override;

    // Controls, named as the rest of the program refers to them.
    QFrame *thumbnailFrame = nullptr;
    QLabel *preview = nullptr;
    QTreeView *folderTree = nullptr;
    QListWidget *fileList = nullptr;
    QWidget *PicFrame = nullptr;
    PictureBox *Pic = nullptr;
    QImage Image1;     // the picture read from the selected file
    QImage shownImage; // the shown file's picture as read, which Undo Insert brings back
    // The files those two were read from. A click on an unreadable file names it as the
    // current picture but leaves Image1 as it was, so only these say whose camera data a
    // saved picture may carry.
    QString image1Path;
    QString shownImagePath;
    // The files as they were when read: a JPEG saved from the shown picture takes the blocks
    // of its file only while the file still holds the pixels shown.
    FileVersion image1Version;
    FileVersion shownVersion;
    QList<QRect> stampedAreas;               // where stamps went since the picture was shown
    std::array<QAction *, 3> menuBarItems{}; // File, the mark menu, About
    std::array<QAction *, 4> fileMenuItems{};
    std::array<QAction *, 6> markMenuItems{};
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
    bool stampsUnsaved = false; // stamped since the picture was shown, undone or last saved

    FlatScrollBars scrollBars; // the viewport's scroll bars

    PlacementWindow &placementWindow();
    // Redraws the placement window for the current mark; a picture that cannot be read is
    // said in a message box.
    void refreshPlacement();
    // Arranges the controls for a client area of the given size (runs on every resize).
    void layoutPass(int clientWidth, int clientHeight);

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

    // PlacementHost
    QRect picFrameGeometry() const override;
    bool menuEnabled(FileMenu command) const override;
    bool menuEnabled(MarkMenu command) const override;

    // MarkEditorHost
    ScreenRect pictureWindowRect() const override;
    ScreenRect placementWindowRect() const override;
    QSize placementWorkSize() const override;
    void setPlacementWorkSize(QSize size) override;
    ScreenRect placementWorkRect(QSize size) const override;
    bool CaptureBackground(Surface &destination, const ScreenRect &picture,
                           const ScreenRect &placement, bool warnIfOutside) override;

public slots:
    void onAbout();
    void runCommand(FileMenu command) override;
    void runCommand(MarkMenu command) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void selectStartFolder();
    // True when the picture was written.
    bool SaveAs();
    Result<PictureWritten> saveShownPicture(const QString &path);
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
    void clearShownPicture();
    // Runs a command; an unexpected failure becomes a message and the program goes on.
    void guarded(const std::function<void()> &command);

    SharedState &state_;
    DialogService &dialogs_;
    std::unique_ptr<PlacementWindow>
        placementWindow_; // created with the first layout pass, lives as long
    QString fileListFolder_;
    bool revertingFolder_ = false;
    QString startFolder_; // where the program was started: mark files are saved there first
};

} // namespace imprimata
