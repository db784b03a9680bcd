// The cable window: the data-cable drawing, kept on top, printable, closed by OK, Enter or Esc.
#pragma once

#include <QDialog>
#include <memory>

#include "platform/image_list.h"
#include "platform/printer.h"

namespace Ui {
class frmTip;
}

namespace verrano {

class InputGuard;

// Shows the wiring between a servo and the PC's 9-pin serial port; destroyed when closed.
class frmTip : public QDialog {
    Q_OBJECT
public:
    // A guard given judges what a screen reader does with the window's buttons, as its event
    // filter judges clicks on them. Printing waits for the print system through the wait given,
    // so that it takes input as the settings window's other waits do; without one, Print fails.
    explicit frmTip(QWidget* parent = nullptr, InputGuard* guard = nullptr,
                    PrintWait waitForPrint = {});
    ~frmTip() override;

    std::unique_ptr<Ui::frmTip> ui;
    ImageList ImageList1; // picture 1: the cable drawing

    // How long Print waits for the print system before it gives up with "Print error!": a print
    // server that answers at all answers well within it.
    static constexpr int kPrintBoundMs = 10000;
    int printBoundMs = kPrintBoundMs;

    void Form_Load();
    void cmdOK_Click();
    void cmd_print_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    PrintWait waitForPrint_;
    bool printing_ = false;
};

} // namespace verrano
