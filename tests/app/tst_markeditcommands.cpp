#include "MainWindowFixture.h"
#include "mark/MarkEditor.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace imprimata;

class MarkEditCommandsTest : public QObject, private MainWindowFixture {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newThenCancelRestoresTextAndImage();
    void newThenOkWithoutPicture();
    void editThenOkRefitsPlacement();

private:
    bool edit(int command, const QString &text, bool ok);
};

void MarkEditCommandsTest::init() {
    QVERIFY(open(QRect(0, 0, 1200, 780)));
}

void MarkEditCommandsTest::cleanup() {
    main.reset();
}

// Runs New (0) or Edit (1); once the editor is shown, types `text` into it and closes it
// with OK or Cancel. False when no editor was shown.
bool MarkEditCommandsTest::edit(int command, const QString &text, bool ok) {
    bool shown = false;
    QObject scope; // drops the answer if the editor never opens
    QTimer::singleShot(0, &scope, [&] {
        auto *editor = qobject_cast<MarkEditor *>(QApplication::activeModalWidget());
        QVERIFY(editor);
        shown = true;
        editor->TextIM->setText(text);
        ok ? editor->OK_Click() : editor->esc_Click();
    });
    main->mnu_IM_Click(command);
    return shown;
}

void MarkEditCommandsTest::newThenCancelRestoresTextAndImage() {
    state->CurrentMark.Text = QStringLiteral("Old");
    state->CurrentMark.ImagePath = QStringLiteral("/pictures/old.png");
    QVERIFY(edit(0, "Typed", false));
    QVERIFY(!state->MarkAccepted);
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("Old"));
    QCOMPARE(state->CurrentMark.ImagePath, QStringLiteral("/pictures/old.png"));
    QVERIFY(!main->mnu_IM[1]->isEnabled());
}

void MarkEditCommandsTest::newThenOkWithoutPicture() {
    QVERIFY(edit(0, "Mine", true));
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("Mine"));
    // Edit and Save as, but no Insert without a picture.
    QVERIFY(main->mnu_IM[1]->isEnabled());
    QVERIFY(!main->mnu_IM[2]->isEnabled());
    QVERIFY(main->mnu_IM[5]->isEnabled());
}

void MarkEditCommandsTest::editThenOkRefitsPlacement() {
    QVERIFY(edit(0, "A", true));
    QImage picture(500, 400, QImage::Format_RGB32);
    picture.fill(qRgb(90, 120, 150));
    picture.save(dir->filePath(QStringLiteral("a.bmp")));
    main->explorer_Change(dir->path());
    main->FileList->setCurrentRow(0);
    main->Show();
    const int before = main->imprim().PicIM(0).width();
    QVERIFY(edit(1, "A much longer mark", true));
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("A much longer mark"));
    QVERIFY(main->imprim().PicIM(0).width() > before);
    QVERIFY(main->mnu_IM[2]->isEnabled());
}

QTEST_MAIN(MarkEditCommandsTest)
#include "tst_markeditcommands.moc"
