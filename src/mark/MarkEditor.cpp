#include "MarkEditor.h"

#include "Artwork.h"
#include "Coverage.h"
#include "FontCopy.h"

#include "platform/Numeric.h"
#include "platform/ScreenUnits.h"
#include "render/PictureLoader.h"
#include "render/Preview.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <limits>

namespace imprimata {

const QString MarkEditor::SpecialSymbols = QStringLiteral(
    "\u2020\u2021\u20AC\u2022\u2122\u00A7\u00A9\u0404\u00AE\u00B0\u00A4\u2039\u203A\u00AB\u00BB"
    "\u00B5\u0454\u0402");

namespace {

constexpr ColourValue ButtonFace = static_cast<ColourValue>(0x8000000Fu);
constexpr int CyrillicCharset = 204;
// A picture centred in a frame sits this many twips below the centre, clear of the caption.
constexpr double CaptionDrop = 55;
constexpr int LargestFontSize = 100;
constexpr int SmallestFontSize = 20;
constexpr double LargestMarkTwips = std::numeric_limits<std::int16_t>::max();

// An option button's caption and what its array grades: one word may take a different form
// for each in a translation.
struct Caption {
    const char *text;
    const char *grades;
};
using Captions = std::array<Caption, 3>;

constexpr Captions PrintModeCaptions{{QT_TRANSLATE_NOOP3("imprimata", "Solid", "print mode"),
                                      QT_TRANSLATE_NOOP3("imprimata", "Outline", "print mode"),
                                      QT_TRANSLATE_NOOP3("imprimata", "Colouring", "print mode")}};
constexpr Captions TransparencyCaptions{{QT_TRANSLATE_NOOP3("imprimata", "Opaque", "transparency"),
                                         QT_TRANSLATE_NOOP3("imprimata", "Low", "transparency"),
                                         QT_TRANSLATE_NOOP3("imprimata", "High", "transparency")}};
constexpr Captions ReliefCaptions{{QT_TRANSLATE_NOOP3("imprimata", "No", "relief"),
                                   QT_TRANSLATE_NOOP3("imprimata", "Low", "relief"),
                                   QT_TRANSLATE_NOOP3("imprimata", "High", "relief")}};
constexpr Captions ContrastCaptions{{QT_TRANSLATE_NOOP3("imprimata", "Low", "contrast"),
                                     QT_TRANSLATE_NOOP3("imprimata", "Middle", "contrast"),
                                     QT_TRANSLATE_NOOP3("imprimata", "High", "contrast")}};

// The dialog lays its controls out in twips; widgets take pixels.
void placeTwips(QWidget *w, double left, double top, double width, double height) {
    w->setGeometry(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width),
                   twipsToPixelsY(height));
}
double leftTwips(const QWidget *w) {
    return w->x() * twipsPerPixelX();
}
double topTwips(const QWidget *w) {
    return w->y() * twipsPerPixelY();
}
double widthTwips(const QWidget *w) {
    return w->width() * twipsPerPixelX();
}
double heightTwips(const QWidget *w) {
    return w->height() * twipsPerPixelY();
}

// Moves a picture of the given size (twips) to the centre of its frame.
void centreInFrame(QWidget *picture, const QWidget *frame, double width, double height) {
    placeTwips(picture, (widthTwips(frame) - width) / 2,
               (heightTwips(frame) - height) / 2 + CaptionDrop, width, height);
}

QFont serifBold(double pointSize) {
    QFont f(QStringLiteral("Times New Roman"));
    f.setStyleHint(QFont::Serif);
    f.setPointSizeF(pointSize);
    f.setBold(true);
    return f;
}

QLabel *centredLabel(QWidget *parent, const QString &caption, double left, double top, double width,
                     double height) {
    auto *label = new QLabel(caption, parent);
    label->setAlignment(Qt::AlignCenter);
    placeTwips(label, left, top, width, height);
    return label;
}

QGroupBox *frame(QWidget *parent, const QString &caption, double left, double top, double width,
                 double height) {
    auto *box = new QGroupBox(caption, parent);
    placeTwips(box, left, top, width, height);
    return box;
}

QPushButton *button(QWidget *parent, const QString &caption, double left, double top, double width,
                    double height) {
    auto *b = new QPushButton(caption, parent);
    b->setAutoDefault(false);
    placeTwips(b, left, top, width, height);
    return b;
}

// A caption may be wider in the installed fonts than its twips allow: widen an option button
// to its caption, within its frame.
void fitCaption(QRadioButton *b) {
    const int room = b->parentWidget()->width() - b->x() - 2;
    const int wanted = std::min(b->sizeHint().width(), room);
    if (wanted > b->width())
        b->resize(wanted, b->height());
}

// Option buttons of one array share the array's name and carry their index, so that
// SelectedIndex can find them by name.
using Triple = std::array<double, 3>;

std::array<QRadioButton *, 3> options(QWidget *parent, const char *arrayName,
                                      const Captions &captions, const Triple &lefts,
                                      const Triple &tops, double width, double height) {
    std::array<QRadioButton *, 3> group{};
    for (std::size_t i = 0; i < 3; ++i) {
        auto *b = new QRadioButton(
            QCoreApplication::translate("imprimata", captions[i].text, captions[i].grades), parent);
        b->setObjectName(QString::fromLatin1(arrayName));
        b->setProperty("index", static_cast<int>(i));
        placeTwips(b, lefts[i], tops[i], width, height);
        fitCaption(b);
        group[i] = b;
    }
    group[0]->setChecked(true);
    return group;
}

// The option of the checked button of a group: first, else second, else third.
template <typename Option> Option optionOf(const std::array<QRadioButton *, 3> &group) {
    return Option(group[0]->isChecked() ? 0 : group[1]->isChecked() ? 1 : 2);
}

// The mark type a toggle value stands for, as the pages' captions name it.
QString typeName(int value) {
    return value == 0 ? QCoreApplication::translate("imprimata", "TEXT")
                      : QCoreApplication::translate("imprimata", "IMAGE");
}

void check(const std::array<QRadioButton *, 3> &group, int index) {
    if (index >= 0 && index < 3)
        group[static_cast<std::size_t>(index)]->setChecked(true);
}

} // namespace

