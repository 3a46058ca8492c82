#pragma once

#include "batch/BatchOptions.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSettings;
class QSpinBox;

namespace imprimata {

// What "Stamp folder ..." asks before a run.
struct FolderStampChoice {
    bool selectedOnly = false;
    bool asPlaced = true; // where the mark lies on the shown picture; else `place`
    MarkPlace place{Anchor::BottomRight, {0, 0}};
    QString outDir;
    bool overwrite = false;
    bool removeLocation = false;
    std::optional<int> quality; // none: a JPEG keeps its own, and every block the mark misses
};

// The choices of the last run, for the pictures of `folder`. An output folder inside the
// pictures' folder is remembered by its name there, so the next shoot gets one of its own.
FolderStampChoice rememberedStampChoice(const QSettings &settings, const QString &folder);
void rememberStampChoice(QSettings &settings, const FolderStampChoice &choice,
                         const QString &folder);

// What the dialog offers.
struct FolderStampContext {
    QString folder;
    int pictureCount = 0;
    int selectedCount = 0;
    // Where the mark lies on the shown picture; none when no picture is shown or the mark
    // misses it.
    std::optional<MarkPlace> placed;
};

// Which pictures, where the mark goes on each, and where the stamped pictures are written.
class StampFolderDialog : public QDialog {
    Q_OBJECT
public:
    StampFolderDialog(const FolderStampContext &context, const FolderStampChoice &start,
                      QWidget *parent = nullptr);
    FolderStampChoice choice() const;

    // Refuses, in the warning line, an output folder that is the pictures' own.
    void accept() override;

    QRadioButton *allPictures = nullptr;
    QRadioButton *selectedPictures = nullptr;
    QRadioButton *asPlaced = nullptr;
    QRadioButton *atCorner = nullptr;
    QComboBox *corner = nullptr;
    QSpinBox *offsetX = nullptr;
    QSpinBox *offsetY = nullptr;
    QLineEdit *outputFolder = nullptr;
    QPushButton *browseButton = nullptr;
    QCheckBox *overwrite = nullptr;
    QCheckBox *removeLocation = nullptr;
    QSpinBox *quality = nullptr; // its lowest value means "as the source"
    QLabel *warning = nullptr;

private:
    void onBrowse();

    FolderStampContext context_;
};

} // namespace imprimata
