#include "AboutBox.h"

#include "ApplicationIcon.h"
#include "Version.h"
#include "platform/ScreenUnits.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace imprimata {

namespace {
QRect twipsRect(int left, int top, int width, int height) {
    return {twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width),
            twipsToPixelsY(height)};
}

QFont designFont(const char *family, double points, bool bold = true) {
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}
} // namespace

AboutBox::AboutBox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
    setWindowTitle(tr("About program"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(twipsToPixelsX(5160), twipsToPixelsY(2655));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    setFont(designFont("Times New Roman", 11.25));

    versionLabel = new QLabel(versionLine(), this);
    versionLabel->setGeometry(twipsRect(960, 240, 4095, 495));
    versionLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    versionLabel->setFont(designFont("Tahoma", 14.25));
    QPalette red = versionLabel->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    versionLabel->setPalette(red);

    auto *symbol = new QLabel(QStringLiteral("\u00A9"), this);
    symbol->setGeometry(twipsRect(120, 120, 735, 735));
    symbol->setFont(designFont("Tahoma", 27.75));

    auto *icon = new QLabel(this);
    icon->setGeometry(twipsRect(240, 1440, 480, 480));
    icon->setPixmap(applicationIconPixmap(icon->width()));

    auto *ok = new QPushButton(tr("OK"), this);
    ok->setGeometry(twipsRect(2093, 2160, 975, 375));
    ok->setFont(designFont("MS Sans Serif", 8.25));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString AboutBox::versionLine() {
    return tr("%1 version %2.%3")
        .arg(QString::fromLatin1(ApplicationTitle))
        .arg(VersionMajor)
        .arg(VersionMinor);
}

QString AboutBox::authorLine() {
    return tr("The Imprimata authors");
}

void AboutBox::paintEvent(QPaintEvent *event) {
    QDialog::paintEvent(event);
    QPainter p(this);
    p.setFont(font());
    p.setPen(Qt::black);
    const QFontMetrics metrics(font());
    // Printed with its top-left corner at the designed place.
    p.drawText(QPoint(twipsToPixelsX(1600), twipsToPixelsY(1200) + metrics.ascent()), authorLine());
    p.setPen(QColor(128, 128, 128));
    const int lineY = twipsToPixelsY(1000);
    p.drawLine(0, lineY, width(), lineY);
}

} // namespace imprimata
