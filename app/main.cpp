// Program entry point: the application object and the settings window, which starts itself.
#include <QApplication>

#include "window/frm_Set.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verrano"));
    verrano::frm_Set w;
    w.Form_Load();
    w.show();
    return app.exec();
}