MarkEditor::MarkEditor(SharedState &state, MarkEditorHost &host, DialogService &dialogs,
                       QWidget *parent)
    : QDialog(parent), state_(state), host_(host), dialogs_(dialogs),
      textForeColour_(SystemWindowText) {
    buildControls();
    connectHandlers();
    loadFromMark();
    if (textPage->isVisibleTo(this))
        textEdit->setFocus();
}

void MarkEditor::buildControls() {
    setWindowTitle(tr("Imprimata Options"));
    setFixedSize(twipsToPixelsX(9750), twipsToPixelsY(6780));
    QFont captions;
    captions.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    captions.setStyleHint(QFont::SansSerif);
    captions.setPointSizeF(8.25);
    captions.setBold(true);
    setFont(captions);

    typeToggle = new TypeToggle(this);
    placeTwips(typeToggle, 4080, 120, 1215, 855);
    typeToggle->setToolTip(tr("Click to change Imprimata Type"));
    typeToggle->setAccessibleName(tr("Imprimata Type"));
    typeToggle->setAccessibleDescription(typeName(0));
    imagePage = frame(this, tr("Imprimata Type = %1").arg(typeName(1)), 120, 400, 9495, 5655);
    imagePage->hide();
    textPage = frame(this, tr("Imprimata Type = %1").arg(typeName(0)), 120, 400, 9495, 5655);
    okButton = button(this, tr("OK"), 3480, 6240, 1095, 435);
    okButton->setDefault(true);
    cancelButton = button(this, tr("Cancel"), 5160, 6240, 1215, 435);
    // Beside the buttons, under both pages' previews: a line, not a box that takes the keys.
    placementWarning = new QLabel(this);
    placeTwips(placementWarning, 120, 6120, 3300, 615);
    placementWarning->setWordWrap(true);
    placementWarning->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette warning = placementWarning->palette();
    warning.setColor(QPalette::WindowText, QColor(176, 0, 0));
    placementWarning->setPalette(warning);
    myFace = new PictureBox(this, ButtonFace);
    placeTwips(myFace, 7680, 120, 945, 375);
    myFace->showPicture(myMarkPicture());
    myFace->hide();
    symbolSource = new QLabel(SpecialSymbols, this);
    placeTwips(symbolSource, 2760, 3480, 5895, 495);
    QFont symbols = serifBold(18);
    symbols.setBold(false);
    symbolSource->setFont(symbols);
    symbolSource->hide();
    typeToggle->raise(); // it overlaps the pages' captions

    buildImagePage();
    buildTextPage();
}

