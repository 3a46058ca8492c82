#include "MarkEditor.h"

#include "Artwork.h"
#include "FontCopy.h"

#include "platform/Numeric.h"
#include "platform/ScreenUnits.h"
#include "render/PictureLoader.h"
#include "render/Preview.h"

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

const char *const ImageFileTitle = "Select Imprimata Image File";
const char *const ImageFileFilter = "Bitmaps, JPEG Images, GIF Images|*.bmp;*.jpg;*.gif|";

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
                                      const std::array<const char *, 3> &captions,
                                      const Triple &lefts, const Triple &tops, double width,
                                      double height) {
    std::array<QRadioButton *, 3> group{};
    for (std::size_t i = 0; i < 3; ++i) {
        auto *b = new QRadioButton(QString::fromLatin1(captions[i]), parent);
        b->setObjectName(QString::fromLatin1(arrayName));
        b->setProperty("index", static_cast<int>(i));
        placeTwips(b, lefts[i], tops[i], width, height);
        fitCaption(b);
        group[i] = b;
    }
    group[0]->setChecked(true);
    return group;
}

// The index of the checked button of a group: first, else second, else third.
int levelOf(const std::array<QRadioButton *, 3> &group) {
    return group[0]->isChecked() ? 0 : group[1]->isChecked() ? 1 : 2;
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
    Form_Load();
    if (FrameTxt->isVisibleTo(this))
        TextIM->setFocus();
}

void MarkEditor::buildControls() {
    setWindowTitle(QStringLiteral("Imprimata Options"));
    setFixedSize(twipsToPixelsX(9750), twipsToPixelsY(6780));
    QFont captions;
    captions.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    captions.setStyleHint(QFont::SansSerif);
    captions.setPointSizeF(8.25);
    captions.setBold(true);
    setFont(captions);

    TypeIM = new TypeToggle(this);
    placeTwips(TypeIM, 4080, 120, 1215, 855);
    TypeIM->setToolTip(QStringLiteral("Click to change Imprimata Type"));
    FrameImg = frame(this, QStringLiteral("Imprimata Type = IMAGE"), 120, 400, 9495, 5655);
    FrameImg->hide();
    FrameTxt = frame(this, QStringLiteral("Imprimata Type = TEXT"), 120, 400, 9495, 5655);
    OK = button(this, QStringLiteral("OK"), 3480, 6240, 1095, 435);
    esc = button(this, QStringLiteral("Cancel"), 5160, 6240, 1215, 435);
    MyIM = new PictureBox(this, ButtonFace);
    placeTwips(MyIM, 7680, 120, 945, 375);
    MyIM->showPicture(myMarkPicture());
    MyIM->hide();
    specSym = new QLabel(SpecialSymbols, this);
    placeTwips(specSym, 2760, 3480, 5895, 495);
    QFont symbols = serifBold(18);
    symbols.setBold(false);
    specSym->setFont(symbols);
    specSym->hide();
    TypeIM->raise(); // it overlaps the pages' captions

    buildImagePage();
    buildTextPage();
}

void MarkEditor::buildImagePage() {
    iFrame[0] = frame(FrameImg, QStringLiteral("Imprimata Image"), 120, 600, 5895, 2175);
    imgIM[0] = new PictureBox(iFrame[0]);
    placeTwips(imgIM[0], 1320, 240, 3375, 1815);
    imgIM[0]->setFocusPolicy(Qt::StrongFocus);
    iFrame[1] = frame(FrameImg, QStringLiteral("Preview"), 120, 2880, 5895, 2655);
    imgIM[1] = new PictureBox(iFrame[1]);
    placeTwips(imgIM[1], 600, 240, 4815, 2295);
    imgIM[2] = new PictureBox(FrameImg);
    placeTwips(imgIM[2], 0, 0, 3375, 1815);
    imgIM[2]->hide();

    vLine = new QFrame(FrameImg);
    vLine->setFrameShape(QFrame::VLine);
    vLine->setFrameShadow(QFrame::Sunken);
    placeTwips(vLine, 6120, 240, 45, 5295);

    Label_2 = centredLabel(FrameImg, QStringLiteral("Draw Style"), 7080, 360, 1335, 255);
    Frame_1 = frame(FrameImg, QStringLiteral("Transparence"), 6420, 720, 1335, 1995);
    ImgTransp = options(Frame_1, "ImgTransp", {"Opaque", "Low", "High"}, {150, 150, 150},
                        {480, 840, 1440}, 1000, 285);
    Label_1 = centredLabel(FrameImg, QStringLiteral("Raster operation"), 7905, 720, 1335, 255);
    ListMode = new QListWidget(FrameImg);
    placeTwips(ListMode, 7920, 1080, 1335, 1620);
    loadIMG = button(FrameImg, QStringLiteral("Load Image"), 6720, 3840, 2175, 495);
}

