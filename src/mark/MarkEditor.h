#pragma once

#include "MarkEditorHost.h"
#include "MarkSettings.h"
#include "TypeToggle.h"

#include "platform/DialogService.h"
#include "platform/PictureBox.h"
#include "render/Stamp.h"

#include <QDialog>
#include <array>
#include <cstdint>
#include <optional>

class QCheckBox;
class QGroupBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace imprimata {

// The "Imprimata Options" dialog in which the user defines the current mark: a TEXT page
// and an IMAGE page on one rectangle, switched by typeToggle, each with a live preview over the
// part of the picture that the placement window covers. It builds every control afresh from
// CurrentMark; OK stores the controls into CurrentMark, Cancel leaves it alone. Either way
// the dialog hides itself and MarkAccepted says which it was.
class MarkEditor : public QDialog {
    Q_OBJECT
public:
    MarkEditor(SharedState &state, MarkEditorHost &host, DialogService &dialogs,
               QWidget *parent = nullptr);

    // The eighteen symbols of the symbol buttons, in button order.
    static const QString SpecialSymbols;

    // Controls on the dialog.
    TypeToggle *typeToggle = nullptr;
    QGroupBox *imagePage = nullptr;
    QGroupBox *textPage = nullptr;
    QPushButton *okButton = nullptr; // the default button: Enter presses it
    QPushButton *cancelButton = nullptr;
    // Says where the placement window lies off the picture, as the previews find it.
    QLabel *placementWarning = nullptr;
    PictureBox *myFace = nullptr;
    QLabel *symbolSource = nullptr;

    // IMAGE page.
    std::array<QGroupBox *, 2> imageFrames{};
    std::array<PictureBox *, 3> imageBoxes{}; // the image, its preview, the preview's work picture
    QFrame *vLine = nullptr;
    QLabel *drawStyleLabel = nullptr;
    QGroupBox *transparencyGroup = nullptr;
    std::array<QRadioButton *, 3> imageTransparency{};
    QLabel *rasterOpLabel = nullptr;
    QListWidget *rasterOpList = nullptr; // the eight raster operations, then the Alpha blend
    QPushButton *loadImageButton = nullptr;

    // TEXT page.
    QLabel *symbolsCaption = nullptr;
    std::array<QPushButton *, 18> symbolKeys{};
    QLineEdit *textEdit = nullptr;
    QPushButton *fontButton = nullptr;
    PictureBox *textSample = nullptr;     // was PicIM
    std::array<PictureBox *, 2> buffer{}; // the text buffer and the saved background
    QLabel *printModeLabel = nullptr;
    QGroupBox *printModeGroup = nullptr;
    std::array<QRadioButton *, 3> printModeOptions{};
    QGroupBox *solidGroup = nullptr;
    std::array<QRadioButton *, 3> solidTransparency{};
    QGroupBox *outlineGroup = nullptr;
    std::array<QRadioButton *, 3> outlineRelief{};
    QGroupBox *contrastGroup = nullptr;
    std::array<QRadioButton *, 3> contrast{};
    QCheckBox *smoothEdges = nullptr;

    // The image file path that imageBoxes[0] shows; "" for none.
    QString imageTag;
    // The font chooser's selection: starts from the mark font, keeps a confirmed choice.
    FontChoice fontChoice;

    // Dialog-level values.
    bool ready = false;   // set at first display; previews stay quiet until then
    bool hadMark = false; // CurrentMark had text or an image path at opening
    int maxImageWidth = 0;
    int maxImageHeight = 0;
    int previewWidth = 0;
    int previewHeight = 0;
    int textCharset = 0;

    ColourValue textForeColour() const { return textForeColour_; }

    // Index of the selected option button of the named array, 0 when none is selected.
    std::uint8_t SelectedIndex(const QString &arrayName) const;
    // Sizes the sample, its buffers and the placement window's work picture to the text.
    void FitTextSample();
    // Loads a picture file into imageBoxes[0], cut to the image area and centred in its frame.
    bool LoadMarkImage(const QString &path);
    void PreviewTextMark();
    void PreviewImageMark();

    // The options as the dialog's controls hold them now.
    TextMarkOptions textOptions() const;
    ImageMarkOptions imageOptions() const;
    // The selected row of the raster operation list as the mark record keeps it: a raster
    // operation's code, or AlphaBlendRasterOp.
    std::int32_t selectedRasterOp() const;

    // Handlers.
    void loadFromMark();
    void onFirstShow();
    void onTypeToggled();
    void onTextChanged();
    void onPrintModeSelected(int index);
    void onSolidTransparencySelected(int index);
    void onOutlineReliefSelected(int index);
    void onContrastSelected(int index);
    void onImageTransparencySelected(int index);
    void onRasterOpSelected();
    void onSmoothEdgesToggled();
    void onCancel();
    void onChooseFont();
    void onSymbolKey(int index);
    void onLoadImage();
    void onOk();

    // Escape and the window's close button cancel like the Cancel button.
    void reject() override;

protected:
    // While shown, the editor is one of the program's modal dialogs (DialogService::ModalScope).
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildControls();
    void buildImagePage();
    void buildTextPage();
    void connectHandlers();
    void setTextForeColour(ColourValue colour);
    // The screen rectangle standing for the placement window when no mark is shown in it.
    ScreenRect basePlacementRect() const;
    // The sample's width for the text, never narrower than the text box.
    double sampleWidthTwips() const;
    void captureSampleBackground();
    // Copies the picture under the placement rectangle into a preview and shows in the warning
    // line how the two lie; a rectangle partly off the picture counts only where wholeMatters.
    void capture(Surface &destination, const ScreenRect &placement, bool wholeMatters);

    // Where CopyFont takes a font from: the mark's font or the chooser's selection; and its
    // size: the source's, or the size passed in.
    enum class FontSource { Mark, Choice };
    enum class FontSize { OfSource, Given };
    // CopyFont's three kinds of target; the chooser's selection only ever takes the mark font.
    void CopyFont(FontChoice &dialog, FontSize sizing, double size);
    void CopyFont(QWidget *control, FontSource source, FontSize sizing, double size);
    void CopyFont(FontSpec &control, FontSource source, FontSize sizing, double size);
    bool fontFrom(FontSource source, FontChoice &properties) const;

    SharedState &state_;
    MarkEditorHost &host_;
    DialogService &dialogs_;
    ColourValue textForeColour_;
    bool displayed_ = false;
    std::optional<DialogService::ModalScope> modal_;
};

} // namespace imprimata