void MarkEditor::buildImagePage() {
    imageFrames[0] = frame(imagePage, tr("Imprimata Image"), 120, 600, 5895, 2175);
    imageBoxes[0] = new PictureBox(imageFrames[0]);
    placeTwips(imageBoxes[0], 1320, 240, 3375, 1815);
    imageBoxes[0]->setFocusPolicy(Qt::StrongFocus);
    imageFrames[1] = frame(imagePage, tr("Preview"), 120, 2880, 5895, 2655);
    imageBoxes[1] = new PictureBox(imageFrames[1]);
    placeTwips(imageBoxes[1], 600, 240, 4815, 2295);
    imageBoxes[2] = new PictureBox(imagePage);
    placeTwips(imageBoxes[2], 0, 0, 3375, 1815);
    imageBoxes[2]->hide();

    vLine = new QFrame(imagePage);
    vLine->setFrameShape(QFrame::VLine);
    vLine->setFrameShadow(QFrame::Sunken);
    placeTwips(vLine, 6120, 240, 45, 5295);

    drawStyleLabel = centredLabel(imagePage, tr("Draw Style"), 7080, 360, 1335, 255);
    transparencyGroup = frame(imagePage, tr("Transparence"), 6420, 720, 1335, 1995);
    imageTransparency = options(transparencyGroup, "ImgTransp", TransparencyCaptions,
                                {150, 150, 150}, {480, 840, 1440}, 1000, 285);
    rasterOpLabel = centredLabel(imagePage, tr("Raster operation"), 7905, 720, 1335, 255);
    rasterOpList = new QListWidget(imagePage);
    // Tall enough for the Alpha row, whose caption wraps: it is longer than the list is wide.
    placeTwips(rasterOpList, 7920, 1080, 1335, 2535);
    rasterOpList->setWordWrap(true);
    rasterOpList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    loadImageButton = button(imagePage, tr("Load Image"), 6720, 3840, 2175, 495);
}

void MarkEditor::buildTextPage() {
    symbolsCaption = centredLabel(textPage, tr("Special Symbols"), 1440, 720, 2175, 375);
    symbolKeys[0] = button(textPage, QString(), 240, 1200, 495, 495);
    symbolKeys[0]->setFont(serifBold(18));

    textEdit = new QLineEdit(textPage);
    placeTwips(textEdit, 240, 2520, 2415, 525);
    textEdit->setFont(serifBold(20.25));
    setTextForeColour(SystemWindowText);
    fontButton = button(textPage, tr("Font"), 3000, 2520, 975, 495);

    textSample = new PictureBox(textPage, ButtonFace);
    placeTwips(textSample, 240, 3240, 2415, 1095);
    textSample->setBorder(true);
    textSample->surface().setFont(
        makeFont(QStringLiteral("Times New Roman"), 48, true, CyrillicCharset));
    textSample->surface().setForeColour(SystemWindowText);
    for (int i = 0; i < 2; ++i) {
        auto *b = new PictureBox(textPage);
        placeTwips(b, 240 + i * 2520, 4440, 2415, 1095);
        b->hide();
        buffer[static_cast<std::size_t>(i)] = b;
    }
    buffer[0]->surface().setFont(
        makeFont(QStringLiteral("Times New Roman"), 48, true, CyrillicCharset));
    // Until a mark font is put there, the chooser starts from the sample's.
    fontChoice = fontPropertiesOf(textSample->surface().font()->font);

    printModeLabel = centredLabel(textPage, tr("Print Mode"), 6000, 360, 2175, 255);
    printModeGroup = frame(textPage, QString(), 4920, 600, 4455, 2295);
    printModeOptions = options(printModeGroup, "PrintMode", PrintModeCaptions, {480, 1800, 3240},
                               {240, 240, 240}, 975, 375);

    const Triple lefts{120, 120, 120};
    const Triple tops{360, 720, 1080};
    solidGroup = frame(printModeGroup, tr("Transparence"), 120, 720, 1335, 1455);
    solidTransparency =
        options(solidGroup, "solidTransp", TransparencyCaptions, lefts, tops, 1155, 285);
    outlineGroup = frame(printModeGroup, tr("Relief"), 1560, 720, 1335, 1455);
    outlineRelief = options(outlineGroup, "outlineRelief", ReliefCaptions, lefts, tops, 1155, 285);
    contrastGroup = frame(printModeGroup, tr("Contrast"), 3000, 720, 1335, 1455);
    contrast = options(contrastGroup, "contrast", ContrastCaptions, lefts, tops, 1155, 285);

    smoothEdges = new QCheckBox(tr("Smooth edges"), textPage);
    // Under the print modes and above the sample, which grows right with the text.
    placeTwips(smoothEdges, 4920, 2955, 2175, 255);
    smoothEdges->resize(std::max(smoothEdges->width(), smoothEdges->sizeHint().width()),
                        smoothEdges->height());
}

