#include "MainWindow.h"

#include "Version.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QScreen>
#include <cstdio>

namespace {

// Qt aborts without a display; say what to do instead.
bool haveDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char *argv[]) {
    if (!haveDisplay()) {
        std::fputs("imprimata: no graphical display found (DISPLAY is not set).\n"
                   "Start it from a desktop session, or on a machine without one run:\n"
                   "  xvfb-run -a ./build/src/app/imprimata\n",
                   stderr);
        return 1;
    }
    // The placement window is positioned on screen, which Wayland does not allow clients to do.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(imprimata::ApplicationTitle));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(imprimata::VersionMajor).arg(imprimata::VersionMinor));

    imprimata::SharedState state;
    imprimata::QtDialogService dialogs;
    imprimata::MainWindow window(state, dialogs);
    dialogs.setParent(&window);
    if (const QScreen *screen = window.screen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    return app.exec();
}
