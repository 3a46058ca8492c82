#include "placement/AboutBox.h"
#include "placement/PlacementWindow.h"
#include "platform/Dialogs.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QtTest>

using namespace imprimata;

namespace {

// Records the commands the placement window runs, -1 for the File menu's; only Insert may be
// disabled.
class FakeHost : public PlacementHost {
public:
    bool insertEnabled = true;
    QList<int> ran;
    QRect frame{342, 5, 400, 300}; // on the screen

    QRect viewportOnScreen() const override { return frame; }
    bool menuEnabled(FileMenu) const override { return true; }
    bool menuEnabled(MarkMenu command) const override {
        return insertEnabled || command != MarkMenu::Insert;
    }
    void runCommand(FileMenu) override { ran << -1; }
    void runCommand(MarkMenu command) override { ran << static_cast<int>(command); }
};

// The least width that shows the title whole in a common desktop's frame (as measured under
// openbox): the title in bold, an icon before it, three buttons after it and the padding.
int titleRoom() {
    QFont bold = QApplication::font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    return metrics.horizontalAdvance(QStringLiteral("Imprimata")) + 9 * metrics.height();
}

} // namespace

class PlacementWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SharedState> state;
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<PlacementWindow> window;

    void setTextMark(int widthTwips, int heightTwips) {
        MarkSettings &m = state->CurrentMark;
        m.Text = QStringLiteral("My");
        m.Font = makeFont(QStringLiteral("Liberation Sans"), 18, true);
        m.Colour = 0x0000FF;
        m.MarkWidth = static_cast<std::int16_t>(widthTwips);
        m.MarkHeight = static_cast<std::int16_t>(heightTwips);
        QVERIFY(window->RefreshPlacement());
        QCoreApplication::processEvents();
    }

private slots:
    void init() {
        window.reset(); // before the state it refers to
        state = std::make_unique<SharedState>();
        host = std::make_unique<FakeHost>();
        window = std::make_unique<PlacementWindow>(*state, *host);
        window->show();
    }
    void shortcuts_data();
    void shortcuts();
    void toolWindowStaysOpen();
    void fitsAndDrawsTextMark();
    void defaultPosition_data();
    void defaultPosition();
    void defaultPositionFollowsViewport();
    void nudges_data();
    void nudges();
    void stepsAsideForDialogs_data();
    void stepsAsideForDialogs();
    void hintUntilMark();
    void unreadableImageLeavesViewEmpty();
};

void PlacementWindowTest::shortcuts_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<bool>("insertEnabled");
    QTest::addColumn<QList<int>>("ran");
    QTest::newRow("Shift+Insert") << QKeySequence("Shift+Ins") << true
                                  << QList{int(MarkMenu::Insert)};
    QTest::newRow("Shift+Insert, disabled") << QKeySequence("Shift+Ins") << false << QList<int>{};
    // With Shift held only Insert counts; with Ctrl, Alt makes no difference.
    QTest::newRow("Ctrl+Shift+S") << QKeySequence("Ctrl+Shift+S") << true << QList<int>{};
    QTest::newRow("Ctrl+Alt+S") << QKeySequence("Ctrl+Alt+S") << true
                                << QList{int(MarkMenu::SaveAs)};
    QTest::newRow("Alt+S") << QKeySequence("Alt+S") << true << QList<int>{};
    QTest::newRow("Ctrl+A saves the picture") << QKeySequence("Ctrl+A") << true << QList{-1};
}

void PlacementWindowTest::shortcuts() {
    QFETCH(QKeySequence, keys);
    QFETCH(bool, insertEnabled);
    host->insertEnabled = insertEnabled;
    QTest::keySequence(window.get(), keys);
    QTEST(host->ran, "ran");
}

