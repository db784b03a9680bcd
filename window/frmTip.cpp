// The cable window: loading shows the drawing and keeps the window on top; OK closes it and Print
// sends its client area to the printer.
#include "window/frmTip.h"

#include <QIcon>
#include <QKeyEvent>
#include <QPalette>
#include <QPointer>
#include <QPushButton>

#include "platform/input_guard.h"
#include "platform/message_box.h"
#include "platform/picture_box.h"
#include "platform/printer.h"
#include "platform/window_placement.h"
#include "ui_frmTip.h"
#include "window/twips.h"
#include "window/window_font.h"

namespace verrano {

frmTip::frmTip(QWidget* parent, InputGuard* guard, PrintWait waitForPrint)
    : QDialog(parent), ui(std::make_unique<Ui::frmTip>()), waitForPrint_(std::move(waitForPrint)) {
    // Before any button exists, so that none is ever seen unguarded.
    if (guard) guard->coverAccessibility(this);
    ui->setupUi(this);
    SpreadWindowFont(this);
    // Closing unloads the window, so the next "Cable View" loads it afresh.
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Px(4530), Px(2970));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.svg")));

    QPalette white = ui->Picture1->palette();
    white.setColor(QPalette::Window, Qt::white);
    ui->Picture1->setPalette(white);
    ui->Picture1->setAutoFillBackground(true);

    ImageList1 = ImageList(QSize(295, 154), {QStringLiteral(":/pictures/cable.svg")});
    // The drawing is there from the start, as it would be at design time.
    ui->Picture1->setPicture(ImageList1.Picture(1));

    connect(ui->cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(ui->cmd_print, &QPushButton::clicked, this, [this] { cmd_print_Click(); });

    Form_Load();
}

frmTip::~frmTip() = default;

void frmTip::Form_Load() {
    ui->Picture1->setPicture(ImageList1.Picture(1));
    MakeTopmost(this);
}

void frmTip::cmdOK_Click() {
    close();
}

void frmTip::cmd_print_Click() {
    // The wait takes no press of Print, but a second job must not start inside the first anyway.
    if (printing_) return;
    printing_ = true;
    QPointer<frmTip> self(this);
    QString reason;
    const bool printed = PrintClientArea(this, waitForPrint_, printBoundMs, &reason);
    // Closed while the print system was asked, by the user or by the program's end: nobody is
    // left to tell.
    if (!self) return;
    printing_ = false;
    if (!isVisible()) return;
    // Without a printer, a job the toolkit reports as failed, or a print system that doesn't
    // answer in time, the user hears of it instead of waiting for a page that won't come. A job
    // the print queue refuses after taking it is not reported back, so it goes unmentioned.
    if (!printed)
        MsgBox(this, QStringLiteral("Print error!"), MsgButtons::Ok, MsgIcon::Exclamation);
}

void frmTip::keyPressEvent(QKeyEvent* event) {
    // OK is also the cancel button: Esc presses it, so every way out runs cmdOK_Click.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        ui->cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace verrano
