#pragma once

#include <QAbstractButton>
#include <QImage>

namespace imprimata {

// A two-state toggle drawn as a picture button: raised with the first face while its value
// is 0, pressed in with the second while it is 1. Setting the value from code emits
// toggled() as a click does.
class TypeToggle : public QAbstractButton {
    Q_OBJECT
public:
    explicit TypeToggle(QWidget *parent = nullptr);

    int value() const { return isChecked() ? 1 : 0; }
    void setValue(int value) { setChecked(value != 0); }

    void setFaces(const QImage &off, const QImage &on);
    const QImage &face(int value) const { return value ? on_ : off_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage off_;
    QImage on_;
};

} // namespace imprimata
