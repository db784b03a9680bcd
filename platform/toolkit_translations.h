// The toolkit's own texts in the user's language: the standard buttons of message boxes, the file
// dialog's labels and the like. The program's own texts are not translated by this.
#pragma once

#include <QLocale>

class QTranslator;

namespace verrano {

// Installs the toolkit's translation for the locale into the application, which owns it; null
// when the system has none for that language (the toolkit's English then stays).
QTranslator* InstallToolkitTranslations(const QLocale& locale);

} // namespace verrano