// A see-through tool window above the others, showing only the mark view, that the user
// cannot close while the main window is open.
void PlacementWindowTest::toolWindowStaysOpen() {
    QCOMPARE(window->windowTitle(), QStringLiteral("Imprimata"));
    QVERIFY(window->windowFlags().testFlags(Qt::Tool | Qt::WindowStaysOnTopHint));
    QVERIFY(qAbs(window->windowOpacity() - 120 / 255.0) < 1e-3);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(window->PicIM(i).isVisible(), i == 0);
    QVERIFY(!window->close() && window->isVisible());
    state->PlacementCloseBlocked = false;
    QVERIFY(window->close());
    AboutBox about;
    QCOMPARE(about.versionLabel->text(), QStringLiteral("Imprimata version 1.1"));
}

void PlacementWindowTest::fitsAndDrawsTextMark() {
    // The mark's pixels and one on each side; equal margins around the view.
    // Never so narrow that the title is cut, even empty; a wide mark sets the width alone.
    QVERIFY(window->width() >= titleRoom());
    for (const auto &[twips, view] :
         {std::pair{QSize(0, 0), QSize(2, 2)}, std::pair{QSize(9000, 555), QSize(602, 39)},
          std::pair{QSize(1800, 555), QSize(122, 39)}}) {
        setTextMark(twips.width(), twips.height());
        for (int i = 0; i < 4; ++i)
            QCOMPARE(window->PicIM(i).geometry(), QRect(QPoint(6, 5), view));
        QCOMPARE(window->height(), view.height() + 10);
        QVERIFY(window->width() >= std::max(view.width() + 12, titleRoom()));
        if (view.width() > 3 * titleRoom())
            QCOMPARE(window->width(), view.width() + 12);
    }
    // Printed from the view's top-left corner.
    const Surface &view = window->PicIM(0).surface();
    int minX = view.width(), red = 0;
    for (int y = 0; y < view.height(); ++y)
        for (int x = 0; x < view.width(); ++x)
            if (view.point(x, y) == 0x0000FF) {
                ++red;
                minX = std::min(minX, x);
            }
    QVERIFY(red > 20 && minX < 4);

    // Refitted to the same size it stays where it was moved, and what a stamp left in the work
    // pictures goes; another size sends it back to the default place over the viewport.
    window->move(40, 50);
    QCoreApplication::processEvents();
    const QPoint placed = window->pos();
    for (int i = 1; i < 4; ++i)
        window->PicIM(i).surface().image().fill(Qt::black);
    setTextMark(1800, 555);
    QCOMPARE(window->pos(), placed);
    for (int i = 1; i < 4; ++i) {
        const Surface &work = window->PicIM(i).surface();
        QCOMPARE(work.point(minX, 10), White);
        QCOMPARE(work.foreColour(), 0x0000FF);
        QCOMPARE(work.font(), state->CurrentMark.Font);
    }
    setTextMark(2400, 600);
    // Under a window manager the new size, and so the move, arrives a moment later.
    QTRY_VERIFY(window->pos() != placed);
    const QPoint sent = window->pos();
    window->moveToDefaultPosition();
    QCOMPARE(window->pos(), sent);
    QVERIFY(sent != placed);
}

void PlacementWindowTest::defaultPosition_data() {
    QTest::addColumn<QRect>("viewport"); // on the screen
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("expected");
    const QRect screen(0, 0, 1600, 1000);
    // A window of 170 x 80. Centred across, top at four fifths down; halves go to even.
    QTest::newRow("four fifths of 597 is 477.6")
        << QRect(342, 5, 170, 597) << screen << QPoint(342, 483);
    QTest::newRow("1.5 goes to 2") << QRect(342, 5, 173, 500) << screen << QPoint(344, 405);
    QTest::newRow("2.5 goes to 2") << QRect(342, 5, 175, 500) << screen << QPoint(344, 405);
    QTest::newRow("wider than the viewport: -1.5 goes to -2")
        << QRect(342, 5, 167, 500) << screen << QPoint(340, 405);
    // Below a top panel, and on a second monitor, from the viewport's real place.
    QTest::newRow("below a 30-pixel panel")
        << QRect(350, 80, 600, 500) << QRect(0, 30, 1600, 970) << QPoint(565, 480);
    QTest::newRow("second monitor")
        << QRect(1950, 100, 600, 500) << QRect(1600, 0, 1280, 1024) << QPoint(2165, 500);
    // Kept on the screen's free part: a viewport reaching below it, or off its right edge.
    QTest::newRow("held above the bottom")
        << QRect(100, 100, 600, 1100) << screen << QPoint(315, 920);
    QTest::newRow("held inside the right edge")
        << QRect(1500, 100, 600, 500) << screen << QPoint(1430, 500);
    QTest::newRow("held right of a left panel")
        << QRect(-400, 100, 300, 500) << QRect(48, 0, 1552, 1000) << QPoint(48, 500);
}