void MarkEditor::buildTextPage() {
    Label1 = centredLabel(FrameTxt, QStringLiteral("Special Symbols"), 1440, 720, 2175, 375);
    specKey[0] = button(FrameTxt, QString(), 240, 1200, 495, 495);
    specKey[0]->setFont(serifBold(18));

    TextIM = new QLineEdit(FrameTxt);
    placeTwips(TextIM, 240, 2520, 2415, 525);
    TextIM->setFont(serifBold(20.25));
    setTextForeColour(SystemWindowText);
    fontIM = button(FrameTxt, QStringLiteral("Font"), 3000, 2520, 975, 495);

    PicIM = new PictureBox(FrameTxt, ButtonFace);
    placeTwips(PicIM, 240, 3240, 2415, 1095);
    PicIM->setBorder(true);
    PicIM->surface().setFont(
        makeFont(QStringLiteral("Times New Roman"), 48, true, CyrillicCharset));
    PicIM->surface().setForeColour(SystemWindowText);
    for (int i = 0; i < 2; ++i) {
        auto *b = new PictureBox(FrameTxt);
        placeTwips(b, 240 + i * 2520, 4440, 2415, 1095);
        b->hide();
        buffer[static_cast<std::size_t>(i)] = b;
    }
    buffer[0]->surface().setFont(
        makeFont(QStringLiteral("Times New Roman"), 48, true, CyrillicCharset));
    // Until a mark font is put there, the chooser starts from the sample's.
    Dlg = fontPropertiesOf(PicIM->surface().font()->font);

    Label2 = centredLabel(FrameTxt, QStringLiteral("Print Mode"), 6000, 360, 2175, 255);
    FrameMode = frame(FrameTxt, QString(), 4920, 600, 4455, 2295);
    PrintMode = options(FrameMode, "PrintMode", {"Solid", "Outline", "Colouring"},
                        {480, 1800, 3240}, {240, 240, 240}, 975, 375);

    const Triple lefts{120, 120, 120};
    const Triple tops{360, 720, 1080};
    FrameSolid = frame(FrameMode, QStringLiteral("Transparence"), 120, 720, 1335, 1455);
    solidTransp =
        options(FrameSolid, "solidTransp", {"Opaque", "Low", "High"}, lefts, tops, 1155, 285);
    FrameOutline = frame(FrameMode, QStringLiteral("Relief"), 1560, 720, 1335, 1455);
    outlineRelief =
        options(FrameOutline, "outlineRelief", {"No", "Low", "High"}, lefts, tops, 1155, 285);
    FrameRelief = frame(FrameMode, QStringLiteral("Contrast"), 3000, 720, 1335, 1455);
    contrast = options(FrameRelief, "contrast", {"Low", "Middle", "High"}, lefts, tops, 1155, 285);
}

