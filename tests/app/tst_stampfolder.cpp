#include "MainWindowFixture.h"
#include "app/FolderStamping.h"
#include "app/StampFolderDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

using namespace imprimata;

class StampFolderTest : public QObject, private MainWindowFixture {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(open(QRect(0, 0, 1200, 780)));
        makePicture("a.bmp");
        makePicture("b.jpg", {320, 240}, 120);
        makePicture("c.jpg", {240, 320}, 200); // portrait
    }

    void cleanup() { main.reset(); }

    void asPlacedMatchesTheTool_data() {
        QTest::addColumn<QPoint>("at"); // on the shown 400 x 300 picture
        QTest::addColumn<QString>("anchor");
        QTest::addColumn<QPoint>("offset");
        // The view is 82 x 32.
        QTest::newRow("top left") << QPoint(20, 30) << "top-left" << QPoint(20, 30);
        QTest::newRow("top right") << QPoint(290, 10) << "top-right" << QPoint(28, 10);
        QTest::newRow("bottom left") << QPoint(5, 250) << "bottom-left" << QPoint(5, 18);
        QTest::newRow("bottom right, over the edge")
            << QPoint(330, 280) << "bottom-right" << QPoint(-12, -12);
    }

    // The mark goes to every picture at the corner nearest to where it lies on the shown one,
    // as far from it; the files are those the tool writes for that corner and offset.
    void asPlacedMatchesTheTool() {
        QFETCH(QPoint, at);
        showPicture("a.bmp");
        const QString markPath = loadTextMark();
        placeViewAt(at);
        QString offered;
        whenShown<StampFolderDialog>([&](StampFolderDialog &dialog) {
            offered = dialog.asPlaced->isChecked() ? dialog.asPlaced->text() : QString();
            dialog.accept();
        });
        const QString summary = runAndCloseResults();
        QFETCH(QPoint, offset);
        QVERIFY2(offered.contains(QStringLiteral("%1, %2 pixels").arg(offset.x()).arg(offset.y())),
                 qPrintable(offered));
        QCOMPARE(summary, QStringLiteral("3 stamped, 0 failed, 0 skipped"));

        QFETCH(QString, anchor);
        QStringList arguments{"--mark",    markPath,
                              "--anchor",  anchor,
                              "--at",      QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y()),
                              "--out-dir", dir->filePath("tool")};
        for (const QString &name : pictureFileNames(QDir(dir->path())))
            arguments << dir->filePath(name);
        QProcess tool;
        tool.start(QStringLiteral(STAMP_TOOL_PATH), arguments);
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        const QStringList written = QDir(dir->filePath("marked")).entryList(QDir::Files);
        QCOMPARE(written, QDir(dir->filePath("tool")).entryList(QDir::Files));
        for (const QString &name : written)
            QVERIFY2(bytes("marked/" + name) == bytes("tool/" + name), qPrintable(name));
    }

    // First the defaults; what was chosen is offered the next time, and only the selected
    // pictures are stamped when asked.
    void defaultsAreRememberedChoices() {
        loadTextMark();
        chooseFolder(dir->path());
        QVERIFY(main->menuItem(MarkMenu::StampFolder)->isEnabled());
        main->fileList->item(0)->setSelected(true);
        main->fileList->item(2)->setSelected(true);
        whenShown<StampFolderDialog>([&](StampFolderDialog &dialog) {
            QVERIFY(dialog.allPictures->isChecked());
            QCOMPARE(dialog.selectedPictures->text(), QStringLiteral("The 2 selected pictures"));
            QVERIFY(!dialog.asPlaced->isEnabled()); // nothing is shown
            QVERIFY(dialog.atCorner->isChecked());
            QCOMPARE(dialog.corner->currentText(), QStringLiteral("bottom right"));
            QCOMPARE(QDir::fromNativeSeparators(dialog.outputFolder->text()),
                     dir->filePath("marked"));
            QVERIFY(!dialog.overwrite->isChecked());
            QCOMPARE(dialog.quality->text(), QStringLiteral("As the source"));
            // The pictures themselves are never the output.
            dialog.outputFolder->setText(dir->path());
            dialog.accept();
            QVERIFY(dialog.isVisible());
            QVERIFY(!dialog.warning->text().isEmpty());
            dialog.selectedPictures->setChecked(true);
            dialog.corner->setCurrentText(QStringLiteral("top right"));
            dialog.offsetX->setValue(5);
            dialog.offsetY->setValue(6);
            dialog.outputFolder->setText(QStringLiteral("out"));
            dialog.overwrite->setChecked(true);
            dialog.quality->setValue(80);
            dialog.accept();
        });
        QCOMPARE(runAndCloseResults(), QStringLiteral("2 stamped, 0 failed, 0 skipped"));
        QCOMPARE(QDir(dir->filePath("out")).entryList(QDir::Files),
                 (QStringList{main->fileList->item(0)->text(), main->fileList->item(2)->text()}));

        whenShown<StampFolderDialog>([&](StampFolderDialog &dialog) {
            QVERIFY(dialog.selectedPictures->isChecked());
            QCOMPARE(dialog.corner->currentText(), QStringLiteral("top right"));
            QCOMPARE(QPoint(dialog.offsetX->value(), dialog.offsetY->value()), QPoint(5, 6));
            QCOMPARE(QDir::fromNativeSeparators(dialog.outputFolder->text()), dir->filePath("out"));
            QVERIFY(dialog.overwrite->isChecked());
            QCOMPARE(dialog.quality->value(), 80);
            dialog.reject();
        });
        main->runCommand(MarkMenu::StampFolder);
    }

    // Failures are listed with their reasons; outputs already there are skipped, untouched.
    void failuresAndSkipsAreReported() {
        QFile broken(dir->filePath("broken.jpg"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("\xFF\xD8 not a picture");
        broken.close();
        QVERIFY(QDir(dir->path()).mkdir("marked"));
        QVERIFY(QFile::copy(dir->filePath("b.jpg"), dir->filePath("marked/b.jpg")));
        const QByteArray kept = bytes("marked/b.jpg");
        loadTextMark();
        chooseFolder(dir->path());
        whenShown<StampFolderDialog>([](StampFolderDialog &dialog) { dialog.accept(); });
        QString failures;
        QCOMPARE(runAndCloseResults(&failures), QStringLiteral("2 stamped, 1 failed, 1 skipped"));
        QVERIFY2(failures.startsWith(QStringLiteral("broken.jpg: ")), qPrintable(failures));
        QCOMPARE(bytes("marked/b.jpg"), kept);
    }

    // Cancel begins no more pictures; every file left in the output folder is whole.
    void cancelLeavesWholeFilesOnly() {
        QImage photo(1600, 1200, QImage::Format_RGB32);
        photo.fill(Qt::darkGreen);
        QVERIFY(photo.save(dir->filePath("photo00.jpg")));
        for (int i = 1; i < 60; ++i)
            QVERIFY(QFile::copy(
                dir->filePath("photo00.jpg"),
                dir->filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QChar(u'0')))));
        loadTextMark();
        chooseFolder(dir->path());
        whenShown<StampFolderDialog>([](StampFolderDialog &dialog) {
            dialog.quality->setValue(90); // whole pictures encoded: slow enough to stop
            dialog.accept();
        });
        QTimer poll;
        connect(&poll, &QTimer::timeout, &poll, [&poll] {
            auto *progress = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
            if (progress && progress->value() >= 2) {
                poll.stop();
                progress->findChild<QPushButton *>()->click();
            }
        });
        poll.start(10);
        const QString summary = runAndCloseResults();
        QVERIFY2(summary.contains(QStringLiteral("Cancelled: ")), qPrintable(summary));
        const int stamped = summary.section(u' ', 0, 0).toInt();
        const QStringList written = QDir(dir->filePath("marked")).entryList(QDir::Files);
        QCOMPARE(written.size(), stamped);
        QVERIFY(stamped < 63);
        for (const QString &name : written)
            QVERIFY2(!QImage(dir->filePath("marked/" + name)).isNull(), qPrintable(name));
    }

