#pragma once

#include "MarkEditorHost.h"
#include "MarkSettings.h"
#include "TypeToggle.h"

#include "platform/Dialogs.h"
#include "platform/PictureBox.h"
#include "render/Stamp.h"

#include <QDialog>
#include <array>
#include <cstdint>

class QGroupBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace imprimata {

// The "Imprimata Options" dialog in which the user defines the current mark: a TEXT page
// and an IMAGE page on one rectangle, switched by TypeIM, each with a live preview over the
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
    TypeToggle *TypeIM = nullptr;
    QGroupBox *FrameImg = nullptr;
    QGroupBox *FrameTxt = nullptr;
    QPushButton *OK = nullptr;
    QPushButton *esc = nullptr;
    PictureBox *MyIM = nullptr;
    QLabel *specSym = nullptr;

    // IMAGE page.
    std::array<QGroupBox *, 2> iFrame{};
    std::array<PictureBox *, 3> imgIM{}; // the image, its preview, the preview's work picture
    QFrame *vLine = nullptr;
    QLabel *Label_2 = nullptr;
    QGroupBox *Frame_1 = nullptr;
    std::array<QRadioButton *, 3> ImgTransp{};
    QLabel *Label_1 = nullptr;
    QListWidget *ListMode = nullptr;
    QPushButton *loadIMG = nullptr;

    // TEXT page.
    QLabel *Label1 = nullptr;
    std::array<QPushButton *, 18> specKey{};
    QLineEdit *TextIM = nullptr;
    QPushButton *fontIM = nullptr;
    PictureBox *PicIM = nullptr;
    std::array<PictureBox *, 2> buffer{}; // the text buffer and the saved background
    QLabel *Label2 = nullptr;
    QGroupBox *FrameMode = nullptr;
    std::array<QRadioButton *, 3> PrintMode{};
    QGroupBox *FrameSolid = nullptr;
    std::array<QRadioButton *, 3> solidTransp{};
    QGroupBox *FrameOutline = nullptr;
    std::array<QRadioButton *, 3> outlineRelief{};
    QGroupBox *FrameRelief = nullptr;
    std::array<QRadioButton *, 3> contrast{};

    // The image file path that imgIM(0) shows; "" for none.
    QString imageTag;
    // The font chooser's selection: starts from the mark font, keeps a confirmed choice.
    FontChoice Dlg;

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
    // Loads a picture file into imgIM(0), cut to the image area and centred in its frame.
    bool LoadMarkImage(const QString &path);
    void PreviewTextMark();
    void PreviewImageMark();

    // The options as the dialog's controls hold them now.
    TextMarkOptions textOptions() const;
    ImageMarkOptions imageOptions() const;

    // Handlers, named after control and event.
    void Form_Load();
    void Form_Resize();
    void TypeIM_Click();
    void TextIM_Change();
    void PrintMode_Click(int index);
    void solidTransp_Click(int index);
    void outlineRelief_Click(int index);
    void contrast_Click(int index);
    void ImgTransp_Click(int index);
    void ListMode_Click();
    void esc_Click();
    void fontIM_Click();
    void specKey_Click(int index);
    void loadIMG_Click();
    void OK_Click();

    // Escape and the window's close button cancel like the Cancel button.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

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

    // CopyFont's three kinds of target. fromSource copies the dialog's selection `source`,
    // otherwise the mark font; takeSize takes the size from there, otherwise uses `size`.
    void CopyFont(FontChoice &dialog, bool takeSize, double size);
    void CopyFont(QWidget *control, bool takeSize, bool fromSource, double size,
                  const FontChoice *source);
    void CopyFont(FontSpec &control, bool takeSize, bool fromSource, double size,
                  const FontChoice *source);
    bool fontFrom(bool fromSource, const FontChoice *source, FontChoice &properties) const;

    SharedState &state_;
    MarkEditorHost &host_;
    DialogService &dialogs_;
    ColourValue textForeColour_;
    bool displayed_ = false;
};

} // namespace imprimata