void MarkEditor::connectHandlers() {
    connect(TypeIM, &QAbstractButton::toggled, this, [this] { TypeIM_Click(); });
    connect(TextIM, &QLineEdit::textChanged, this, [this] { TextIM_Change(); });
    const auto onSelect = [this](const std::array<QRadioButton *, 3> &group,
                                 void (MarkEditor::*handler)(int)) {
        for (int i = 0; i < 3; ++i)
            connect(group[static_cast<std::size_t>(i)], &QRadioButton::toggled, this,
                    [this, handler, i](bool on) {
                        if (on)
                            (this->*handler)(i);
                    });
    };
    onSelect(PrintMode, &MarkEditor::PrintMode_Click);
    onSelect(solidTransp, &MarkEditor::solidTransp_Click);
    onSelect(outlineRelief, &MarkEditor::outlineRelief_Click);
    onSelect(contrast, &MarkEditor::contrast_Click);
    onSelect(ImgTransp, &MarkEditor::ImgTransp_Click);
    connect(ListMode, &QListWidget::currentRowChanged, this, [this] { ListMode_Click(); });
    connect(OK, &QPushButton::clicked, this, &MarkEditor::OK_Click);
    connect(esc, &QPushButton::clicked, this, &MarkEditor::esc_Click);
    connect(fontIM, &QPushButton::clicked, this, &MarkEditor::fontIM_Click);
    connect(loadIMG, &QPushButton::clicked, this, &MarkEditor::loadIMG_Click);
    connect(specKey[0], &QPushButton::clicked, this, [this] { specKey_Click(0); });
}

void MarkEditor::Form_Load() {
    ready = false;

    ListMode->clear();
    for (const RasterOpEntry &entry : RasterOpTable) {
        auto *item = new QListWidgetItem(QString::fromLatin1(entry.name), ListMode);
        item->setData(Qt::UserRole, entry.code);
    }
    ListMode->setCurrentRow(4);

    // The "My" face takes the button's colour where the picture is white.
    Surface &my = MyIM->surface();
    for (int x = 0; x < my.width(); ++x)
        for (int y = 0; y < my.height(); ++y)
            if (my.point(x, y) == White)
                my.setPoint(x, y, my.backColour());
    TypeIM->setFaces(my.image(), photoPicture());

    const QString symbols = specSym->text();
    specKey[0]->setText(symbols.left(1));
    const double keyLeft = leftTwips(specKey[0]);
    const double keyTop = topTwips(specKey[0]);
    const double keyWidth = widthTwips(specKey[0]);
    const double keyHeight = heightTwips(specKey[0]);
    for (int i = 1; i < static_cast<int>(specKey.size()); ++i) {
        auto *key = new QPushButton(symbols.mid(i, 1), FrameTxt);
        key->setAutoDefault(false);
        key->setFont(specKey[0]->font());
        if (i <= 8)
            placeTwips(key, keyLeft + i * (keyWidth + 1), keyTop, keyWidth, keyHeight);
        else
            placeTwips(key, keyLeft + (i - 9) * (keyWidth + 1), keyTop + keyHeight + 1, keyWidth,
                       keyHeight);
        key->setVisible(true);
        connect(key, &QPushButton::clicked, this, [this, i] { specKey_Click(i); });
        specKey[static_cast<std::size_t>(i)] = key;
    }

    buffer[0]->move(buffer[0]->x(), PicIM->y());
    buffer[0]->surface().setBackColour(White);
    for (PictureBox *picture : imgIM)
        picture->setBorder(false);

    maxImageWidth = imgIM[0]->width();
    maxImageHeight = imgIM[0]->height();
    previewWidth = imgIM[1]->width();
    previewHeight = imgIM[1]->height();
    textCharset = CyrillicCharset; // the text box's font; Qt fonts carry no character set

    const MarkSettings &mark = state_.CurrentMark;
    hadMark = mark.isPresent();
    if (hadMark) {
        imageTag = mark.ImagePath;
        TextIM->setText(mark.Text);
        TypeIM->setValue(mark.MarkType == ImageMark ? 1 : 0);
        check(ImgTransp, mark.ImageTransparency);
        const int row = rasterOpRow(static_cast<std::uint32_t>(mark.RasterOp));
        if (row >= 0)
            ListMode->setCurrentRow(row);
        check(PrintMode, mark.PrintMode);
        if (mark.PrintMode == Solid)
            check(solidTransp, mark.Level);
        else if (mark.PrintMode == Outline)
            check(outlineRelief, mark.Level);
        else if (mark.PrintMode == Colouring)
            check(contrast, mark.Level);
        if (!mark.ImagePath.isEmpty()) {
            LoadMarkImage(mark.ImagePath);
            PreviewImageMark();
        }
        const double keySize = specKey[0]->font().pointSizeF();
        for (QPushButton *key : specKey)
            CopyFont(key, false, false, keySize, nullptr);
        CopyFont(Dlg, true, 0);
        Dlg.colour = mark.Colour;
        CopyFont(TextIM, false, false, TextIM->font().pointSizeF(), nullptr);
        setTextForeColour(mark.Colour);
        CopyFont(*PicIM->surface().font(), true, false, 0, nullptr);
        PicIM->surface().setForeColour(mark.Colour);
        CopyFont(*buffer[0]->surface().font(), true, false, 0, nullptr);
        FitTextSample();
        PreviewTextMark();
        return;
    }

    imageTag.clear();
    TextIM->clear();
    const ScreenRect picture = host_.pictureWindowRect();
    const ScreenRect placement = basePlacementRect();
    for (std::size_t i = 0; i < 2; ++i)
        centreInFrame(imgIM[i], iFrame[i], widthTwips(imgIM[i]), heightTwips(imgIM[i]));
    // From now on the mark font is the sample's: a font chosen here is the mark's at once.
    state_.CurrentMark.Font = PicIM->surface().font();
    CopyFont(Dlg, true, 0);
    Dlg.colour = 0;
    host_.CaptureBackground(PicIM->surface(), picture, placement, false);
    PicIM->refresh();
}

