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
    void editThenCancelThenOk();

private:
    bool edit(int command, const QString &text, bool ok);
    void showPicture();

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SharedState> state;
    std::unique_ptr<ScriptedDialogService> dialogs;
    std::unique_ptr<Main> main;
    QString openedWith; // the text the editor showed when it opened
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
        openedWith = editor->TextIM->text();
        editor->TextIM->setText(text);
        ok ? editor->OK_Click() : editor->esc_Click();
    });
    main->mnu_IM_Click(command);
    return shown;
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
    QVERIFY(edit(0, "Typed", false));
    QVERIFY(openedWith.isEmpty()); // the editor starts empty
    QVERIFY(!state->MarkAccepted);
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("Old"));
    QCOMPARE(state->CurrentMark.ImagePath, QStringLiteral("/pictures/old.png"));
    QVERIFY(!main->mnu_IM[1]->isEnabled());
    QVERIFY(!main->mnu_IM[5]->isEnabled());
    QCOMPARE(main->imprim().size(), placementBefore);
}

void MarkEditCommandsTest::newThenOkWithoutPicture() {
    QVERIFY(edit(0, "Mine", true));
    QVERIFY(state->MarkAccepted);
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("Mine"));
    QVERIFY(main->mnu_IM[1]->isEnabled());
    QVERIFY(!main->mnu_IM[2]->isEnabled());
    QVERIFY(main->mnu_IM[5]->isEnabled());
    // The placement window shows the new mark at its size.
    QCOMPARE(main->imprim().PicIM(0).width(), state->CurrentMark.MarkWidth / 15 + 2);
}

void MarkEditCommandsTest::editThenCancelThenOk() {
    QVERIFY(edit(0, "A", true));
    showPicture();
    const QSize before = main->imprim().PicIM(0).size();
    // Cancel keeps the mark and the placement as they were.
    QVERIFY(edit(1, "Dropped text", false));
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("A"));
    QCOMPARE(main->imprim().PicIM(0).size(), before);
    // OK refits the placement to the new mark, and Insert is ready.
    QVERIFY(edit(1, "A much longer mark", true));
    QCOMPARE(openedWith, QStringLiteral("A"));
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("A much longer mark"));
    QVERIFY(main->imprim().PicIM(0).width() > before.width());
    QVERIFY(main->mnu_IM[2]->isEnabled());
}

QTEST_MAIN(MarkEditCommandsTest)
#include "tst_markeditcommands.moc"