void PlacementWindowTest::defaultPosition() {
    QFETCH(QRect, viewport);
    QFETCH(QRect, available);
    QTEST(defaultPlacementPosition(viewport, QSize(170, 80), available), "expected");
}

// The window goes over the viewport where the screen shows it, and follows the viewport while
// it stays where it was put; once moved by the user it stays.
void PlacementWindowTest::defaultPositionFollowsViewport() {
    const QRect available = window->screen()->availableGeometry();
    const QSize size = window->frameGeometry().size();
    host->frame = QRect(available.left() + 100, available.top() + 50, 400, 300);
    window->moveToDefaultPosition();
    const QPoint first = window->pos();
    QCOMPARE(first, defaultPlacementPosition(host->frame, size, available));
    host->frame.translate(20, 10);
    window->keepOnTop();
    QCOMPARE(window->pos(), first + QPoint(20, 10));
    QTest::keyClick(window.get(), Qt::Key_Left);
    host->frame.translate(20, 10);
    window->keepOnTop();
    QCOMPARE(window->pos(), first + QPoint(19, 10));
}

void PlacementWindowTest::nudges_data() {
    QTest::addColumn<QList<int>>("keys"); // key codes, Shift added as a modifier
    QTest::addColumn<QPoint>("moved");
    const int shift = int(Qt::ShiftModifier);
    QTest::newRow("left") << QList{int(Qt::Key_Left)} << QPoint(-1, 0);
    QTest::newRow("right") << QList{int(Qt::Key_Right)} << QPoint(1, 0);
    QTest::newRow("up") << QList{int(Qt::Key_Up)} << QPoint(0, -1);
    QTest::newRow("down") << QList{int(Qt::Key_Down)} << QPoint(0, 1);
    QTest::newRow("Shift+left") << QList{shift | Qt::Key_Left} << QPoint(-10, 0);
    QTest::newRow("Shift+down") << QList{shift | Qt::Key_Down} << QPoint(0, 10);
    QTest::newRow("keypad right") << QList{int(Qt::KeypadModifier) | Qt::Key_Right} << QPoint(1, 0);
    QTest::newRow("three rights and a Shift+up")
        << QList{int(Qt::Key_Right), int(Qt::Key_Right), int(Qt::Key_Right), shift | Qt::Key_Up}
        << QPoint(3, -10);
    // Ctrl and Alt are the menus'; other keys do nothing.
    QTest::newRow("Ctrl+left") << QList{int(Qt::ControlModifier) | Qt::Key_Left} << QPoint();
    QTest::newRow("Alt+down") << QList{int(Qt::AltModifier) | Qt::Key_Down} << QPoint();
    QTest::newRow("Home") << QList{int(Qt::Key_Home)} << QPoint();
}

// The arrow keys move the window as a drag by as much does, and run no command.
void PlacementWindowTest::nudges() {
    QFETCH(QList<int>, keys);
    QFETCH(QPoint, moved);
    window->move(300, 200);
    const QPoint from = window->pos();
    for (const int combined : keys)
        QTest::keyClick(window.get(), Qt::Key(combined & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(combined & Qt::KeyboardModifierMask));
    QCOMPARE(window->pos(), from + moved);
    QVERIFY(host->ran.isEmpty());
    // A drag by the same amount lands on the same place.
    window->move(from);
    const QPoint grip = window->mapToGlobal(QPoint(3, 3));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(grip), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &press);
    QMouseEvent drag(QEvent::MouseMove, QPointF(3, 3) + moved, QPointF(grip + moved), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &drag);
    QCOMPARE(window->pos(), from + moved);
}