void MarkEditor::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!displayed_) {
        displayed_ = true;
        Form_Resize();
    }
}

void MarkEditor::Form_Resize() {
    ready = true;
    if (state_.CurrentMark.MarkType == ImageMark)
        TypeIM_Click();
}

void MarkEditor::TypeIM_Click() {
    const int value = TypeIM->value();
    FrameTxt->setVisible(value == 0);
    FrameImg->setVisible(value == 1);
    FitTextSample();
    if (hadMark && !ready)
        return;
    if (value == 0 && TextIM->text().isEmpty())
        captureSampleBackground();
    if (value == 1)
        imgIM[0]->setFocus();
}

void MarkEditor::TextIM_Change() {
    if (!ready)
        return;
    FitTextSample();
    PreviewTextMark();
}

void MarkEditor::PrintMode_Click(int) {
    if (ready)
        PreviewTextMark();
}

void MarkEditor::solidTransp_Click(int) {
    if (ready)
        PreviewTextMark();
}

void MarkEditor::outlineRelief_Click(int) {
    if (ready)
        PreviewTextMark();
}

void MarkEditor::contrast_Click(int) {
    if (ready)
        PreviewTextMark();
}

void MarkEditor::ImgTransp_Click(int) {
    if (ready)
        PreviewImageMark();
}

void MarkEditor::ListMode_Click() {
    if (ready)
        PreviewImageMark();
}

void MarkEditor::esc_Click() {
    state_.MarkAccepted = false;
    QDialog::reject();
}

void MarkEditor::reject() {
    esc_Click();
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
    const double textWidth = twipsPerPixelX() * PicIM->surface().textWidth(TextIM->text());
    return textWidth > widthTwips(TextIM) ? textWidth : widthTwips(TextIM);
}

void MarkEditor::FitTextSample() {
    const int lineHeight = PicIM->surface().textHeight(QStringLiteral("1"));
    const double height = (lineHeight + 3) * twipsPerPixelY();
    // Beyond the largest size a mark can keep, the sample stops growing: the text cannot
    // be stored anyway (OK says so), and the pictures stay of a sane size.
    const double width = std::min(sampleWidthTwips(), LargestMarkTwips);
    for (PictureBox *picture : {PicIM, buffer[0], buffer[1]})
        picture->resize(twipsToPixelsX(width), twipsToPixelsY(height));
    if (TextIM->text().isEmpty() && (hadMark || TypeIM->value() != 0))
        return;
    host_.setPlacementWorkSize(QSize(PicIM->width(), lineHeight + 3));
}

ScreenRect MarkEditor::basePlacementRect() const {
    return shrunk(
        host_.placementWorkRect(QSize(state_.PlacementBaseWidth, state_.PlacementBaseHeight)), 1);
}

