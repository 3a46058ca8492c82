#include "app/Main.h"
#include "mark/MarkEditor.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace imprimata;

class MarkEditCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newThenCancelRestoresTextAndImage();
    void newThenOkWithoutPicture();
    void editThenOkRefitsPlacementAndEnablesInsert();
    void editThenCancelChangesNothing();

private:
    // Runs `answer` on the editor once it is shown, then lets the command go on.
    void whenEditorOpens(std::function<void(MarkEditor &)> answer);
    void showPicture();

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SharedState> state;
    std::unique_ptr<ScriptedDialogService> dialogs;
    std::unique_ptr<Main> main;
    bool answered = false;
};

void MarkEditCommandsTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    state = std::make_unique<SharedState>();
    dialogs = std::make_unique<ScriptedDialogService>();
    main = std::make_unique<Main>(*state, *dialogs);
    main->setGeometry(0, 0, 1200, 780);
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    main->explorer_Change(dir->path());
    answered = false;
}

void MarkEditCommandsTest::cleanup() {
    main.reset();
    dir.reset();
}

void MarkEditCommandsTest::whenEditorOpens(std::function<void(MarkEditor &)> answer) {
    QTimer::singleShot(0, this, [this, answer] {
        auto *editor = qobject_cast<MarkEditor *>(QApplication::activeModalWidget());
        QVERIFY(editor);
        answered = true;
        answer(*editor);
    });
}

void MarkEditCommandsTest::showPicture() {
    QImage picture(500, 400, QImage::Format_RGB32);
    picture.fill(qRgb(90, 120, 150));
    picture.save(dir->filePath(QStringLiteral("a.bmp")));
    main->explorer_Change(dir->path());
    main->FileList->setCurrentRow(0);
    main->Show();
}

void MarkEditCommandsTest::newThenCancelRestoresTextAndImage() {
    state->CurrentMark.Text = QStringLiteral("Old");
    state->CurrentMark.ImagePath = QStringLiteral("/pictures/old.png");
    const QSize placementBefore = main->imprim().size();
    whenEditorOpens([](MarkEditor &editor) {
        QVERIFY(editor.TextIM->text().isEmpty()); // the editor starts empty
        editor.TextIM->setText(QStringLiteral("Typed"));
        editor.esc_Click();
    });
    main->mnu_IM_Click(0);
    QVERIFY(answered);
    QVERIFY(!state->MarkAccepted);
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("Old"));
    QCOMPARE(state->CurrentMark.ImagePath, QStringLiteral("/pictures/old.png"));
    QVERIFY(!main->mnu_IM[1]->isEnabled());
    QVERIFY(!main->mnu_IM[5]->isEnabled());
    QCOMPARE(main->imprim().size(), placementBefore);
}

void MarkEditCommandsTest::newThenOkWithoutPicture() {
    whenEditorOpens([](MarkEditor &editor) {
        editor.TextIM->setText(QStringLiteral("Mine"));
        editor.OK_Click();
    });
    main->mnu_IM_Click(0);
    QVERIFY(answered);
    QVERIFY(state->MarkAccepted);
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("Mine"));
    QVERIFY(main->mnu_IM[1]->isEnabled());
    QVERIFY(!main->mnu_IM[2]->isEnabled());
    QVERIFY(main->mnu_IM[5]->isEnabled());
    // The placement window shows the new mark at its size.
    QCOMPARE(main->imprim().PicIM(0).width(), state->CurrentMark.MarkWidth / 15 + 2);
}

void MarkEditCommandsTest::editThenOkRefitsPlacementAndEnablesInsert() {
    whenEditorOpens([](MarkEditor &editor) {
        editor.TextIM->setText(QStringLiteral("A"));
        editor.OK_Click();
    });
    main->mnu_IM_Click(0);
    showPicture();
    const QSize before = main->imprim().PicIM(0).size();
    whenEditorOpens([](MarkEditor &editor) {
        QCOMPARE(editor.TextIM->text(), QStringLiteral("A"));
        editor.TextIM->setText(QStringLiteral("A much longer mark"));
        editor.OK_Click();
    });
    main->mnu_IM_Click(1);
    QVERIFY(answered);
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("A much longer mark"));
    QVERIFY(main->imprim().PicIM(0).width() > before.width());
    QVERIFY(main->mnu_IM[2]->isEnabled());
}

void MarkEditCommandsTest::editThenCancelChangesNothing() {
    whenEditorOpens([](MarkEditor &editor) {
        editor.TextIM->setText(QStringLiteral("Kept"));
        editor.OK_Click();
    });
    main->mnu_IM_Click(0);
    const QSize placed = main->imprim().PicIM(0).size();
    whenEditorOpens([](MarkEditor &editor) {
        editor.TextIM->setText(QStringLiteral("Dropped text"));
        editor.esc_Click();
    });
    main->mnu_IM_Click(1);
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("Kept"));
    QCOMPARE(main->imprim().PicIM(0).size(), placed);
}

QTEST_MAIN(MarkEditCommandsTest)
#include "tst_markeditcommands.moc"
