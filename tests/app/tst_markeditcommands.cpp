#include "app/Main.h"
#include "mark/MarkEditor.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace imprimata;

class MarkEditCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newThenCancelRestoresTextAndImage();
    void newThenOkWithoutPicture();
    void editThenOkRefitsPlacement();

private:
    bool edit(int command, const QString &text, bool ok);

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SharedState> state;
    std::unique_ptr<ScriptedDialogService> dialogs;
    std::unique_ptr<Main> main;
};

void MarkEditCommandsTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    state = std::make_unique<SharedState>();
    dialogs = std::make_unique<ScriptedDialogService>();
    main = std::make_unique<Main>(*state, *dialogs);
    main->setGeometry(0, 0, 1200, 780);
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
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