private:
    // The test's text mark, loaded; the picture an image mark would use is removed, so the
    // folder holds only the test's pictures.
    QString loadTextMark() {
        const QString path = makeMarkFile(TextMark);
        loadMark(path);
        QFile::remove(dir->filePath("markimage.bmp"));
        return path;
    }

    QByteArray bytes(const QString &name) const {
        QFile file(dir->filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Acts on the next modal dialog of this kind once it shows.
    template <typename Dialog> void whenShown(std::function<void(Dialog &)> act) {
        auto *poll = new QTimer(main.get());
        connect(poll, &QTimer::timeout, poll, [poll, act] {
            if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
                poll->deleteLater();
                poll->stop();
                act(*dialog);
            }
        });
        poll->start(10);
    }

    // Runs Stamp folder (its dialog answered beforehand) and gives the results' summary line,
    // and the failures' list when asked.
    QString runAndCloseResults(QString *failures = nullptr) {
        QString summary;
        whenShown<StampResultsDialog>([&](StampResultsDialog &results) {
            summary = results.summaryLine->text();
            if (failures)
                *failures = results.failureList->toPlainText();
            results.reject();
        });
        main->runCommand(MarkMenu::StampFolder);
        return summary;
    }
};

QTEST_MAIN(StampFolderTest)
#include "tst_stampfolder.moc"
