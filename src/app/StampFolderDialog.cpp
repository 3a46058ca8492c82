#include "StampFolderDialog.h"

#include "Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>

namespace imprimata {

namespace {

struct AnchorName {
    Anchor anchor;
    const char *key;     // in the settings
    const char *caption; // in the dialog
};
constexpr std::array<AnchorName, 5> AnchorNames{{
    {Anchor::TopLeft, "top-left", QT_TRANSLATE_NOOP("imprimata::StampFolderDialog", "top left")},
    {Anchor::TopRight, "top-right", QT_TRANSLATE_NOOP("imprimata::StampFolderDialog", "top right")},
    {Anchor::BottomLeft, "bottom-left",
     QT_TRANSLATE_NOOP("imprimata::StampFolderDialog", "bottom left")},
    {Anchor::BottomRight, "bottom-right",
     QT_TRANSLATE_NOOP("imprimata::StampFolderDialog", "bottom right")},
    {Anchor::Centre, "centre", QT_TRANSLATE_NOOP("imprimata::StampFolderDialog", "centre")},
}};

const AnchorName &nameOf(Anchor anchor) {
    for (const AnchorName &name : AnchorNames)
        if (name.anchor == anchor)
            return name;
    return AnchorNames[0];
}

QString captionOf(Anchor anchor) {
    return StampFolderDialog::tr(nameOf(anchor).caption);
}

const QString DefaultOutputName = QStringLiteral("marked");
constexpr int LargestOffset = 100000;

} // namespace

FolderStampChoice rememberedStampChoice(const QSettings &settings, const QString &folder) {
    FolderStampChoice choice;
    choice.selectedOnly = settings.value(SettingKeys::StampSelectedOnly, false).toBool();
    choice.asPlaced = settings.value(SettingKeys::StampAsPlaced, true).toBool();
    const QString anchor = settings.value(SettingKeys::StampAnchor).toString();
    for (const AnchorName &name : AnchorNames)
        if (anchor == QLatin1String(name.key))
            choice.place.anchor = name.anchor;
    choice.place.offset = settings.value(SettingKeys::StampOffset, QPoint(0, 0)).toPoint();
    const QString output = settings.value(SettingKeys::StampOutput, DefaultOutputName).toString();
    choice.outDir = QDir::cleanPath(QDir(folder).filePath(output));
    choice.overwrite = settings.value(SettingKeys::StampOverwrite, false).toBool();
    choice.removeLocation = settings.value(SettingKeys::RemoveLocation, false).toBool();
    if (const int quality = settings.value(SettingKeys::StampQuality, 0).toInt();
        quality >= 1 && quality <= 100)
        choice.quality = quality;
    return choice;
}

void rememberStampChoice(QSettings &settings, const FolderStampChoice &choice,
                         const QString &folder) {
    settings.setValue(SettingKeys::StampSelectedOnly, choice.selectedOnly);
    settings.setValue(SettingKeys::StampAsPlaced, choice.asPlaced);
    settings.setValue(SettingKeys::StampAnchor, QLatin1String(nameOf(choice.place.anchor).key));
    settings.setValue(SettingKeys::StampOffset, choice.place.offset);
    const QString inside = QDir(folder).relativeFilePath(choice.outDir);
    const bool within = !inside.startsWith(QLatin1String("..")) && QDir::isRelativePath(inside);
    settings.setValue(SettingKeys::StampOutput, within ? inside : choice.outDir);
    settings.setValue(SettingKeys::StampOverwrite, choice.overwrite);
    settings.setValue(SettingKeys::RemoveLocation, choice.removeLocation);
    settings.setValue(SettingKeys::StampQuality, choice.quality.value_or(0));
}

StampFolderDialog::StampFolderDialog(const FolderStampContext &context,
                                     const FolderStampChoice &start, QWidget *parent)
    : QDialog(parent), context_(context) {
    setWindowTitle(tr("Stamp folder"));
    auto *form = new QFormLayout;

    allPictures = new QRadioButton(
        context.pictureCount == 1 ? tr("The folder's one picture")
                                  : tr("All %n pictures of the folder", "", context.pictureCount));
    selectedPictures = new QRadioButton(
        context.selectedCount == 1 ? tr("The selected picture")
                                   : tr("The %n selected pictures", "", context.selectedCount));
    selectedPictures->setEnabled(context.selectedCount > 0);
    (start.selectedOnly && context.selectedCount > 0 ? selectedPictures : allPictures)
        ->setChecked(true);
    auto *which = new QVBoxLayout;
    which->addWidget(allPictures);
    which->addWidget(selectedPictures);
    form->addRow(tr("Pictures:"), which);

    asPlaced = new QRadioButton;
    if (context.placed)
        asPlaced->setText(tr("As placed on this picture: %1 from its %2 corner")
                              .arg(tr("%1, %2 pixels")
                                       .arg(context.placed->offset.x())
                                       .arg(context.placed->offset.y()),
                                   captionOf(context.placed->anchor)));
    else
        asPlaced->setText(tr("As placed on this picture (show a picture and place the mark "
                             "on it)"));
    asPlaced->setEnabled(context.placed.has_value());
    atCorner = new QRadioButton(tr("At the"));
    corner = new QComboBox;
    for (const AnchorName &name : AnchorNames)
        corner->addItem(tr(name.caption));
    corner->setCurrentIndex(corner->findText(captionOf(start.place.anchor)));
    offsetX = new QSpinBox;
    offsetY = new QSpinBox;
    for (QSpinBox *offset : {offsetX, offsetY}) {
        offset->setRange(-LargestOffset, LargestOffset);
        offset->setSuffix(tr(" px"));
    }
    offsetX->setValue(start.place.offset.x());
    offsetY->setValue(start.place.offset.y());
    (start.asPlaced && context.placed ? asPlaced : atCorner)->setChecked(true);
    auto *cornerRow = new QHBoxLayout;
    cornerRow->addWidget(atCorner);
    cornerRow->addWidget(corner);
    cornerRow->addWidget(new QLabel(tr("inward by")));
    cornerRow->addWidget(offsetX);
    cornerRow->addWidget(new QLabel(tr("across and")));
    cornerRow->addWidget(offsetY);
    cornerRow->addWidget(new QLabel(tr("down")));
    cornerRow->addStretch();
    auto *where = new QVBoxLayout;
    where->addWidget(asPlaced);
    where->addLayout(cornerRow);
    form->addRow(tr("Mark:"), where);

    outputFolder = new QLineEdit(QDir::toNativeSeparators(start.outDir));
    browseButton = new QPushButton(tr("&Browse ..."));
    connect(browseButton, &QPushButton::clicked, this, &StampFolderDialog::onBrowse);
    auto *output = new QHBoxLayout;
    output->addWidget(outputFolder, 1);
    output->addWidget(browseButton);
    form->addRow(tr("Output folder:"), output);

    overwrite = new QCheckBox(tr("Replace pictures already there (otherwise they are skipped)"));
    overwrite->setChecked(start.overwrite);
    removeLocation = new QCheckBox(tr("Remove location"));
    removeLocation->setChecked(start.removeLocation);
    auto *options = new QVBoxLayout;
    options->addWidget(overwrite);
    options->addWidget(removeLocation);
    form->addRow(QString(), options);

    quality = new QSpinBox;
    quality->setRange(0, 100);
    quality->setSpecialValueText(tr("As the source"));
    quality->setValue(start.quality.value_or(0));
    quality->setToolTip(tr("As the source: only the blocks the mark touches are encoded again, "
                           "at the picture's own quality"));
    form->addRow(tr("JPEG quality:"), quality);

    warning = new QLabel;
    warning->setStyleSheet(QStringLiteral("color: red"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&Stamp"));
    connect(buttons, &QDialogButtonBox::accepted, this, &StampFolderDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &StampFolderDialog::reject);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(warning, 1);
    bottom->addWidget(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(bottom);
}

FolderStampChoice StampFolderDialog::choice() const {
    FolderStampChoice choice;
    choice.selectedOnly = selectedPictures->isChecked();
    choice.asPlaced = asPlaced->isChecked();
    choice.place = {AnchorNames[size_t(corner->currentIndex())].anchor,
                    {offsetX->value(), offsetY->value()}};
    // A relative name lies in the pictures' folder.
    choice.outDir = QDir::cleanPath(
        QDir(context_.folder).filePath(QDir::fromNativeSeparators(outputFolder->text().trimmed())));
    choice.overwrite = overwrite->isChecked();
    choice.removeLocation = removeLocation->isChecked();
    if (quality->value() > 0)
        choice.quality = quality->value();
    return choice;
}

void StampFolderDialog::accept() {
    const QString out = choice().outDir;
    const auto same = [](const QString &a, const QString &b) {
        const QString ca = QFileInfo(a).canonicalFilePath(), cb = QFileInfo(b).canonicalFilePath();
        return ca.isEmpty() ? QDir::cleanPath(a) == QDir::cleanPath(b) : ca == cb;
    };
    if (outputFolder->text().trimmed().isEmpty())
        warning->setText(tr("Choose the folder the stamped pictures go to."));
    else if (same(out, context_.folder))
        warning->setText(tr("The stamped pictures cannot replace the pictures themselves: "
                            "choose another folder."));
    else
        QDialog::accept();
}

void StampFolderDialog::onBrowse() {
    const QString start = QFileInfo::exists(choice().outDir) ? choice().outDir : context_.folder;
    const QString chosen = QFileDialog::getExistingDirectory(this, tr("Output folder"), start);
    if (!chosen.isEmpty())
        outputFolder->setText(QDir::toNativeSeparators(chosen));
}

} // namespace imprimata