void MarkEditor::connectHandlers() {
    connect(typeToggle, &QAbstractButton::toggled, this, [this] { onTypeToggled(); });
    connect(textEdit, &QLineEdit::textChanged, this, [this] { onTextChanged(); });
    const auto onSelect = [this](const std::array<QRadioButton *, 3> &group,
                                 void (MarkEditor::*handler)(int)) {
        for (int i = 0; i < 3; ++i)
            connect(group[static_cast<std::size_t>(i)], &QRadioButton::toggled, this,
                    [this, handler, i](bool on) {
                        if (on)
                            (this->*handler)(i);
                    });
    };
    onSelect(printModeOptions, &MarkEditor::onPrintModeSelected);
    onSelect(solidTransparency, &MarkEditor::onSolidTransparencySelected);
    onSelect(outlineRelief, &MarkEditor::onOutlineReliefSelected);
    onSelect(contrast, &MarkEditor::onContrastSelected);
    onSelect(imageTransparency, &MarkEditor::onImageTransparencySelected);
    connect(rasterOpList, &QListWidget::currentRowChanged, this, [this] { onRasterOpSelected(); });
    connect(smoothEdges, &QCheckBox::toggled, this, [this] { onSmoothEdgesToggled(); });
    connect(okButton, &QPushButton::clicked, this, &MarkEditor::onOk);
    connect(cancelButton, &QPushButton::clicked, this, &MarkEditor::onCancel);
    connect(fontButton, &QPushButton::clicked, this, &MarkEditor::onChooseFont);
    connect(loadImageButton, &QPushButton::clicked, this, &MarkEditor::onLoadImage);
    connect(symbolKeys[0], &QPushButton::clicked, this, [this] { onSymbolKey(0); });
}

