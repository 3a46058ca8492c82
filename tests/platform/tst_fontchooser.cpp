#include "platform/FontChooser.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QtTest>

using namespace imprimata;

class FontChooserTest : public QObject {
    Q_OBJECT

private slots:
    void untouchedAliasKeepsItsName();
    void reportsWhatWasChosen();
    void sampleShowsWhole_data();
    void sampleShowsWhole();
};

namespace {

// Bold, underlined, in a system colour.
const FontChoice Start{
    QStringLiteral("DejaVu Sans"), 48, true, false, false, true, SystemWindowText};

} // namespace

void FontChooserTest::untouchedAliasKeepsItsName() {
    FontChoice c = Start;
    c.family = QStringLiteral("Times New Roman"); // only a stand-in face is installed here
    if (QFontDatabase::families().contains(c.family))
        QSKIP("the face itself is installed");
    FontChooser chooser(c);
    QVERIFY(chooser.face->currentFont().family() != c.family);
    QCOMPARE(chooser.choice().family, c.family);
}

void FontChooserTest::reportsWhatWasChosen() {
    FontChooser chooser(Start);
    QCOMPARE(chooser.face->currentFont().family(), QStringLiteral("DejaVu Sans"));
    // The controls give back what they started from, system colour included.
    QVERIFY(chooser.choice() == Start);

    chooser.face->setCurrentFont(QFont(QStringLiteral("DejaVu Serif")));
    chooser.size->setValue(72);
    chooser.bold->setChecked(false);
    chooser.italic->setChecked(true);
    chooser.strikeOut->setChecked(true);
    chooser.underline->setChecked(false);
    chooser.setColour(255);
    QVERIFY(chooser.choice() ==
            (FontChoice{QStringLiteral("DejaVu Serif"), 72, false, true, true, false, 255}));
    // Sizes stay within 20 to 100 points.
    chooser.size->setValue(150);
    QCOMPARE(chooser.choice().pointSize, 100.0);
    chooser.size->setValue(5);
    QCOMPARE(chooser.choice().pointSize, 20.0);
}

void FontChooserTest::sampleShowsWhole_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("size");
    QTest::addColumn<bool>("italic");
    QTest::newRow("smallest") << "DejaVu Sans" << 20.0 << false;
    QTest::newRow("largest") << "DejaVu Sans" << 100.0 << false;
    QTest::newRow("largest, slanted") << "DejaVu Serif" << 100.0 << true;
    QTest::newRow("middle, slanted") << "DejaVu Serif" << 48.0 << true;
}

// Every inked pixel of the sample lies inside its frame, clear of the right and bottom edges.
void FontChooserTest::sampleShowsWhole() {
    QFETCH(QString, family);
    QFETCH(double, size);
    QFETCH(bool, italic);
    FontChoice c = Start;
    c.colour = 255; // pure red ink on the window's grey
    FontChooser chooser(c);
    chooser.show();
    chooser.face->setCurrentFont(QFont(family));
    chooser.size->setValue(size);
    chooser.italic->setChecked(italic);
    QTRY_VERIFY(chooser.sample->width() >= chooser.sample->minimumWidth());
    // Grabbed in device pixels, compared in the widget's.
    const QImage shown = chooser.sample->grab().toImage().scaled(chooser.sample->size());
    const QRect inside = chooser.sample->contentsRect();
    int inked = 0, right = -1, bottom = -1;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QColor colour = shown.pixelColor(x, y);
            if (colour.red() > 200 && colour.green() < 80 && colour.blue() < 80) {
                ++inked;
                right = std::max(right, x);
                bottom = std::max(bottom, y);
            }
        }
    QVERIFY(inked > 100);
    QVERIFY2(right < inside.right() - 1 && bottom < inside.bottom() - 1,
             qPrintable(QStringLiteral("ink to %1,%2 in %3 by %4")
                            .arg(right)
                            .arg(bottom)
                            .arg(inside.width())
                            .arg(inside.height())));
}

QTEST_MAIN(FontChooserTest)
#include "tst_fontchooser.moc"
