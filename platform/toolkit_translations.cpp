// Loads the toolkit's translation catalogue from where the system keeps it.
#include "platform/toolkit_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace verrano {

QTranslator* InstallToolkitTranslations(const QLocale& locale) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    // The catalogue for the widgets' texts; the locale's languages are tried in order of the
    // user's preference, "ko_KR" finding "qtbase_ko".
    if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator))
        return translator;
    delete translator;
    return nullptr;
}

} // namespace verrano