void MarkEditor::loadFromMark() {
    ready = false;

    rasterOpList->clear();
    // Each row holds the value the mark record keeps for it.
    for (const RasterOpEntry &entry : RasterOpTable) {
        auto *item = new QListWidgetItem(QString::fromLatin1(entry.name), rasterOpList);
        item->setData(Qt::UserRole, static_cast<std::int32_t>(entry.code));
    }
    auto *alphaRow =
        new QListWidgetItem(QCoreApplication::translate("imprimata", AlphaBlendName), rasterOpList);
    alphaRow->setData(Qt::UserRole, AlphaBlendRasterOp);
    alphaRow->setToolTip(alphaRow->text());
    rasterOpList->setCurrentRow(4);

    // The "My" face takes the button's colour where the picture is white.
    Surface &my = myFace->surface();
    for (int x = 0; x < my.width(); ++x)
        for (int y = 0; y < my.height(); ++y)
            if (my.point(x, y) == White)
                my.setPoint(x, y, my.backColour());
    typeToggle->setFaces(my.image(), photoPicture());

    const QString symbols = symbolSource->text();
    symbolKeys[0]->setText(symbols.left(1));
    const double keyLeft = leftTwips(symbolKeys[0]);
    const double keyTop = topTwips(symbolKeys[0]);
    const double keyWidth = widthTwips(symbolKeys[0]);
    const double keyHeight = heightTwips(symbolKeys[0]);
    for (int i = 1; i < static_cast<int>(symbolKeys.size()); ++i) {
        auto *key = new QPushButton(symbols.mid(i, 1), textPage);
        key->setAutoDefault(false);
        key->setFont(symbolKeys[0]->font());
        if (i <= 8)
            placeTwips(key, keyLeft + i * (keyWidth + 1), keyTop, keyWidth, keyHeight);
        else
            placeTwips(key, keyLeft + (i - 9) * (keyWidth + 1), keyTop + keyHeight + 1, keyWidth,
                       keyHeight);
        key->setVisible(true);
        connect(key, &QPushButton::clicked, this, [this, i] { onSymbolKey(i); });
        symbolKeys[static_cast<std::size_t>(i)] = key;
    }

    buffer[0]->move(buffer[0]->x(), textSample->y());
    buffer[0]->surface().setBackColour(White);
    for (PictureBox *picture : imageBoxes)
        picture->setBorder(false);

    maxImageWidth = imageBoxes[0]->width();
    maxImageHeight = imageBoxes[0]->height();
    previewWidth = imageBoxes[1]->width();
    previewHeight = imageBoxes[1]->height();
    textCharset = CyrillicCharset; // the text box's font; Qt fonts carry no character set

    const MarkSettings &mark = state_.CurrentMark;
    hadMark = mark.isPresent();
    if (hadMark) {
        imageTag = mark.ImagePath;
        textEdit->setText(mark.Text);
        typeToggle->setValue(mark.MarkType == ImageMark ? 1 : 0);
        check(imageTransparency, mark.ImageTransparency);
        const int row = mark.RasterOp == AlphaBlendRasterOp
                            ? rasterOpList->count() - 1
                            : rasterOpRow(static_cast<std::uint32_t>(mark.RasterOp));
        if (row >= 0)
            rasterOpList->setCurrentRow(row);
        smoothEdges->setChecked(mark.SmoothEdges);
        check(printModeOptions, mark.PrintMode);
        const PrintMode mode{mark.PrintMode};
        if (mode == PrintMode::Solid)
            check(solidTransparency, mark.Level);
        else if (mode == PrintMode::Outline)
            check(outlineRelief, mark.Level);
        else if (mode == PrintMode::Colouring)
            check(contrast, mark.Level);
        if (!mark.ImagePath.isEmpty()) {
            LoadMarkImage(mark.ImagePath);
            PreviewImageMark();
        }
        const double keySize = symbolKeys[0]->font().pointSizeF();
        for (QPushButton *key : symbolKeys)
            CopyFont(key, FontSource::Mark, FontSize::Given, keySize);
        CopyFont(fontChoice, FontSize::OfSource, 0);
        fontChoice.colour = mark.Colour;
        CopyFont(textEdit, FontSource::Mark, FontSize::Given, textEdit->font().pointSizeF());
        setTextForeColour(mark.Colour);
        CopyFont(*textSample->surface().font(), FontSource::Mark, FontSize::OfSource, 0);
        textSample->surface().setForeColour(mark.Colour);
        CopyFont(*buffer[0]->surface().font(), FontSource::Mark, FontSize::OfSource, 0);
        FitTextSample();
        PreviewTextMark();
        return;
    }

    imageTag.clear();
    textEdit->clear();
    for (std::size_t i = 0; i < 2; ++i)
        centreInFrame(imageBoxes[i], imageFrames[i], widthTwips(imageBoxes[i]),
                      heightTwips(imageBoxes[i]));
    // From now on the mark font is the sample's: a font chosen here is the mark's at once.
    state_.CurrentMark.Font = textSample->surface().font();
    CopyFont(fontChoice, FontSize::OfSource, 0);
    fontChoice.colour = 0;
    captureSampleBackground();
}

void MarkEditor::showEvent(QShowEvent *event) {
    if (!modal_)
        modal_.emplace(dialogs_);
    QDialog::showEvent(event);
    if (!displayed_) {
        displayed_ = true;
        onFirstShow();
    }
}

void MarkEditor::hideEvent(QHideEvent *event) {
    QDialog::hideEvent(event);
    modal_.reset();
}

void MarkEditor::onFirstShow() {
    ready = true;
    if (state_.CurrentMark.MarkType == ImageMark)
        onTypeToggled();
}

