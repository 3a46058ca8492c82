#include "FontChooser.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFontInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace imprimata {

namespace {
constexpr int MinimumSampleWidth = 280;
constexpr int MinimumSampleHeight = 120;
} // namespace

FontChooser::FontChooser(const FontChoice &start, QWidget *parent)
    : QDialog(parent), start_(start), colour_(start.colour) {
    setWindowTitle(tr("Font"));

    face = new QFontComboBox(this);
    face->setEditable(false); // only faces the system has
    QFont startFont(start.family);
    face->setCurrentFont(startFont);
    if (face->currentFont().family() != start.family) {
        // An alias such as a metric-compatible stand-in: show the face it resolves to.
        face->setCurrentFont(QFont(QFontInfo(startFont).family()));
    }
    startFace_ = face->currentIndex();

    size = new QDoubleSpinBox(this);
    size->setDecimals(2);
    size->setRange(start.minimumSize, start.maximumSize);
    size->setSingleStep(1.0);
    size->setValue(start.pointSize);

    bold = new QCheckBox(tr("Bold"), this);
    bold->setChecked(start.bold);
    italic = new QCheckBox(tr("Italic"), this);
    italic->setChecked(start.italic);
    strikeOut = new QCheckBox(tr("Strikeout"), this);
    strikeOut->setChecked(start.strikeOut);
    underline = new QCheckBox(tr("Underline"), this);
    underline->setChecked(start.underline);

    colourButton = new QPushButton(this);
    colourButton->setAutoDefault(false);
    colourButton->setIconSize(QSize(40, 14));

    sample = new QLabel(tr("AaBbYyZz"), this);
    sample->setAlignment(Qt::AlignCenter);
    sample->setFrameShape(QFrame::StyledPanel);
    sample->setAutoFillBackground(true);

    auto *form = new QFormLayout;
    form->addRow(tr("Font:"), face);
    form->addRow(tr("Size:"), size);
    auto *effects = new QGroupBox(tr("Effects"), this);
    auto *effectsLayout = new QVBoxLayout(effects);
    for (QCheckBox *box : {bold, italic, strikeOut, underline})
        effectsLayout->addWidget(box);
    form->addRow(effects);
    form->addRow(tr("Colour:"), colourButton);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(sample, 1);
    layout->addWidget(buttons);

    connect(face, &QFontComboBox::currentFontChanged, this, &FontChooser::updateSample);
    connect(size, &QDoubleSpinBox::valueChanged, this, &FontChooser::updateSample);
    for (QCheckBox *box : {bold, italic, strikeOut, underline})
        connect(box, &QCheckBox::toggled, this, &FontChooser::updateSample);
    connect(colourButton, &QPushButton::clicked, this, &FontChooser::pickColour);
    setColour(colour_);
}

FontChoice FontChooser::choice() const {
    FontChoice result = start_;
    // An untouched face keeps the name it came with, not the stand-in it resolved to.
    if (face->currentIndex() != startFace_)
        result.family = face->currentFont().family();
    result.pointSize = size->value();
    result.bold = bold->isChecked();
    result.italic = italic->isChecked();
    result.strikeOut = strikeOut->isChecked();
    result.underline = underline->isChecked();
    result.colour = colour_;
    return result;
}

void FontChooser::setColour(ColourValue colour) {
    colour_ = colour;
    QPixmap swatch(colourButton->iconSize());
    swatch.fill(QColor(rgbFromColour(resolveColour(colour_))));
    colourButton->setIcon(QIcon(swatch));
    updateSample();
}

void FontChooser::pickColour() {
    const QColor picked =
        QColorDialog::getColor(QColor(rgbFromColour(resolveColour(colour_))), this, tr("Colour"));
    if (picked.isValid())
        setColour(colourFromRgb(picked.rgb()));
}

void FontChooser::updateSample() {
    QFont f = face->currentFont();
    f.setPointSizeF(size->value());
    f.setBold(bold->isChecked());
    f.setItalic(italic->isChecked());
    f.setStrikeOut(strikeOut->isChecked());
    f.setUnderline(underline->isChecked());
    sample->setFont(f);
    // The whole sample shows, slanted and large faces included: the label's minimum grows to
    // the ink of its text, and the layout grows the dialog with it.
    const QFontMetrics metrics(f);
    const QRect ink = metrics.boundingRect(sample->text());
    const int margins = 2 * (sample->frameWidth() + metrics.averageCharWidth());
    const int inkWidth = std::max(ink.right() + 1, metrics.horizontalAdvance(sample->text())) -
                         std::min(ink.left(), 0);
    sample->setMinimumSize(std::max(MinimumSampleWidth, inkWidth + margins),
                           std::max(MinimumSampleHeight, ink.height() + margins));
    QPalette p = sample->palette();
    p.setColor(QPalette::WindowText, QColor(rgbFromColour(resolveColour(colour_))));
    sample->setPalette(p);
}

bool FontChooser::choose(QWidget *parent, FontChoice &choice) {
    FontChooser dialog(choice, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice = dialog.choice();
    return true;
}

} // namespace imprimata
