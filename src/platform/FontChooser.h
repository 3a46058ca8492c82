#pragma once

#include "Dialogs.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QFontComboBox;
class QLabel;
class QPushButton;

namespace imprimata {

// Face, size, styles and colour in one dialog: Qt's own font dialog has no colour.
// Only installed faces can be picked, and only sizes within the choice's limits.
class FontChooser : public QDialog {
    Q_OBJECT
public:
    explicit FontChooser(const FontChoice &start, QWidget *parent = nullptr);

    // What the controls hold now, limits as given at the start.
    FontChoice choice() const;
    void setColour(ColourValue colour);

    // Runs the dialog; on OK the choice takes the selection, on Cancel it stays as it was.
    static bool choose(QWidget *parent, FontChoice &choice);

    QFontComboBox *face = nullptr;
    QDoubleSpinBox *size = nullptr;
    QCheckBox *bold = nullptr;
    QCheckBox *italic = nullptr;
    QCheckBox *strikeOut = nullptr;
    QCheckBox *underline = nullptr;
    QPushButton *colourButton = nullptr;
    QLabel *sample = nullptr;

private:
    void pickColour();
    void updateSample();

    FontChoice start_;
    int startFace_ = -1; // the face row the start family resolved to
    ColourValue colour_;
};

} // namespace imprimata