void MarkEditor::onTypeToggled() {
    const int value = typeToggle->value();
    typeToggle->setAccessibleDescription(typeName(value));
    textPage->setVisible(value == 0);
    imagePage->setVisible(value == 1);
    FitTextSample();
    if (hadMark && !ready)
        return;
    if (value == 0 && textEdit->text().isEmpty())
        captureSampleBackground();
    if (value == 1)
        imageBoxes[0]->setFocus();
}

void MarkEditor::onTextChanged() {
    if (!ready)
        return;
    FitTextSample();
    PreviewTextMark();
}

void MarkEditor::onPrintModeSelected(int) {
    if (ready)
        PreviewTextMark();
}

void MarkEditor::onSolidTransparencySelected(int) {
    if (ready)
        PreviewTextMark();
}

void MarkEditor::onOutlineReliefSelected(int) {
    if (ready)
        PreviewTextMark();
}

void MarkEditor::onContrastSelected(int) {
    if (ready)
        PreviewTextMark();
}

void MarkEditor::onImageTransparencySelected(int) {
    if (ready)
        PreviewImageMark();
}

void MarkEditor::onRasterOpSelected() {
    if (ready)
        PreviewImageMark();
}

void MarkEditor::onSmoothEdgesToggled() {
    if (ready)
        PreviewTextMark();
}

void MarkEditor::onCancel() {
    state_.MarkAccepted = false;
    QDialog::reject();
}

void MarkEditor::reject() {
    onCancel();
}

std::uint8_t MarkEditor::SelectedIndex(const QString &arrayName) const {
    for (const QRadioButton *b : findChildren<QRadioButton *>()) {
        const QVariant index = b->property("index");
        if (b->objectName() != arrayName || !index.isValid())
            continue;
        if (b->isChecked())
            return static_cast<std::uint8_t>(index.toInt());
    }
    return 0;
}

double MarkEditor::sampleWidthTwips() const {
    const double textWidth = twipsPerPixelX() * textSample->surface().textWidth(textEdit->text());
    return textWidth > widthTwips(textEdit) ? textWidth : widthTwips(textEdit);
}

void MarkEditor::FitTextSample() {
    const int lineHeight = textSample->surface().textHeight(QStringLiteral("1"));
    const double height = (lineHeight + 3) * twipsPerPixelY();
    // Beyond the largest size a mark can keep, the sample stops growing: the text cannot
    // be stored anyway (OK says so), and the pictures stay of a sane size.
    const double width = std::min(sampleWidthTwips(), LargestMarkTwips);
    for (PictureBox *picture : {textSample, buffer[0], buffer[1]})
        picture->resize(twipsToPixelsX(width), twipsToPixelsY(height));
    if (textEdit->text().isEmpty() && (hadMark || typeToggle->value() != 0))
        return;
    host_.setPlacementWorkSize(QSize(textSample->width(), lineHeight + 3));
}

ScreenRect MarkEditor::basePlacementRect() const {
    return shrunk(
        host_.placementWorkRect(QSize(state_.PlacementBaseWidth, state_.PlacementBaseHeight)), 1);
}

void MarkEditor::captureSampleBackground() {
    capture(textSample->surface(), basePlacementRect(), false);
    textSample->refresh();
}

void MarkEditor::capture(Surface &destination, const ScreenRect &placement, bool wholeMatters) {
    const ScreenRect picture = host_.pictureWindowRect();
    Coverage covered = coverage(picture, placement);
    if (covered != Coverage::None)
        host_.CaptureBackground(destination, picture, placement);
    if (!wholeMatters && covered == Coverage::Partial)
        covered = Coverage::Whole;
    placementWarning->setText(coverageWarning(covered));
}

TextMarkOptions MarkEditor::textOptions() const {
    TextMarkOptions o;
    o.text = textEdit->text();
    o.colour = textForeColour_;
    o.printMode = optionOf<PrintMode>(printModeOptions);
    if (o.printMode == PrintMode::Solid)
        o.level = optionOf<Level>(solidTransparency);
    else if (o.printMode == PrintMode::Outline)
        o.level = optionOf<Level>(outlineRelief);
    else
        o.level = Level{SelectedIndex(QStringLiteral("contrast"))};
    o.steps = state_.StepTable;
    o.smooth = smoothEdges->isChecked();
    return o;
}

