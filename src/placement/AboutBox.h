#pragma once

#include <QDialog>

class QLabel;

namespace imprimata {

// "About program": the title and version line, the icon and the authors' line. No address
// is shown: the program has no public home to name.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);

    static QString versionLine();
    static QString authorLine();

    QLabel *versionLabel = nullptr;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace imprimata