void MarkEditor::captureSampleBackground() {
    host_.CaptureBackground(PicIM->surface(), host_.pictureWindowRect(), basePlacementRect(),
                            false);
    PicIM->refresh();
}

TextMarkOptions MarkEditor::textOptions() const {
    TextMarkOptions o;
    o.text = TextIM->text();
    o.colour = textForeColour_;
    o.printMode = levelOf(PrintMode);
    if (o.printMode == Solid)
        o.level = levelOf(solidTransp);
    else if (o.printMode == Outline)
        o.level = levelOf(outlineRelief);
    else
        o.level = SelectedIndex(QStringLiteral("contrast"));
    o.steps = state_.StepTable;
    return o;
}

ImageMarkOptions MarkEditor::imageOptions() const {
    ImageMarkOptions o;
    o.transparency = levelOf(ImgTransp);
    if (const QListWidgetItem *row = ListMode->currentItem())
        o.rasterOp = row->data(Qt::UserRole).toUInt();
    return o;
}

void MarkEditor::PreviewTextMark() {
    Surface &sample = PicIM->surface();
    Surface &text = buffer[0]->surface();
    sample.clear();
    text.clear();
    const ScreenRect placement = shrunk(host_.placementWorkRect(host_.placementWorkSize()), 1);
    host_.CaptureBackground(sample, host_.pictureWindowRect(), placement, true);
    imprimata::PreviewTextMark({sample, text, buffer[1]->surface()}, textOptions());
    PicIM->refresh();
}

void MarkEditor::PreviewImageMark() {
    const Surface &image = imgIM[0]->surface();
    const ImagePreviewLayout layout =
        imagePreviewLayout(QSize(image.width(), image.height()), QSize(previewWidth, previewHeight),
                           host_.placementWindowRect());
    centreInFrame(imgIM[1], iFrame[1], roundToInt(layout.size.width() * twipsPerPixelX()),
                  roundToInt(layout.size.height() * twipsPerPixelY()));
    Surface &preview = imgIM[1]->surface();
    // Parts the capture does not reach show no leftovers of an earlier preview.
    preview.clear();
    host_.CaptureBackground(preview, host_.pictureWindowRect(), layout.capture, false);
    imgIM[2]->resize(image.width(), image.height());
    imprimata::PreviewImageMark(preview, imgIM[2]->surface(), image, layout.offset, imageOptions());
    imgIM[1]->refresh();
}

bool MarkEditor::LoadMarkImage(const QString &path) {
    // The picture is read into the editor's own holder: the main window's pictures stay as
    // they are.
    QImage picture;
    int w = 0;
    int h = 0;
    if (!LoadPictureSize(path, picture, w, h, dialogs_, MaxMarkPicturePixels))
        return false;
    w = std::min(w, maxImageWidth);
    h = std::min(h, maxImageHeight);
    centreInFrame(imgIM[0], iFrame[0], w * twipsPerPixelX(), h * twipsPerPixelY());
    imgIM[0]->surface().setImage(picture.copy(0, 0, w, h));
    imgIM[0]->refresh();
    return true;
}

void MarkEditor::loadIMG_Click() {
    FileDialogRequest request;
    request.title = QString::fromLatin1(ImageFileTitle);
    request.filter = QString::fromLatin1(ImageFileFilter);
    const QString path = dialogs_.openFile(request);
    if (path.isEmpty())
        return;
    // An unreadable file does not become the mark's image.
    if (!LoadMarkImage(path))
        return;
    imageTag = path;
    PreviewImageMark();
}