std::int32_t MarkEditor::selectedRasterOp() const {
    const QListWidgetItem *row = rasterOpList->currentItem();
    return row ? row->data(Qt::UserRole).toInt() : static_cast<std::int32_t>(SrcCopy);
}

ImageMarkOptions MarkEditor::imageOptions() const {
    ImageMarkOptions o;
    o.transparency = optionOf<Transparency>(imageTransparency);
    const std::int32_t op = selectedRasterOp();
    o.ownAlpha = op == AlphaBlendRasterOp;
    if (!o.ownAlpha)
        o.rasterOp = RasterOp(static_cast<std::uint32_t>(op));
    return o;
}

void MarkEditor::PreviewTextMark() {
    Surface &sample = textSample->surface();
    Surface &text = buffer[0]->surface();
    sample.clear();
    text.clear();
    for (Surface *s : {&sample, &text})
        s->setSmoothText(smoothEdges->isChecked());
    capture(sample, shrunk(host_.placementWorkRect(host_.placementWorkSize()), 1), true);
    imprimata::PreviewTextMark({sample, text, buffer[1]->surface()}, textOptions());
    textSample->refresh();
}

void MarkEditor::PreviewImageMark() {
    const Surface &image = imageBoxes[0]->surface();
    const ImagePreviewLayout layout =
        imagePreviewLayout(QSize(image.width(), image.height()), QSize(previewWidth, previewHeight),
                           host_.placementWindowRect());
    centreInFrame(imageBoxes[1], imageFrames[1], roundToInt(layout.size.width() * twipsPerPixelX()),
                  roundToInt(layout.size.height() * twipsPerPixelY()));
    Surface &preview = imageBoxes[1]->surface();
    // Parts the capture does not reach show no leftovers of an earlier preview.
    preview.clear();
    capture(preview, layout.capture, false);
    imageBoxes[2]->resize(image.width(), image.height());
    imprimata::PreviewImageMark(preview, imageBoxes[2]->surface(), image, layout.offset,
                                imageOptions());
    imageBoxes[1]->refresh();
}

bool MarkEditor::LoadMarkImage(const QString &path) {
    // The picture is read into the editor's own holder: the main window's pictures stay as
    // they are.
    // Its alpha channel goes along for the Alpha blend's preview.
    const Result<PictureLayers> read = readPictureLayers(path, MaxMarkPicturePixels);
    if (!read) {
        dialogs_.message(read.error(), MessageIcon::None);
        return false;
    }
    const QImage &picture = read->colours;
    const int w = std::min(picture.width(), maxImageWidth);
    const int h = std::min(picture.height(), maxImageHeight);
    centreInFrame(imageBoxes[0], imageFrames[0], w * twipsPerPixelX(), h * twipsPerPixelY());
    imageBoxes[0]->surface().setImage(picture.copy(0, 0, w, h));
    if (!read->alpha.isNull())
        imageBoxes[0]->surface().setAlphaPlane(read->alpha.copy(0, 0, w, h));
    imageBoxes[0]->refresh();
    return true;
}

void MarkEditor::onLoadImage() {
    FileDialogRequest request;
    request.title = tr("Select Imprimata Image File");
    request.filter = tr("Bitmaps, JPEG Images, GIF Images") + QStringLiteral("|*.bmp;*.jpg;*.gif|");
    const QString path = dialogs_.openFile(request);
    if (path.isEmpty())
        return;
    // An unreadable file does not become the mark's image.
    if (!LoadMarkImage(path))
        return;
    imageTag = path;
    PreviewImageMark();
}