void PlacementWindowTest::stepsAsideForDialogs_data() {
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<bool>("shownBefore");
    QTest::newRow("message box") << "message" << true;
    QTest::newRow("question") << "question" << true;
    QTest::newRow("a dialog within a dialog") << "nested" << true;
    QTest::newRow("own dialog, through a scope") << "scope" << true;
    QTest::newRow("not shown before: not shown after") << "message" << false;
}

// While a dialog of the program is open the placement window is hidden, whatever asks it back
// on top; afterwards it is back where it was.
void PlacementWindowTest::stepsAsideForDialogs() {
    QFETCH(QString, dialog);
    QFETCH(bool, shownBefore);
    if (!shownBefore)
        window->hide();
    window->move(250, 180);
    const QPoint placed = window->pos();
    QtDialogService dialogs;
    dialogs.setModalWatcher(window.get());
    QStringList seen; // while each dialog was open: whether one was, and the window's state
    const auto closeWhenOpen = [&] {
        QTimer::singleShot(0, [&] {
            window->keepOnTop(); // what the main window does when it repaints
            QWidget *open = QApplication::activeModalWidget();
            seen << QStringLiteral("%1, %2").arg(open ? "open" : "none",
                                                 window->isVisible() ? "shown" : "hidden");
            if (auto *box = qobject_cast<QMessageBox *>(open))
                box->button(box->standardButtons() & QMessageBox::Cancel ? QMessageBox::Cancel
                                                                         : QMessageBox::Ok)
                    ->click();
            else if (auto *d = qobject_cast<QDialog *>(open))
                d->reject();
        });
    };
    if (dialog == "message") {
        closeWhenOpen();
        dialogs.message(QStringLiteral("Said."), MessageIcon::Warning);
    } else if (dialog == "question") {
        closeWhenOpen();
        QCOMPARE(dialogs.askToSave(QStringLiteral("Save?"), QString()), SaveAnswer::Cancel);
    } else {
        // A dialog the program runs itself, maybe with a message over it.
        const DialogService::ModalScope open(dialogs);
        QDialog own;
        own.setModal(true);
        QTimer::singleShot(0, &own, [&] {
            if (dialog == "nested") {
                closeWhenOpen();
                dialogs.message(QStringLiteral("Inner."), MessageIcon::None);
            }
            closeWhenOpen();
        });
        own.exec();
        QVERIFY(window->isHidden()); // until the scope ends
    }
    QCOMPARE(seen, QStringList(dialog == "nested" ? 2 : 1, QStringLiteral("open, hidden")));
    QCOMPARE(window->isVisible(), shownBefore);
    if (shownBefore)
        QCOMPARE(window->pos(), placed);
    QVERIFY(!window->steppedAside());
}

// The empty window at start says how to define a mark; a mark's view takes its place.
void PlacementWindowTest::hintUntilMark() {
    QVERIFY(window->hint->isVisible());
    QVERIFY(window->hint->text().contains(QStringLiteral("New")));
    QVERIFY(window->hint->geometry().intersects(window->PicIM(0).geometry()));
    setTextMark(1800, 555);
    QVERIFY(!window->hint->isVisible());
}

void PlacementWindowTest::unreadableImageLeavesViewEmpty() {
    MarkSettings &m = state->CurrentMark;
    m.MarkType = ImageMark;
    m.ImagePath = QStringLiteral("/nonexistent/mark.png");
    m.MarkWidth = m.MarkHeight = 300;
    const Result<void> drawn = window->RefreshPlacement();
    QVERIFY(!drawn);
    QVERIFY2(drawn.error().contains("No such file"), qPrintable(drawn.error()));
    QCOMPARE(window->PicIM(0).surface().point(5, 5), White);
}

QTEST_MAIN(PlacementWindowTest)
#include "tst_placementwindow.moc"
