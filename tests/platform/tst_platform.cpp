#include "platform/Colour.h"
#include "platform/Dialogs.h"
#include "platform/Numeric.h"
#include "platform/PictureWriter.h"
#include "platform/Raster.h"
#include "platform/Rect.h"
#include "platform/Surface.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QScreen>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::ExistingFile)

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void colourChannels_data() {
        QTest::addColumn<ColourValue>("stored");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        QTest::addColumn<ColourValue>("back"); // the stored value the channels give again
        QTest::newRow("red is the low byte") << 0x123456 << 0x56 << 0x34 << 0x12 << 0x123456;
        QTest::newRow("-1 reads as white") << -1 << 255 << 255 << 255 << White;
        QTest::newRow("system reference, unresolved") << SystemWindowText << 8 << 0 << 0 << 8;
    }

    void colourChannels() {
        QFETCH(ColourValue, stored);
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        const Rgb c = Rgb::fromColourValue(stored);
        QCOMPARE(int(c.red), red);
        QCOMPARE(int(c.green), green);
        QCOMPARE(int(c.blue), blue);
        QTEST(c.toColourValue(), "back");
        QCOMPARE(c.toQRgb(), qRgb(red, green, blue));
        QVERIFY(Rgb::fromQRgb(qRgba(red, green, blue, 0)) == c); // alpha plays no part
        QTEST(colourFromRgb(rgbFromColour(stored)), "back");
    }

    void rasterOps_data() {
        QTest::addColumn<uint>("rop");
        QTest::addColumn<uint>("expected");
        // Source 0xF0CC0F over destination 0x3C5AA5: every bit pair occurs.
        const uint s = 0x00F0CC0F, d = 0x003C5AA5, all = 0xFFFFFF;
        QTest::newRow("SrcCopy") << uint(SrcCopy) << s;
        QTest::newRow("SrcPaint") << uint(SrcPaint) << (s | d);
        QTest::newRow("SrcAnd") << uint(SrcAnd) << (s & d);
        QTest::newRow("SrcInvert") << uint(SrcInvert) << (s ^ d);
        QTest::newRow("SrcErase") << uint(SrcErase) << (s & ~d & all);
        QTest::newRow("NotSrcCopy") << uint(NotSrcCopy) << (~s & all);
        QTest::newRow("NotSrcErase") << uint(NotSrcErase) << (~(s | d) & all);
        QTest::newRow("MergePaint") << uint(MergePaint) << ((~s | d) & all);
    }

    void rasterOps() {
        QFETCH(uint, rop);
        QFETCH(uint, expected);
        QImage src(2, 1, QImage::Format_RGB32), dst(2, 1, QImage::Format_RGB32);
        src.fill(0xFFF0CC0Fu);
        dst.fill(0xFF3C5AA5u);
        blockCopy(dst, 0, 0, 2, 1, src, 0, 0, rop);
        QCOMPARE(dst.pixel(1, 0), 0xFF000000u | expected);
    }

    void blockCopyClips() {
        QImage src(4, 4, QImage::Format_RGB32), dst(5, 5, QImage::Format_RGB32);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                src.setPixel(x, y, qRgb(x * 10, y * 10, 7));
        dst.fill(Qt::white);
        // Starts left of and above the destination, and runs past both images' far edges.
        blockCopy(dst, -1, -2, 10, 10, src, 0, 0);
        QCOMPARE(dst.pixel(0, 0), qRgb(10, 20, 7));
        QCOMPARE(dst.pixel(2, 1), qRgb(30, 30, 7));
        QCOMPARE(dst.pixel(3, 0), qRgb(255, 255, 255)); // source column 4 does not exist
        QCOMPARE(dst.pixel(0, 2), qRgb(255, 255, 255)); // source row 4 does not exist
        // A negative source offset moves the destination block instead.
        dst.fill(Qt::white);
        blockCopy(dst, 0, 0, 3, 3, src, -1, 0);
        QCOMPARE(dst.pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(dst.pixel(1, 0), qRgb(0, 0, 7));
        // Overlapping blocks of one image copy what was there before.
        blockCopy(src, 1, 0, 3, 1, src, 0, 0, NotSrcCopy);
        QCOMPARE(src.pixel(3, 0), qRgb(235, 255, 248));
    }

    void alphaBlendExtremes() {
        QImage src(1, 1, QImage::Format_RGB32), dst(4, 3, QImage::Format_RGB32);
        src.fill(qRgb(10, 20, 250));
        for (const int alpha : {0, 255}) {
            dst.fill(qRgb(200, 100, 0));
            // One source pixel scaled over the destination block (1, 1) to (3, 2).
            imprimata::alphaBlend(dst, 1, 1, 3, 2, src, 0, 0, 1, 1, alpha);
            QCOMPARE(dst.pixel(1, 1), alpha ? src.pixel(0, 0) : qRgb(200, 100, 0));
            QCOMPARE(dst.pixel(3, 2), dst.pixel(1, 1));
            QCOMPARE(dst.pixel(0, 0), qRgb(200, 100, 0));
        }
    }

    void rectRules() {
        const ScreenRect a{0, 0, 10, 10};
        QCOMPARE(intersectRect(a, {5, 5, 20, 20}), (ScreenRect{5, 5, 10, 10}));
        // Right and bottom are exclusive, so rectangles that touch share no pixel.
        QVERIFY(isRectEmpty(intersectRect(a, {10, 0, 20, 10})));
        QVERIFY(ptInRect(a, 0, 0) && ptInRect(a, 9, 9));
        QVERIFY(!ptInRect(a, 10, 0) && !ptInRect(a, 0, 10));
    }

    void pointIsSilentOutside() {
        Surface s(3, 2);
        QCOMPARE(s.point(0, 0), White);
        QCOMPARE(s.point(-1, 0), -1);
        QCOMPARE(s.point(3, 0), -1);
        s.setPoint(3, 0, 0);
        s.setPoint(2, 1, 0x123456);
        QCOMPARE(s.point(2, 1), 0x123456);
        QCOMPARE(s.image().pixel(2, 1), qRgb(0x56, 0x34, 0x12));
    }

    void roundsHalfToEven() {
        QCOMPARE(roundToInt(0.5), 0);
        QCOMPARE(roundToInt(1.5), 2);
        QCOMPARE(roundToInt(2.5), 2);
        QCOMPARE(roundToInt(-2.5), -2);
    }

    void writePicture_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<imprimata::ExistingFile>("existing");
        QTest::addColumn<QByteArray>("magic");
        const auto replace = imprimata::ExistingFile::Replace;
        QTest::newRow("BMP in upper case") << "OUT.BMP" << replace << QByteArray("BM");
        QTest::newRow("jpg") << "out.jpg" << replace << QByteArray("\xFF\xD8");
        QTest::newRow("bmp inside the name") << "out.bmp.x" << replace << QByteArray("\xFF\xD8");
        QTest::newRow("no extension") << "out" << replace << QByteArray("\xFF\xD8");
        QTest::newRow("kept, the name free")
            << "new.bmp" << imprimata::ExistingFile::Keep << QByteArray("BM");
    }

    // Written under exactly the name, with the usual permissions, and nothing else left behind.
    void writePicture() {
        QFETCH(QString, name);
        QFETCH(imprimata::ExistingFile, existing);
        QTemporaryDir dir;
        QImage image(5, 4, QImage::Format_RGB32);
        image.fill(qRgb(200, 30, 60));
        const QString path = dir.filePath(name);
        const auto written = imprimata::writePicture(image, path, {}, {}, existing);
        QVERIFY2(written, qPrintable(written.error()));
        QCOMPARE(written->warning, QString());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTEST(file.read(2), "magic");
        const QImage back = QImage(path).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(back.size(), image.size());
        if (isBitmapName(name))
            QCOMPARE(back, image);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0666 & ~mask);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    }

    void failedWriteKeepsOldFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("encodable");
        QTest::addColumn<imprimata::ExistingFile>("existing");
        QTest::addColumn<int>("sizeLimit"); // bytes a file may grow to; 0 for none
        QTest::addColumn<QString>("reason");
        const auto replace = imprimata::ExistingFile::Replace;
        QTest::newRow("nothing to encode")
            << "old.jpg" << false << replace << 0 << "there is no picture to write";
        QTest::newRow("name taken")
            << "old.jpg" << true << imprimata::ExistingFile::Keep << 0 << "the file already exists";
        QTest::newRow("no such folder")
            << "gone/new.jpg" << true << replace << 0 << "No such file or directory";
        QTest::newRow("a folder under the name")
            << "folder.jpg" << true << replace << 0 << "Is a directory";
        QTest::newRow("file-size limit, bitmap")
            << "old.bmp" << true << replace << 1000 << "File too large";
        QTest::newRow("file-size limit, JPEG")
            << "old.jpg" << true << replace << 1000 << "File too large";
    }

    // A refused write leaves the existing files as they were, and no temporary beside them.
    void failedWriteKeepsOldFile() {
        QFETCH(QString, name);
        QFETCH(bool, encodable);
        QFETCH(imprimata::ExistingFile, existing);
        QFETCH(int, sizeLimit);
        QTemporaryDir dir;
        const QStringList old = {QStringLiteral("old.bmp"), QStringLiteral("old.jpg")};
        for (const QString &n : old) {
            QFile f(dir.filePath(n));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("precious") == 8);
        }
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));
        QImage noise(64, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                noise.setPixel(x, y, qRgb(x * 37 % 256, y * 91 % 256, (x * y) % 256));

        rlimit before{};
        ::getrlimit(RLIMIT_FSIZE, &before);
        if (sizeLimit) {
            ::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
            const rlimit limited{rlim_t(sizeLimit), before.rlim_max};
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        }
        const auto written = imprimata::writePicture(encodable ? noise : QImage(),
                                                     dir.filePath(name), {}, {}, existing);
        ::setrlimit(RLIMIT_FSIZE, &before);
        QVERIFY(!written);
        QTEST(written.error(), "reason");
        for (const QString &n : old) {
            QFile f(dir.filePath(n));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("precious"));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), old);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder.jpg"))).isDir());
    }

    // Saving over a picture behind a link replaces the picture and keeps the link and the
    // picture's permissions.
    void replacingKeepsLinkAndPermissions() {
        QTemporaryDir dir;
        const QString real = dir.filePath(QStringLiteral("real.jpg"));
        const QString link = dir.filePath(QStringLiteral("link.jpg"));
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::green);
        QVERIFY(image.save(real));
        const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(real, permissions));
        QVERIFY(QFile::link(real, link));
        const auto written =
            imprimata::writePicture(image, link, {}, {}, imprimata::ExistingFile::Replace);
        QVERIFY2(written, qPrintable(written.error()));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFile::permissions(real) & ~(QFile::ReadUser | QFile::WriteUser), permissions);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
    }

    void dialogs() {
        // The program's "name|pattern|" filters as the toolkit's dialogs take them.
        QCOMPARE(
            QtDialogService::nameFilters(QStringLiteral("Pictures|*.jpg;*.bmp|All|*.*|")),
            (QStringList{QStringLiteral("Pictures (*.jpg *.bmp)"), QStringLiteral("All (*.*)")}));
        QCOMPARE(QtDialogService::nameFilters(QStringLiteral("JPEG Images (*.jpg)|*.jpg|")),
                 QStringList{QStringLiteral("JPEG Images (*.jpg)")});
    }

    void modalScopes_data() {
        QTest::addColumn<QString>("steps"); // ( opens a scope, ) ends one, w sets the watcher
        QTest::addColumn<QString>("heard"); // o opened, c closed
        QTest::newRow("one dialog") << "w()"
                                    << "oc";
        QTest::newRow("nested dialogs: the outermost only") << "w(())"
                                                            << "oc";
        QTest::newRow("one after the other") << "w()()"
                                             << "ococ";
        QTest::newRow("no watcher") << "()"
                                    << "";
        // A watcher given while a dialog is open hears when it closes.
        QTest::newRow("watcher given meanwhile") << "(w)"
                                                 << "c";
    }

    // The watcher hears when the first of the program's dialogs opens and the last closes.
    void modalScopes() {
        QFETCH(QString, steps);
        struct Watcher : ModalDialogWatcher {
            QString heard;
            void modalDialogsOpened() override { heard += u'o'; }
            void modalDialogsClosed() override { heard += u'c'; }
        } watcher;
        ScriptedDialogService dialogs;
        std::vector<std::unique_ptr<DialogService::ModalScope>> open;
        for (const QChar step : steps) {
            if (step == u'w')
                dialogs.setModalWatcher(&watcher);
            else if (step == u'(')
                open.push_back(std::make_unique<DialogService::ModalScope>(dialogs));
            else
                open.pop_back();
        }
        QTEST(watcher.heard, "heard");
    }

    void fileDialogShowsColumns_data() {
        QTest::addColumn<bool>("save");
        QTest::newRow("open") << false;
        QTest::newRow("save") << true;
    }

    // The file dialogs open large enough for every column of the detailed view to show whole.
    void fileDialogShowsColumns() {
        QFETCH(bool, save);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("IMG_20261207_123456_with_a_long_name.jpg")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QtDialogService dialogs;
        FileDialogRequest request;
        request.title = QStringLiteral("Pictures");
        request.filter = QStringLiteral("JPEG Images|*.jpg|");
        request.initialFolder = dir.path();
        QString seen;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->setViewMode(QFileDialog::Detail);
            QApplication::processEvents();
            const auto *view = dialog->findChild<QTreeView *>();
            const QHeaderView *header = view->header();
            // Every caption fits, and the long name besides its icon unless the dialog already
            // spans nine tenths of a small screen.
            const int nameWidth =
                view->fontMetrics().horizontalAdvance(QFileInfo(file).fileName()) +
                view->iconSize().width() + 2 * view->indentation();
            const bool screenFull =
                dialog->width() >= dialog->screen()->availableGeometry().width() * 9 / 10;
            int cut = header->sectionSize(0) < nameWidth && !screenFull;
            for (int i = 0; i < header->count(); ++i)
                cut += !header->isSectionHidden(i) &&
                       header->sectionSize(i) < header->sectionSizeHint(i);
            seen = QStringLiteral("%1 columns cut, %2 of %3 wide")
                       .arg(cut)
                       .arg(header->length())
                       .arg(view->viewport()->width());
            if (cut == 0 && header->length() <= view->viewport()->width())
                seen = QStringLiteral("whole");
            dialog->reject();
        });
        QCOMPARE(save ? dialogs.saveFile(request) : dialogs.openFile(request), QString());
        QCOMPARE(seen, QStringLiteral("whole"));
    }
};

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