void MarkEditor::OK_Click() {
    const int type = TypeIM->value();
    if (type == 1 && imageTag.isEmpty()) {
        dialogs_.message(QStringLiteral("Imprimata IMAGE file isn't defined."));
        return;
    }
    if (type == 0 && TextIM->text().isEmpty()) {
        dialogs_.message(QStringLiteral("Imprimata TEXT is empty."));
        return;
    }
    // The mark's size is kept in 16 bits of twips; a longer text cannot be stored.
    if (type == 0 &&
        (sampleWidthTwips() > LargestMarkTwips || heightTwips(PicIM) > LargestMarkTwips)) {
        dialogs_.message(QStringLiteral("Imprimata TEXT is too long."));
        return;
    }
    const QWidget *measured = type == 1 ? static_cast<QWidget *>(imgIM[0]) : PicIM;

    MarkSettings &mark = state_.CurrentMark;
    state_.MarkAccepted = true;
    mark.MarkType = static_cast<std::int16_t>(type);
    mark.ImageTransparency = SelectedIndex(QStringLiteral("ImgTransp"));
    mark.RasterOp = static_cast<std::int32_t>(imageOptions().rasterOp);
    mark.ImagePath = imageTag;
    mark.Text = TextIM->text();
    mark.PrintMode = SelectedIndex(QStringLiteral("PrintMode"));
    if (mark.PrintMode == Solid)
        mark.Level = SelectedIndex(QStringLiteral("solidTransp"));
    else if (mark.PrintMode == Outline)
        mark.Level = SelectedIndex(QStringLiteral("outlineRelief"));
    else
        mark.Level = SelectedIndex(QStringLiteral("contrast"));
    mark.Font = PicIM->surface().font();
    mark.Colour = PicIM->surface().foreColour();
    mark.MarkHeight = static_cast<std::int16_t>(roundToInt(heightTwips(measured)));
    mark.MarkWidth = static_cast<std::int16_t>(roundToInt(widthTwips(measured)));
    QDialog::accept();
}

void MarkEditor::setTextForeColour(ColourValue colour) {
    textForeColour_ = colour;
    QPalette p = TextIM->palette();
    p.setColor(QPalette::Text, QColor(rgbFromColour(resolveColour(colour))));
    TextIM->setPalette(p);
}

void MarkEditor::fontIM_Click() {
    FontChoice choice = Dlg;
    choice.minimumSize = SmallestFontSize;
    choice.maximumSize = LargestFontSize;
    choice.colour = textForeColour_;
    if (!dialogs_.chooseFont(choice))
        return;
    Dlg = choice;
    CopyFont(TextIM, false, true, TextIM->font().pointSizeF(), &Dlg);
    CopyFont(*PicIM->surface().font(), true, true, 0, &Dlg);
    CopyFont(*buffer[0]->surface().font(), true, true, 0, &Dlg);
    setTextForeColour(Dlg.colour);
    PicIM->surface().setForeColour(Dlg.colour);
    buffer[0]->surface().setForeColour(Dlg.colour);
    const double keySize = specKey[0]->font().pointSizeF();
    for (QPushButton *key : specKey)
        CopyFont(key, false, true, keySize, &Dlg);
    FitTextSample();
    PreviewTextMark();
}

void MarkEditor::specKey_Click(int index) {
    TextIM->setFocus();
    // Always at the end, wherever the caret is.
    TextIM->setText(TextIM->text() + specKey[static_cast<std::size_t>(index)]->text());
}

bool MarkEditor::fontFrom(bool fromSource, const FontChoice *source, FontChoice &properties) const {
    if (fromSource) {
        if (!source)
            return false;
        properties = *source;
        return true;
    }
    if (!state_.CurrentMark.Font)
        return false;
    properties = fontPropertiesOf(state_.CurrentMark.Font->font);
    return true;
}

void MarkEditor::CopyFont(FontChoice &dialog, bool takeSize, double size) {
    FontChoice from;
    if (fontFrom(false, nullptr, from))
        applyFontProperties(dialog, from, takeSize ? from.pointSize : size);
}

void MarkEditor::CopyFont(QWidget *control, bool takeSize, bool fromSource, double size,
                          const FontChoice *source) {
    FontChoice from;
    if (!fontFrom(fromSource, source, from))
        return;
    QFont f = control->font();
    applyFontProperties(f, from, takeSize ? from.pointSize : size);
    control->setFont(f);
}

void MarkEditor::CopyFont(FontSpec &control, bool takeSize, bool fromSource, double size,
                          const FontChoice *source) {
    FontChoice from;
    if (!fontFrom(fromSource, source, from))
        return;
    applyFontProperties(control.font, from, takeSize ? from.pointSize : size);
    control.charSet = textCharset;
}

} // namespace imprimata
