// The program's string table, read once from its Qt resource, and the user's language choice.
#include "platform/resource_strings.h"

#include <QFile>
#include <QLocale>
#include <QStringList>
#include <QtGlobal>
#include <atomic>

#include "window/pure/string_table.h"

namespace verrano {

namespace {

std::atomic<int> g_override{0};

const StringTable& Table() {
    static const StringTable table = [] {
        StringTable t;
        QFile file(QStringLiteral(":/strings.tsv"));
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning("String table resource missing: %s", qPrintable(file.errorString()));
            return t;
        }
        const QByteArray bytes = file.readAll();
        std::string error;
        if (!t.Parse(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                     &error))
            qWarning("String table damaged: %s", error.c_str());
        return t;
    }();
    return table;
}

} // namespace

int UserLanguageId() {
    if (const int forced = g_override.load(); forced != 0) return forced;
    // The language the user reads the interface in, which may differ from the number format.
    const QStringList ui = QLocale::system().uiLanguages();
    const QLocale locale = ui.isEmpty() ? QLocale::system() : QLocale(ui.first());
    switch (locale.language()) {
    case QLocale::Korean:
        return lang::Korean;
    case QLocale::Japanese:
        return lang::Japanese;
    default:
        return lang::English;
    }
}

void SetLanguageOverride(int languageId) {
    g_override.store(languageId);
}

std::optional<QString> LoadResString(int id, int languageId) {
    const std::optional<std::string> text = Table().Lookup(id, languageId);
    if (!text) return std::nullopt;
    return QString::fromStdString(*text);
}

} // namespace verrano
