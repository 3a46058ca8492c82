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
    void startsFromChoice();
    void untouchedAliasKeepsItsName();
    void reportsWhatWasChosen();
};

namespace {

FontChoice start() {
    FontChoice c;
    c.family = QStringLiteral("DejaVu Sans");
    c.pointSize = 48;
    c.bold = true;
    c.underline = true;
    c.colour = static_cast<ColourValue>(0x80000008u);
    return c;
}

} // namespace

void FontChooserTest::startsFromChoice() {
    FontChooser chooser(start());
    QCOMPARE(chooser.face->currentFont().family(), QStringLiteral("DejaVu Sans"));
    // The controls give back what they started from, system colour included.
    QVERIFY(chooser.choice() == start());
}

void FontChooserTest::untouchedAliasKeepsItsName() {
    FontChoice c = start();
    c.family = QStringLiteral("Times New Roman"); // only a stand-in face is installed here
    if (QFontDatabase::families().contains(c.family))
        QSKIP("the face itself is installed");
    FontChooser chooser(c);
    QVERIFY(chooser.face->currentFont().family() != c.family);
    QCOMPARE(chooser.choice().family, c.family);
}

void FontChooserTest::reportsWhatWasChosen() {
    FontChooser chooser(start());
    chooser.face->setCurrentFont(QFont(QStringLiteral("DejaVu Serif")));
    chooser.size->setValue(72);
    chooser.bold->setChecked(false);
    chooser.italic->setChecked(true);
    chooser.strikeOut->setChecked(true);
    chooser.underline->setChecked(false);
    chooser.setColour(255);
    const FontChoice c = chooser.choice();
    QCOMPARE(c.family, QStringLiteral("DejaVu Serif"));
    QCOMPARE(c.pointSize, 72.0);
    QVERIFY(!c.bold && c.italic && c.strikeOut && !c.underline);
    QCOMPARE(c.colour, 255);
    QCOMPARE(chooser.sample->font().pointSizeF(), 72.0);
    QVERIFY(chooser.sample->font().italic());
}

QTEST_MAIN(FontChooserTest)
#include "tst_fontchooser.moc"
