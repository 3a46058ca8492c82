#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace imprimata {

void installTranslations(QCoreApplication &application) {
    const QLocale locale;
    // Ours travel inside the binary, so a copy run from its build folder speaks them too.
    const struct {
        const char *name;
        QString folder;
    } catalogues[] = {
        {"qtbase", QLibraryInfo::path(QLibraryInfo::TranslationsPath)},
        {"imprimata", QStringLiteral(":/i18n")},
    };
    for (const auto &catalogue : catalogues) {
        auto *translator = new QTranslator(&application);
        if (translator->load(locale, QLatin1String(catalogue.name), QStringLiteral("_"),
                             catalogue.folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}

} // namespace imprimata
