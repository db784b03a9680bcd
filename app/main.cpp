// Program entry point: the application object and the settings window, which starts itself.
#include <QApplication>

#include "platform/toolkit_translations.h"
#include "window/frm_Set.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verrano"));
    // Message boxes and file dialogs use the toolkit's standard buttons and labels, which follow
    // the user's language; the window's own texts stay as designed.
    verrano::InstallToolkitTranslations(QLocale::system());
    verrano::frm_Set w;
    w.Form_Load();
    w.show();
    return app.exec();
}
