#pragma once

class QCoreApplication;

namespace imprimata {

// Installs the program's texts and Qt's own (dialog buttons, the command line's help) in the
// language the desktop asks for (LANGUAGE, LC_ALL, LC_MESSAGES, LANG); English needs neither.
// Called once the application object exists, before any text is shown.
void installTranslations(QCoreApplication &application);

} // namespace imprimata
