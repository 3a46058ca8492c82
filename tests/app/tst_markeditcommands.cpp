#include "MainWindowFixture.h"
#include "mark/MarkEditor.h"

#include <QLineEdit>
#include <QTimer>

using namespace imprimata;

class MarkEditCommandsTest : public QObject, private MainWindowFixture {
    Q_OBJECT

private slots:
    void init() { QVERIFY(open(QRect(0, 0, 1200, 780))); }
    void cleanup() { main.reset(); }

    void newThenCancelRestoresTextAndImage() {
        state->CurrentMark.Text = QStringLiteral("Old");
        state->CurrentMark.ImagePath = QStringLiteral("/pictures/old.png");
        QVERIFY(edit(MarkMenu::New, "Typed", false));
        QVERIFY(!state->MarkAccepted);
        QCOMPARE(state->CurrentMark.Text, QStringLiteral("Old"));
        QCOMPARE(state->CurrentMark.ImagePath, QStringLiteral("/pictures/old.png"));
        QCOMPARE(markMenu(), QStringLiteral("1000100"));
    }

    // Edit and Save as, but no Insert without a picture.
    void newThenOkWithoutPicture() {
        QVERIFY(edit(MarkMenu::New, "Mine", true));
        QCOMPARE(state->CurrentMark.Text, QStringLiteral("Mine"));
        QCOMPARE(markMenu(), QStringLiteral("1100110"));
    }

    void editThenOkRefitsPlacement() {
        QVERIFY(edit(MarkMenu::New, "A", true));
        makePicture("a.bmp", {500, 400});
        showPicture("a.bmp");
        const int before = main->placementWindow().PicIM(0).width();
        main->menuItem(MarkMenu::Insert)->setEnabled(false);
        main->menuItem(MarkMenu::SaveAs)->setEnabled(false);
        QVERIFY(edit(MarkMenu::Edit, "A much longer mark", true));
        QCOMPARE(state->CurrentMark.Text, QStringLiteral("A much longer mark"));
        QVERIFY(main->placementWindow().PicIM(0).width() > before);
        QCOMPARE(markMenu(), QStringLiteral("1110111"));
    }

private:
    // Runs New or Edit; once the editor is shown, types `text` into it and closes it
    // with OK or Cancel. False when no editor was shown.
    bool edit(MarkMenu command, const QString &text, bool ok) {
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
};

QTEST_MAIN(MarkEditCommandsTest)
#include "tst_markeditcommands.moc"
