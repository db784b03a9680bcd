// Program entry point: the application object and the settings window, which starts itself.
#include <QApplication>

#include "platform/exit_signals.h"
#include "platform/toolkit_translations.h"
#include "window/frm_Set.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verrano"));
    // Message boxes and file dialogs use the toolkit's standard buttons and labels, which follow
    // the user's language; the window's own texts stay as designed.
    verrano::InstallToolkitTranslations(QLocale::system());
    // Caught before start-up, so a logout, Ctrl+C or a closed terminal at any moment ends the
    // program through the exit procedure, once the event loop takes the signal.
    verrano::ExitSignals exitSignals;
    verrano::frm_Set w;
    QObject::connect(&exitSignals, &verrano::ExitSignals::received, &w,
                     &verrano::frm_Set::cmd_exit_Click);
    w.Form_Load();
    // A signal taken by a box that start-up showed has ended the program already.
    if (w.bUnloading) return 0;
    w.show();
    return app.exec();
}