void MarkEditor::onOk() {
    const int type = typeToggle->value();
    if (type == 1 && imageTag.isEmpty()) {
        dialogs_.message(tr("Imprimata IMAGE file isn't defined."));
        return;
    }
    if (type == 0 && textEdit->text().isEmpty()) {
        dialogs_.message(tr("Imprimata TEXT is empty."));
        return;
    }
    // The mark's size is kept in 16 bits of twips; a longer text cannot be stored.
    if (type == 0 &&
        (sampleWidthTwips() > LargestMarkTwips || heightTwips(textSample) > LargestMarkTwips)) {
        dialogs_.message(tr("Imprimata TEXT is too long."));
        return;
    }
    const QWidget *measured = type == 1 ? static_cast<QWidget *>(imageBoxes[0]) : textSample;

    MarkSettings &mark = state_.CurrentMark;
    state_.MarkAccepted = true;
    mark.MarkType = static_cast<std::int16_t>(type);
    mark.ImageTransparency = SelectedIndex(QStringLiteral("ImgTransp"));
    mark.RasterOp = selectedRasterOp();
    mark.SmoothEdges = smoothEdges->isChecked();
    mark.ImagePath = imageTag;
    mark.Text = textEdit->text();
    mark.PrintMode = SelectedIndex(QStringLiteral("PrintMode"));
    if (PrintMode{mark.PrintMode} == PrintMode::Solid)
        mark.Level = SelectedIndex(QStringLiteral("solidTransp"));
    else if (PrintMode{mark.PrintMode} == PrintMode::Outline)
        mark.Level = SelectedIndex(QStringLiteral("outlineRelief"));
    else
        mark.Level = SelectedIndex(QStringLiteral("contrast"));
    mark.Font = textSample->surface().font();
    mark.Colour = textSample->surface().foreColour();
    mark.MarkHeight = static_cast<std::int16_t>(roundToInt(heightTwips(measured)));
    mark.MarkWidth = static_cast<std::int16_t>(roundToInt(widthTwips(measured)));
    QDialog::accept();
}

void MarkEditor::setTextForeColour(ColourValue colour) {
    textForeColour_ = colour;
    QPalette p = textEdit->palette();
    p.setColor(QPalette::Text, QColor(rgbFromColour(resolveColour(colour))));
    textEdit->setPalette(p);
}

void MarkEditor::onChooseFont() {
    FontChoice choice = fontChoice;
    choice.minimumSize = SmallestFontSize;
    choice.maximumSize = LargestFontSize;
    choice.colour = textForeColour_;
    if (!dialogs_.chooseFont(choice))
        return;
    fontChoice = choice;
    CopyFont(textEdit, FontSource::Choice, FontSize::Given, textEdit->font().pointSizeF());
    CopyFont(*textSample->surface().font(), FontSource::Choice, FontSize::OfSource, 0);
    CopyFont(*buffer[0]->surface().font(), FontSource::Choice, FontSize::OfSource, 0);
    setTextForeColour(fontChoice.colour);
    textSample->surface().setForeColour(fontChoice.colour);
    buffer[0]->surface().setForeColour(fontChoice.colour);
    const double keySize = symbolKeys[0]->font().pointSizeF();
    for (QPushButton *key : symbolKeys)
        CopyFont(key, FontSource::Choice, FontSize::Given, keySize);
    FitTextSample();
    PreviewTextMark();
}

void MarkEditor::onSymbolKey(int index) {
    textEdit->setFocus();
    // Always at the end, wherever the caret is.
    textEdit->setText(textEdit->text() + symbolKeys[static_cast<std::size_t>(index)]->text());
}

bool MarkEditor::fontFrom(FontSource source, FontChoice &properties) const {
    if (source == FontSource::Choice) {
        properties = fontChoice;
        return true;
    }
    if (!state_.CurrentMark.Font)
        return false;
    properties = fontPropertiesOf(state_.CurrentMark.Font->font);
    return true;
}

void MarkEditor::CopyFont(FontChoice &dialog, FontSize sizing, double size) {
    FontChoice from;
    if (fontFrom(FontSource::Mark, from))
        applyFontProperties(dialog, from, sizing == FontSize::OfSource ? from.pointSize : size);
}

void MarkEditor::CopyFont(QWidget *control, FontSource source, FontSize sizing, double size) {
    FontChoice from;
    if (!fontFrom(source, from))
        return;
    QFont f = control->font();
    applyFontProperties(f, from, sizing == FontSize::OfSource ? from.pointSize : size);
    control->setFont(f);
}

void MarkEditor::CopyFont(FontSpec &control, FontSource source, FontSize sizing, double size) {
    FontChoice from;
    if (!fontFrom(source, from))
        return;
    applyFontProperties(control.font, from, sizing == FontSize::OfSource ? from.pointSize : size);
    control.charSet = textCharset;
}

} // namespace imprimata
