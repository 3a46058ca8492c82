#include "StampArguments.h"
#include "Version.h"
#include "batch/StampRunner.h"
#include "platform/Translations.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

namespace {

void printLine(FILE *stream, const QString &line) {
    std::fputs((line + u'\n').toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Qt's own chatter (runtime folders, decoder warnings about damaged files) would drown the
// one line each failed picture gets.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        printLine(stderr, message);
}

} // namespace

int main(int argc, char *argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);

    // Fonts need a GUI application, never a display: results must not depend on the screen
    // the tool happens to be started from, and help and mistakes are answered without one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    int qtArgc = 1; // our arguments are not Qt's to interpret
    QGuiApplication app(qtArgc, argv);
    // Before anything is printed, so help and mistakes speak the user's language too.
    imprimata::installTranslations(app);

    const imprimata::ParsedArguments parsed = imprimata::parseStampArguments(arguments);
    if (parsed.help) {
        std::fputs(imprimata::stampUsage().toLocal8Bit().constData(), stdout);
        return imprimata::AllStamped;
    }
    if (parsed.version) {
        printLine(stdout, QStringLiteral("imprimata-stamp %1.%2")
                              .arg(imprimata::VersionMajor)
                              .arg(imprimata::VersionMinor));
        return imprimata::AllStamped;
    }
    if (arguments.isEmpty()) {
        std::fputs(imprimata::stampUsage().toLocal8Bit().constData(), stderr);
        return imprimata::BadInvocation;
    }
    if (!parsed.ok()) {
        printLine(stderr, QStringLiteral("imprimata-stamp: ") + parsed.error);
        printLine(stderr, QCoreApplication::translate("imprimata", "Try imprimata-stamp --help."));
        return imprimata::BadInvocation;
    }

    const auto errorLine = [](const QString &line) { printLine(stderr, line); };
    // JSON is UTF-8 whatever the locale; each line is flushed for whoever reads as it comes.
    const auto reportLine = [](const QByteArray &line) {
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
    return imprimata::runStamping(parsed.options, errorLine, reportLine);
}
