#include "platform/FontChooser.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QtTest>

using namespace imprimata;

class FontChooserTest : public QObject {
    Q_OBJECT

private slots:
    void untouchedAliasKeepsItsName();
    void reportsWhatWasChosen();
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

QTEST_MAIN(FontChooserTest)
#include "tst_fontchooser.moc"
