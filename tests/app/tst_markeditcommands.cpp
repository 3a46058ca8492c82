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
    bool edit(MarkMenu command, const QString &text, bool ok);
};

void MarkEditCommandsTest::init() {
    QVERIFY(open(QRect(0, 0, 1200, 780)));
}

void MarkEditCommandsTest::cleanup() {
    main.reset();
}

// Runs New or Edit; once the editor is shown, types `text` into it and closes it
// with OK or Cancel. False when no editor was shown.
bool MarkEditCommandsTest::edit(MarkMenu command, const QString &text, bool ok) {
    bool shown = false;
    QObject scope; // drops the answer if the editor never opens
    QTimer::singleShot(0, &scope, [&] {
        auto *editor = qobject_cast<MarkEditor *>(QApplication::activeModalWidget());
        QVERIFY(editor);
        shown = true;
        editor->textEdit->setText(text);
        ok ? editor->onOk() : editor->onCancel();
    });
    main->runCommand(command);
    return shown;
}

void MarkEditCommandsTest::newThenCancelRestoresTextAndImage() {
    state->CurrentMark.Text = QStringLiteral("Old");
    state->CurrentMark.ImagePath = QStringLiteral("/pictures/old.png");
    QVERIFY(edit(MarkMenu::New, "Typed", false));
    QVERIFY(!state->MarkAccepted);
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("Old"));
    QCOMPARE(state->CurrentMark.ImagePath, QStringLiteral("/pictures/old.png"));
    QVERIFY(!main->menuItem(MarkMenu::Edit)->isEnabled());
}

void MarkEditCommandsTest::newThenOkWithoutPicture() {
    QVERIFY(edit(MarkMenu::New, "Mine", true));
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("Mine"));
    // Edit and Save as, but no Insert without a picture.
    QVERIFY(main->menuItem(MarkMenu::Edit)->isEnabled());
    QVERIFY(!main->menuItem(MarkMenu::Insert)->isEnabled());
    QVERIFY(main->menuItem(MarkMenu::SaveAs)->isEnabled());
}

void MarkEditCommandsTest::editThenOkRefitsPlacement() {
    QVERIFY(edit(MarkMenu::New, "A", true));
    QImage picture(500, 400, QImage::Format_RGB32);
    picture.fill(qRgb(90, 120, 150));
    picture.save(dir->filePath(QStringLiteral("a.bmp")));
    main->onFolderChanged(dir->path());
    main->fileList->setCurrentRow(0);
    main->Show();
    const int before = main->placementWindow().PicIM(0).width();
    QVERIFY(edit(MarkMenu::Edit, "A much longer mark", true));
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("A much longer mark"));
    QVERIFY(main->placementWindow().PicIM(0).width() > before);
    QVERIFY(main->menuItem(MarkMenu::Insert)->isEnabled());
}

QTEST_MAIN(MarkEditCommandsTest)
#include "tst_markeditcommands.moc"
