#include "MainWindow.h"

#include "Version.h"
#include "platform/Dialogs.h"
#include "platform/Translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

// Qt aborts without a display; say what to do instead.
bool haveDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QString version() {
    return QStringLiteral("%1.%2").arg(imprimata::VersionMajor).arg(imprimata::VersionMinor);
}

void addOptions(QCommandLineParser &parser) {
    parser.setApplicationDescription(QCoreApplication::translate(
        "imprimata", "Stamps an ownership mark into photographs. Given a folder, it starts\n"
                     "browsing there; given a picture, it browses the picture's folder with\n"
                     "that picture shown."));
    parser.addPositionalArgument(
        QStringLiteral("path"),
        QCoreApplication::translate("imprimata",
                                    "a picture (JPEG, BMP, GIF, PNG, TIFF, WebP) or a folder"),
        QCoreApplication::translate("imprimata", "[PICTURE | FOLDER]"));
    parser.addOption({{"h", "help"}, QCoreApplication::translate("imprimata", "show this text")});
    parser.addOption(
        {QStringLiteral("version"), QCoreApplication::translate("imprimata", "show the version")});
}

// What is said before the window's application object exists still comes in the desktop's
// language: a window-free one is made for it.
int answerEarly(int argc, char *argv[], FILE *stream, const std::function<QString()> &answer,
                int status) {
    QCoreApplication app(argc, argv);
    imprimata::installTranslations(app);
    std::fputs(answer().toLocal8Bit().constData(), stream);
    return status;
}

} // namespace

int main(int argc, char *argv[]) {
    // Help and version are answered before anything needs a display. Qt's own options (-style,
    // -platform) are not known yet, so this first reading ignores mistakes.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser early;
    addOptions(early);
    (void)early.parse(rawArguments);
    if (early.isSet(QStringLiteral("help")))
        return answerEarly(
            argc, argv, stdout,
            [] {
                QCommandLineParser translated;
                addOptions(translated);
                // Our own usage line: the program's name, whatever the file is called.
                return QCoreApplication::translate(
                           "imprimata", "Usage: imprimata [options] [PICTURE | FOLDER]") +
                       u'\n' + translated.helpText().section(u'\n', 1);
            },
            0);
    if (early.isSet(QStringLiteral("version"))) {
        std::fputs(QStringLiteral("imprimata %1\n").arg(version()).toLocal8Bit().constData(),
                   stdout);
        return 0;
    }

    if (!haveDisplay())
        // Named as it was started: from the build folder or installed.
        return answerEarly(
            argc, argv, stderr,
            [program = QString::fromLocal8Bit(argv[0])] {
                return QCoreApplication::translate(
                           "imprimata",
                           "imprimata: no graphical display found (DISPLAY is not set).\n"
                           "Start it from a desktop session, or on a machine without one run:\n"
                           "  xvfb-run -a %1\n")
                    .arg(program);
            },
            1);
    // The placement window is positioned on screen, which Wayland does not allow clients to do.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    imprimata::installTranslations(app);
    QApplication::setApplicationName(QString::fromLatin1(imprimata::ApplicationTitle));
    QApplication::setApplicationVersion(version());
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.imprimata.Imprimata"));

    // Now without Qt's options.
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(QCoreApplication::arguments()) || parser.positionalArguments().size() > 1) {
        const QString why =
            parser.errorText().isEmpty()
                ? QCoreApplication::translate("imprimata", "give one picture or folder")
                : parser.errorText();
        std::fputs(
            QCoreApplication::translate("imprimata", "imprimata: %1\nTry imprimata --help.\n")
                .arg(why)
                .toLocal8Bit()
                .constData(),
            stderr);
        return 1;
    }

    QApplication::setOrganizationName(QStringLiteral("Imprimata"));
    QSettings settings; // the desktop's standard place for them
    imprimata::SharedState state;
    imprimata::QtDialogService dialogs;
    imprimata::MainWindow window(state, dialogs, settings);
    dialogs.setParent(&window);
    window.restoreWindowGeometry();
    window.show();
    // Once the window is laid out and shown, so the picture fits the viewport and any message
    // box has its parent on screen.
    QTimer::singleShot(0, &window, [&window, paths = parser.positionalArguments()] {
        window.restoreSession();
        if (!paths.isEmpty())
            window.openPath(paths.front());
    });
    return app.exec();
}
